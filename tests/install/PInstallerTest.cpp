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

// The files of our temporary folder that a download could have left.
std::set<std::string> Downloads() { return TempFiles("tmp*"); }

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
        const std::string path = folder / name;
        EXPECT_TRUE(builder.SetFolder((folder / (name + "-files\\")).c_str()));
        for (const auto& entry : files) EXPECT_TRUE(builder.AddFile(entry.first.c_str()));
        EXPECT_TRUE(out.OpenCreated(path.c_str()) && builder.WriteTo(&out, true) &&
                    out.CloseChecked());
        return path;
    }

    std::string Sign(const SPrivateKey& key, const std::string& path) const {
        SSignature signature;
        EXPECT_TRUE(key.SignFile(path.c_str(), signature));
        const std::vector<uint8_t> der = signature.GetDer();
        return std::string(der.begin(), der.end());
    }

    PInstaller::Outcome Install(PInstaller& installer, const std::string& location,
                                const std::string& checksum, const std::string& key = "",
                                const std::string& destination = "") {
        PInstaller::Request request;
        request.checksum = checksum.c_str();
        request.location = location.c_str();
        request.destination = (destination.empty() ? dest : destination).c_str();
        request.host = host.c_str();
        request.publicKey = key.c_str();
        result = std::make_unique<PInstaller::Result>();
        return installer.Run(request, *result);
    }
    PInstaller::Outcome Install(const std::string& location, const std::string& checksum,
                                const std::string& key = "") {
        PInstaller installer(network);
        return Install(installer, location, checksum, key);
    }

    Files Tree() const {
        Files found;
        for (const auto& name : {"app.exe", "readme.txt", "keep.txt", "data\\table.csv"})
            if (FileIsThere(dest + name)) found[name] = ReadWholeFile(dest + name);
        return found;
    }
    bool HostStarted() const {
        for (int i = 0; i < 600 && !FileIsThere(host + ".started"); ++i) Sleep(50);
        return FileIsThere(host + ".started");
    }

    TestFolder folder;
    const std::string dest = folder / "dest\\";
    const std::string host = folder / "host.exe";
    SNetwork network;
    std::unique_ptr<PInstaller::Result> result;
};

TEST_F(PInstallerTest, AnInstallReplacesTheFilesStartsTheHostAndLeavesNoDownload) {
    const std::set<std::string> before = Downloads();
    const std::string archive = Package("a.bin", kRelease);
    EXPECT_EQ(Install(archive, Signed(Crc(archive))), PInstaller::kInstalled);
    Files expected = kRelease;
    expected["keep.txt"] = "mine";
    EXPECT_EQ(Tree(), expected);
    EXPECT_TRUE(HostStarted());
    EXPECT_EQ(result->downloaded, static_cast<int64_t>(ReadWholeFile(archive).size()));
    EXPECT_EQ(Downloads(), before);
}

// A package with a checksum of 2^31 or more, which the host must pass in its signed form.
TEST_F(PInstallerTest, EveryFailureNamesItsStepWritesNothingAndStartsNothing) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    std::string archive;
    for (int salt = 0; archive.empty() || Crc(archive) < 0x80000000u; ++salt) {
        Files files = kRelease;
        files["salt.txt"] = std::to_string(salt);
        archive = Package("large" + std::to_string(salt) + ".bin", files);
    }
    const uint32_t crc = Crc(archive);
    const std::string page = folder.WriteFile("page.html", "<html>no archive</html>");
    struct Case {
        const char* label;
        std::string location, checksum;
        PInstaller::Outcome outcome;
    };
    const Case cases[] = {
        {"wrong checksum", archive, Signed(crc ^ 1), PInstaller::kChecksumDiffers},
        {"unsigned form", archive, std::to_string(crc), PInstaller::kChecksumDiffers},
        {"error page", TestServerUrl("/status/404"), Signed(crc), PInstaller::kChecksumDiffers},
        {"no archive", page, Signed(Crc(page)), PInstaller::kNotAnArchive},
        {"cut short", TestServerUrl("/short/50000/30000"), "0", PInstaller::kDownloadFailed},
        {"missing destination", archive, Signed(crc), PInstaller::kDestinationMissing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::set<std::string> before = Downloads();
        PInstaller installer(network);
        const bool missing = c.outcome == PInstaller::kDestinationMissing;
        EXPECT_EQ(Install(installer, c.location, c.checksum, "", missing ? folder / "none\\" : ""),
                  c.outcome);
        EXPECT_EQ(Tree(), kOld);
        EXPECT_FALSE(FileIsThere(folder / "none"));
        EXPECT_EQ(Downloads(), before);
    }
    EXPECT_FALSE(FileIsThere(host + ".started"));
}

