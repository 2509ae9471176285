// Each outcome of an install, what it leaves behind, and whether the host starts.
#include <gtest/gtest.h>

#include <climits>
#include <map>
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

// An archive of files, written in folder as name; returns its path.
std::string Package(const TestFolder& folder, const std::string& name, const Files& files) {
    SResource builder;
    SFilePath out;
    EXPECT_TRUE(builder.SetFolder(folder.MakeFolder(name + "-files").c_str()));
    for (const auto& [file, content] : files) {
        folder.WriteFile(name + "-files\\" + file, content);
        EXPECT_TRUE(builder.AddFile(file.c_str()));
    }
    EXPECT_TRUE(out.OpenCreated((folder / name).c_str()) && builder.WriteTo(&out, true) &&
                out.CloseChecked());
    return folder / name;
}

// With a key only a package its holder signed installs; an attacker who answers the request
// controls the checksum too, so those rows pass the checksum of what they serve.
TEST(PInstaller, EveryFailureNamesItsStepWritesNothingAndStartsNothing) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    TestFolder folder;
    const std::string dest = folder / "dest\\", host = folder / "host.exe";
    ASSERT_TRUE(CopyFileA(HelperPath("hostprog.exe").c_str(), host.c_str(), FALSE));
    SNetwork network;
    network.SetTimeout(1500);
    SPrivateKey key;
    SSignature signature;
    Files forged = kRelease, installed = kRelease;
    forged["readme.txt"] = "attacker";
    installed["keep.txt"] = "mine";
    const std::string archive = Package(folder, "a.bin", kRelease);
    const std::string evil = Package(folder, "evil.bin", forged);
    ASSERT_TRUE(key.Generate() && key.SignFile(archive.c_str(), signature));
    const std::vector<uint8_t> der = signature.GetDer();
    const std::string pem = key.GetPublicKey().GetPem().GetSafeText(), crc = Signed(Crc(archive));
    const std::string page = folder.WriteFile("page.html", "<html>no archive</html>");
    const auto served = [](const std::string& path, const std::string& signatureHex) {
        return TestServerUrl("/pair/" + Hex(ReadWholeFile(path)) + "/" + signatureHex + "/a.bin");
    };
    const std::string sig = Hex(std::string(der.begin(), der.end()));
    using P = PInstaller;
    struct Case {
        const char* label;
        std::string location, checksum, destination;
        int64_t room;  // -1: unknown, -2: the volume's
        std::string key;
        PInstaller::Outcome outcome;
    } const cases[] = {
        {"wrong checksum", archive, Signed(Crc(archive) ^ 1), "", -2, "", P::kChecksumDiffers},
        {"no archive", page, Signed(Crc(page)), "", -2, "", P::kNotAnArchive},
        {"cut short", TestServerUrl("/short/50000/30000"), "0", "", -2, "", P::kDownloadFailed},
        {"no destination", archive, crc, folder / "none\\", -2, "", P::kDestinationMissing},
        {"no room", archive, crc, "", 70000, "", P::kDestinationFull},
        {"installed", archive, crc, "", -1, "", P::kInstalled},  // room unknown
        {"another archive, the old signature", served(evil, sig), Signed(Crc(evil)), "", -2, pem,
         P::kSignatureInvalid},
        {"no signature", served(archive, "-"), crc, "", -2, pem, P::kSignatureInvalid},
        {"a key that does not parse", served(archive, sig), crc, "", -2, "-----BEGIN PUBLIC KEY",
         P::kSignatureInvalid},
        {"signed", served(archive, sig), crc, "", -2, pem, P::kInstalled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);  // each row starts from the old files
        for (const auto& [name, content] : kOld) folder.WriteFile("dest\\" + name, content);
        DeleteFileA((dest + "data\\table.csv").c_str());
        DeleteFileA((host + ".started").c_str());
        const std::set<std::string> before = TempFiles("tmp*");
        PInstaller::Request request;
        request.checksum = c.checksum.c_str();
        request.location = c.location.c_str();
        request.destination = (c.destination.empty() ? dest : c.destination).c_str();
        request.host = host.c_str();
        request.publicKey = c.key.c_str();
        PInstaller::Result result;
        EXPECT_EQ(Volume(network, c.room).Run(request, result), c.outcome);
        const bool done = c.outcome == P::kInstalled;
        Files tree;
        for (const char* name : {"app.exe", "readme.txt", "keep.txt", "data\\table.csv"})
            if (FileIsThere(dest + name)) tree[name] = ReadWholeFile(dest + name);
        EXPECT_EQ(tree, done ? installed : kOld);
        // The host is waited for only where it is expected to start.
        for (int i = 0; done && i < 600 && !FileIsThere(host + ".started"); ++i) Sleep(50);
        EXPECT_EQ(FileIsThere(host + ".started"), done);
        EXPECT_FALSE(FileIsThere(folder / "none"));
        EXPECT_EQ(TempFiles("tmp*"), before);
        if (done) {
            EXPECT_EQ(result.downloaded, int64_t(ReadWholeFile(archive).size()));
        }
        if (c.room == 70000) {  // the room check reports both sizes
            EXPECT_GT(result.needed, 140000);
            EXPECT_EQ(result.available, 70000);
        }
    }
}

TEST(PInstaller, ChecksumArgumentReadsAsSignedDecimalHeldAtTheLimits) {
    EXPECT_EQ(PInstaller::ParseChecksum("-1268046373"), -1268046373);
    EXPECT_EQ(PInstaller::ParseChecksum("4294967295"), INT32_MAX);
    EXPECT_EQ(PInstaller::ParseChecksum("-2147483649"), INT32_MIN);
}

}  // namespace
