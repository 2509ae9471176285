// The install procedure against archives on disk and our misbehaving server: each outcome,
// what it leaves in the destination and the temporary folder, and whether the host starts.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "core/SDisk.h"
#include "core/SFilePath.h"
#include "install/PInstaller.h"
#include "package/SPrivateKey.h"
#include "package/SResource.h"
#include "package/SSignature.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestServer.h"

namespace {

using Files = std::map<std::string, std::string>;
const Files kOld = {{"app.exe", "old program"}, {"readme.txt", "version 1"}, {"keep.txt", "mine"}};
const Files kRelease = {{"app.exe", std::string(70000, 'P')},
                        {"readme.txt", "version 2"},
                        {"data\\table.csv", "a,b\r\n"}};

uint32_t Crc(const std::string& path) { return SDisk().GetFileCrc(path.c_str()); }
std::string Signed(uint32_t crc) { return std::to_string(static_cast<int32_t>(crc)); }

// An installer on a volume with the given room (-1: unknown, -2: the real volume's).
class Volume : public PInstaller {
public:
    Volume(SNetwork& network, int64_t room) : PInstaller(network), room(room) {}
    int64_t GetAvailableBytes(const char* folder) override {
        return room == -2 ? PInstaller::GetAvailableBytes(folder) : room;
    }
    const int64_t room;
};

class PInstallerTest : public testing::Test {
protected:
    void SetUp() override {
        for (const auto& [name, content] : kOld) folder.WriteFile("dest\\" + name, content);
        ASSERT_TRUE(CopyFileA(HelperPath("hostprog.exe").c_str(), host.c_str(), FALSE));
        network.SetTimeout(1500);
    }

    // An archive of files, written beside the others as name; returns its path.
    std::string Package(const std::string& name, const Files& files) const {
        for (const auto& [file, content] : files) folder.WriteFile(name + "-files\\" + file, content);
        SResource builder;
        SFilePath out;
        EXPECT_TRUE(builder.SetFolder((folder / (name + "-files\\")).c_str()));
        for (const auto& entry : files) EXPECT_TRUE(builder.AddFile(entry.first.c_str()));
        EXPECT_TRUE(out.OpenCreated((folder / name).c_str()) && builder.WriteTo(&out, true) &&
                    out.CloseChecked());
        return folder / name;
    }

    PInstaller::Outcome Install(const std::string& location, const std::string& checksum,
                                const std::string& key = "", int64_t room = -2,
                                const std::string& destination = "") {
        PInstaller::Request request;
        request.checksum = checksum.c_str();
        request.location = location.c_str();
        request.destination = (destination.empty() ? dest : destination).c_str();
        request.host = host.c_str();
        request.publicKey = key.c_str();
        Volume installer(network, room);
        result = std::make_unique<PInstaller::Result>();
        return installer.Run(request, *result);
    }

    Files Tree() const {
        Files found;
        for (const auto& name : {"app.exe", "readme.txt", "keep.txt", "data\\table.csv"})
            if (FileIsThere(dest + name)) found[name] = ReadWholeFile(dest + name);
        return found;
    }
    // Whether the host has started, waited for only when it is expected to.
    bool HostStarted(bool expected) const {
        for (int i = 0; expected && i < 600 && !FileIsThere(host + ".started"); ++i) Sleep(50);
        return FileIsThere(host + ".started");
    }