TEST_F(PInstallerTest, AVolumeShortOfRoomFailsBeforeTheFirstFile) {
    class ShortVolume : public PInstaller {
    public:
        using PInstaller::PInstaller;
        int64_t GetAvailableBytes(const char*) override { return 70000; }
    } installer(network);
    const std::string archive = Package("a.bin", kRelease);
    EXPECT_EQ(Install(installer, archive, Signed(Crc(archive))), PInstaller::kDestinationFull);
    EXPECT_GT(result->needed, 70000 + 70000);
    EXPECT_EQ(result->available, 70000);
    EXPECT_EQ(Tree(), kOld);
}

TEST_F(PInstallerTest, FilesThatCannotBeWrittenAreListedAndTheRestWritten) {
    const std::string archive = Package("a.bin", kRelease);
    SFilePath held;
    ASSERT_TRUE(held.OpenReading((dest + "readme.txt").c_str()));  // as a running program would
    EXPECT_EQ(Install(archive, Signed(Crc(archive))), PInstaller::kFilesNotWritten);
    ASSERT_EQ(result->failures.GetCount(), 1);
    EXPECT_STREQ(result->failures.GetText(0).GetSafeText(), (dest + "readme.txt").c_str());
    held.Close();
    EXPECT_EQ(Tree().at("app.exe"), kRelease.at("app.exe"));
    EXPECT_EQ(Tree().at("readme.txt"), "version 1");
}

// With a key, only a package its holder signed installs; an attacker who answers the
// request controls the checksum too, so every row passes the checksum of what it serves.
TEST_F(PInstallerTest, WithAKeyOnlyASignedPackageInstalls) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    SPrivateKey key, other;
    ASSERT_TRUE(key.Generate() && other.Generate());
    const std::string pem = key.GetPublicKey().GetPem().GetSafeText();
    const std::string good = Package("good.bin", kRelease);
    const std::string signature = Sign(key, good);
    Files forged = kRelease;
    forged["app.exe"] = "attacker";
    const std::string evil = Package("evil.bin", forged);
    const std::string small = Package("small.bin", {{"readme.txt", "version 2"}});
    struct Case {
        const char* label;
        std::string archive, signature;  // the signature file's bytes; "none" for no file
        std::string key;
        PInstaller::Outcome outcome;
    };
    const Case cases[] = {
        {"another archive, the old signature", ReadWholeFile(evil), signature, pem,
         PInstaller::kSignatureInvalid},
        {"no signature", ReadWholeFile(good), "none", pem, PInstaller::kSignatureInvalid},
        {"signed by another key", ReadWholeFile(good), Sign(other, good), pem,
         PInstaller::kSignatureInvalid},
        {"10 MB", ReadWholeFile(good), std::string(10 << 20, '0'), pem,
         PInstaller::kSignatureInvalid},
        {"a key that does not parse", ReadWholeFile(good), signature, "-----BEGIN PUBLIC KEY",
         PInstaller::kSignatureInvalid},
        {"signed", ReadWholeFile(good), signature, pem, PInstaller::kInstalled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = folder.WriteFile(std::string(c.label) + ".bin", c.archive);
        if (c.signature != "none") folder.WriteFile(std::string(c.label) + ".bin.sig", c.signature);
        EXPECT_EQ(Install(path, Signed(Crc(path)), c.key), c.outcome);
        EXPECT_EQ(Tree().at("app.exe"), c.outcome == PInstaller::kInstalled
                                            ? kRelease.at("app.exe") : "old program");
    }
    // Over HTTP the signature is "<archive URL>.sig", refused when it is missing.
    const std::string bytes = ReadWholeFile(small);
    const std::string url = TestServerUrl("/pair/" + Hex(bytes) + "/");
    EXPECT_EQ(Install(url + "-/a.bin", Signed(Crc(small)), pem), PInstaller::kSignatureInvalid);
    EXPECT_EQ(Install(url + Hex(Sign(key, small)) + "/a.bin", Signed(Crc(small)), pem),
              PInstaller::kInstalled);
    EXPECT_EQ(Tree().at("readme.txt"), "version 2");
}

TEST(PInstaller, ChecksumArgumentReadsAsSignedDecimalHeldAtTheLimits) {
    struct Case {
        const char* text;
        int32_t value;
    } const cases[] = {
        {"834648924", 834648924},
        {"-1", -1},
        {"  +17", 17},
        {"\t-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"4294967295", INT32_MAX},
        {"-2147483649", INT32_MIN},
        {"99999999999999999999999", INT32_MAX},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"0x10", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PInstaller::ParseChecksum(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
