// The host program's client: versions, descriptors and their signatures from our own server
// on 127.0.0.1, and the updater's four arguments as the updater's own reading sees them. The
// signatures were made with openssl (openssl dgst -sha256 -sign key.pem app.upd).
#define UPDATE_CLIENT_TIMEOUT_MS 3000  // a silent server is given up on in a test's time
#define UPDATE_CLIENT_IMPLEMENTATION
#include "sdk/update_client.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestServer.h"

namespace {

const char kDescriptor[] = "2.0.0.0\r\n3026920923\r\n";
const char kKey[] =
    "-----BEGIN PUBLIC KEY-----\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEcE6Rwewqfi9hfjgicxwWihZXKzOY\n"
    "QSZ/Lc3x4GVEIl7zjcV3HmDplkaGuIcgjTMABg3Auqb+rRnrjhbChey1bg==\n"
    "-----END PUBLIC KEY-----\n";
// Signatures of kDescriptor: openssl's, whose r takes 33 DER bytes, and one whose r takes 31.
const char kSignatureShortR[] =
    "3043021f2dbfed437aafc794c1cfc59cc9bcb460a4336e47c51d6566f20b9203a545460220597d573b581fa47b38"
    "963d9e3b7643cee6fef4570e9ccf10dd9334582ae1652d";
const char kSignatureOpenssl[] =
    "3045022100d5169feeedb75c223c27e7d2b4897df36623e7d5e2470292d3c475c9c33fbe0a02206b1606411cf712"
    "d1e1cc97e1f5fc2b4aa4a425d14b9474f7f775a73204a57723";
// The descriptor at a URL ending in ".upd", its signature (hexadecimal, "-": none) at ".sig".
std::string PairUrl(const std::string& descriptor, const std::string& signatureHex = "-") {
    return TestServerUrl("/pair/") + Hex(descriptor) + "/" + signatureHex + "/app.upd";
}

TEST(UpdateCompareVersions, OrdersDottedDecimalsAndPutsAnythingElseFirst) {
    // clang-format off
    struct Case { const char* a; const char* b; int order; };
    const Case cases[] = {
        {"1.10", "1.9", 1}, {"1.2", "1.2.0.0", 0}, {"1.02", "1.2", 0},
        {"12345678901.2", "12345678900.9", 1}, {"", "x", 0},
        {"1.0 ", "1.0", -1}, {"1..2", "1", -1}, {"", "0", -1},  // not dotted decimal: the oldest
    };
    // clang-format on
    for (const Case& c : cases) {
        auto sign = [](int v) { return (v > 0) - (v < 0); };
        EXPECT_EQ(sign(UpdateCompareVersions(c.a, c.b)), c.order) << c.a << " | " << c.b;
        EXPECT_EQ(sign(UpdateCompareVersions(c.b, c.a)), -c.order) << c.b << " | " << c.a;
    }
}

// One row per refusal: of the version, the checksum, the line ends and the current version;
// with a key, of the signature "<descriptor URL>.sig" (hexadecimal, "-" for none) and the key;
// of a URL or an answer that is no descriptor, and of a silent server, within the time-out.
TEST(UpdateCheck, ReadsExactlyTwoCrLfLinesAndComparesWithTheCurrentVersion) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    const std::string longest(63, '1'), signature = kSignatureOpenssl;
    const auto at = [](const char* path) { return TestServerUrl(path) + "/app.upd"; };
    const std::string found = PairUrl(kDescriptor).substr(0, PairUrl(kDescriptor).size() - 7);
    // clang-format off
    struct Case {
        std::string descriptor; const char* current; int result; unsigned long crc;
        std::string signature = "-", key = "", url = "";  // url: instead of the descriptor's
    };
    const Case cases[] = {
        {kDescriptor, "1.0.0.0", 1, 3026920923ul},       {kDescriptor, "2.0", 0, 3026920923ul},
        {"1.10\r\n4294967295\r\n", "1.9", 1, 4294967295ul}, {longest + "\r\n1\r\n", "1", 1, 1},
        {longest + "1\r\n1\r\n", "1", -1, 0}, {"\r\n123\r\n", "1", -1, 0}, {"2.0\n1\n", "1", -1, 0},
        {std::string("2.0\0\r\n1\r\n", 9), "1", -1, 0},  {"1.10\r\n4294967296\r\n", "1", -1, 0},
        {"2.0\r\n+5\r\n", "1", -1, 0}, {"2.0\r\n\r\n", "1", -1, 0}, {"2.0\r\n123", "1", -1, 0},
        {"2.0\r\r\n123\r\n", "1", -1, 0}, {"2.0\r\n123\r\n\r\n", "1", -1, 0},
        {kDescriptor, "1.0", 1, 3026920923ul, signature, kKey},
        {kDescriptor, "1.0", 1, 3026920923ul, kSignatureShortR, kKey},
        {"3.0.0.0\r\n3026920923\r\n", "1.0", -1, 0, signature, kKey},  // another descriptor
        {kDescriptor, "1.0", -1, 0, "-", kKey}, {kDescriptor, "1.0", -1, 0, Hex("garbage"), kKey},
        {kDescriptor, "1.0", -1, 0, signature + "00", kKey},       // 72 bytes, one extra
        {kDescriptor, "1.0", -1, 0, std::string(146, 'a'), kKey},  // 73 bytes
        {kDescriptor, "1.0", -1, 0, signature, "not a key"},
        {kDescriptor, "1.0", 1, 3026920923ul, "-", "", found + "App.UPD"},
        {kDescriptor, "1.0", -1, 0, "-", "", found + "app.upd.txt"},
        {kDescriptor, "1.0", -1, 0, "-", "", "ftp" + found.substr(4) + "app.upd"},
        {kDescriptor, "1.0", -1, 0, "-", "", at("/status/404")},
        {kDescriptor, "1.0", -1, 0, "-", "", at("/length/65537")},  // the size limit, announced
        {kDescriptor, "1.0", -1, 0, "-", "", at("/nolength/65537")},
        {kDescriptor, "1.0", -1, 0, "-", "", at("/short/100/50")},
        {kDescriptor, "1.0", -1, 0, "-", "", at("/silent/30000")},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(Hex(c.descriptor) + " against " + c.current + ", " + c.signature + c.url);
        UpdateInfo info;
        const std::string url = c.url.empty() ? PairUrl(c.descriptor, c.signature) : c.url;
        const char* key = c.key.empty() ? nullptr : c.key.c_str();
        const DWORD start = GetTickCount();
        const int result = UpdateCheck(url.c_str(), c.current, key, &info);
        EXPECT_LT(GetTickCount() - start, 30000u) << "waited for the server to hang up";
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(info.crc, c.crc);
        if (result < 0) continue;
        EXPECT_EQ(info.version, c.descriptor.substr(0, c.descriptor.find('\r')));
        EXPECT_EQ(info.archiveUrl, url.substr(0, url.size() - 3) + "bin");
    }
    UpdateInfo info;
    EXPECT_EQ(UpdateCheck(PairUrl(kDescriptor).c_str(), nullptr, nullptr, &info), -1);
    EXPECT_EQ(UpdateCheck(nullptr, "1.0", nullptr, &info), -1);
    EXPECT_EQ(UpdateCheck(PairUrl(kDescriptor).c_str(), "1.0", nullptr, nullptr), -1);
}