    TestFolder folder;
    const std::string dest = folder / "dest\\";
    const std::string host = folder / "host.exe";
    SNetwork network;
    std::unique_ptr<PInstaller::Result> result;
};

// Every row but the last fails: nothing is written and nothing started. No row leaves its
// download behind.
TEST_F(PInstallerTest, EveryFailureNamesItsStepWritesNothingAndStartsNothing) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    const std::string archive = Package("a.bin", kRelease);
    const uint32_t crc = Crc(archive);
    const std::string page = folder.WriteFile("page.html", "<html>no archive</html>");
    struct Case {
        const char* label;
        std::string location, checksum, destination;
        int64_t room;  // -1: unknown, -2: the volume's
        PInstaller::Outcome outcome;
    } const cases[] = {
        {"wrong checksum", archive, Signed(crc ^ 1), "", -2, PInstaller::kChecksumDiffers},
        {"no archive", page, Signed(Crc(page)), "", -2, PInstaller::kNotAnArchive},
        {"cut short", TestServerUrl("/short/50000/30000"), "0", "", -2, PInstaller::kDownloadFailed},
        {"no destination", archive, Signed(crc), folder / "none\\", -2, PInstaller::kDestinationMissing},
        {"no room", archive, Signed(crc), "", 70000, PInstaller::kDestinationFull},
        {"installed", archive, Signed(crc), "", -1, PInstaller::kInstalled},  // room unknown
    };
    Files installed = kRelease;
    installed["keep.txt"] = "mine";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::set<std::string> before = TempFiles("tmp*");
        EXPECT_EQ(Install(c.location, c.checksum, "", c.room, c.destination), c.outcome);
        const bool done = c.outcome == PInstaller::kInstalled;
        EXPECT_EQ(Tree(), done ? installed : kOld);
        EXPECT_EQ(HostStarted(done), done);
        EXPECT_FALSE(FileIsThere(folder / "none"));
        EXPECT_EQ(TempFiles("tmp*"), before);
        if (c.outcome == PInstaller::kDestinationFull) {
            EXPECT_GT(result->needed, 70000 + 70000);
            EXPECT_EQ(result->available, 70000);
        }
    }
    EXPECT_EQ(result->downloaded, static_cast<int64_t>(ReadWholeFile(archive).size()));
}

// With a key, only a package its holder signed installs, its signature fetched from
// "<archive URL>.sig". An attacker who answers the request controls the checksum too, so
// every row passes the checksum of what it serves.
TEST_F(PInstallerTest, WithAKeyOnlyASignedPackageInstalls) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    SPrivateKey key;
    ASSERT_TRUE(key.Generate());
    const std::string pem = key.GetPublicKey().GetPem().GetSafeText();
    const auto sign = [](const SPrivateKey& by, const std::string& path) {
        SSignature signature;
        EXPECT_TRUE(by.SignFile(path.c_str(), signature));
        const std::vector<uint8_t> der = signature.GetDer();
        return Hex(std::string(der.begin(), der.end()));
    };
    const std::string good = Package("good.bin", {{"readme.txt", "version 2"}});
    const std::string evil = Package("evil.bin", {{"readme.txt", "attacker"}});
    const PInstaller::Outcome refused = PInstaller::kSignatureInvalid;
    struct Case {
        const char* label;
        std::string archive, signature, key;  // signature in hexadecimal, "-" for none
        PInstaller::Outcome outcome;
    } const cases[] = {
        {"another archive, the old signature", evil, sign(key, good), pem, refused},
        {"no signature", good, "-", pem, refused},
        {"a key that does not parse", good, sign(key, good), "-----BEGIN PUBLIC KEY", refused},
        {"signed", good, sign(key, good), pem, PInstaller::kInstalled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string bytes = Hex(ReadWholeFile(c.archive));
        const std::string url = TestServerUrl("/pair/" + bytes + "/" + c.signature + "/a.bin");
        EXPECT_EQ(Install(url, Signed(Crc(c.archive)), c.key), c.outcome);
        EXPECT_EQ(Tree().at("readme.txt"), c.outcome == refused ? "version 1" : "version 2");
    }
}

TEST(PInstaller, ChecksumArgumentReadsAsSignedDecimalHeldAtTheLimits) {
    EXPECT_EQ(PInstaller::ParseChecksum("-1268046373"), -1268046373);
    EXPECT_EQ(PInstaller::ParseChecksum("4294967295"), INT32_MAX);
    EXPECT_EQ(PInstaller::ParseChecksum("-2147483649"), INT32_MIN);
}

}  // namespace