std::set<std::string> UpdaterCopies() { return TempFiles("Update-*.exe"); }

// The CRC in its signed form, a folder relative to the current one with two backslashes and
// a host path with a space, as the updater's own reading sees them. The updater runs from a
// fresh copy, and an earlier update's copy is removed.
TEST(UpdateStart, TheUpdaterReadsTheFourArgumentsAsGiven) {
    TestFolder folder;
    const std::string app = folder.MakeFolder("My App"), output = folder / "arguments.txt";
    const std::string host = folder.WriteFile("My App\\a b.exe", "MZ");
    const CurrentFolderScope current(folder.Path());
    char temp[MAX_PATH];
    const std::string probe = HelperPath("argprobe.exe");
    const std::string stale =
        std::string(temp, GetTempPathA(MAX_PATH, temp)) + "Update-0000ABCD.exe";
    ASSERT_TRUE(CopyFileA(probe.c_str(), stale.c_str(), FALSE));
    const std::set<std::string> before = UpdaterCopies();
    UpdateInfo info = {"2.0", 0xFFFFFFFF, "http://127.0.0.1:8080/my%20app/app.bin"};
    SetEnvironmentVariableA("ARGPROBE_OUTPUT", output.c_str());
    ASSERT_EQ(UpdateStart(&info, probe.c_str(), "My App\\\\", host.c_str()), 1);
    SetEnvironmentVariableA("ARGPROBE_OUTPUT", nullptr);
    EXPECT_FALSE(FileIsThere(stale)) << "an earlier update's copy is left";
    std::set<std::string> added = UpdaterCopies();
    for (const std::string& old : before) added.erase(old);
    ASSERT_EQ(added.size(), 1u) << "one fresh copy of the updater";
    EXPECT_EQ(ReadWholeFile(*added.begin()), ReadWholeFile(probe));
    std::string text;
    for (int poll = 0; poll < 600 && text.find("\n4\t\t\n") == text.npos; ++poll, Sleep(100))
        text = ReadWholeFile(output);
    for (int poll = 0; poll < 600 && !DeleteFileA(added.begin()->c_str()); ++poll) Sleep(100);
    EXPECT_EQ(text.substr(0, 8), "count=4\n");
    const std::string arguments[] = {"-1", info.archiveUrl, app, host};
    for (int i = 0; i < 4; ++i)  // "<index> TAB <argument> TAB <as written>"
        EXPECT_NE(text.find("\n" + std::to_string(i) + "\t" + arguments[i] + "\t"), text.npos)
            << text;
}

TEST(UpdateStart, RefusesWhatIsNotThereAndQuotesWithoutStartingAnything) {
    TestFolder folder;
    const std::string probe = HelperPath("argprobe.exe"), path = folder.MakeFolder("App");
    const std::string program = folder.WriteFile("App\\a.exe", "MZ"), none = folder / "none";
    const std::string quoted = path + "\"a.exe", noUpdater = folder / "Update.exe";
    const UpdateInfo good = {"2.0", 1, "https://example.com/a.bin"}, empty = {"2.0", 1, ""},
                     quotedUrl = {"2.0", 1, "https://example.com/\"a.bin"};
    // clang-format off
    struct Case { const UpdateInfo* info; const char *updater, *folder, *host; };
    const char *updater = probe.c_str(), *app = path.c_str(), *exe = program.c_str();
    const Case cases[] = {
        {&good, updater, none.c_str(), exe},     {&good, updater, exe, exe},
        {&quotedUrl, updater, app, exe},         {&good, updater, app, quoted.c_str()},
        {&good, updater, "", exe},               {&good, nullptr, app, exe},
        {&good, noUpdater.c_str(), app, exe},    {&empty, updater, app, exe},
        {nullptr, updater, app, exe},
    };
    // clang-format on
    const std::set<std::string> before = UpdaterCopies();  // none is started
    for (const Case& c : cases)
        EXPECT_EQ(UpdateStart(c.info, c.updater, c.folder, c.host), 0) << c.folder << " " << c.host;
    EXPECT_EQ(UpdaterCopies(), before);
}

}  // namespace
