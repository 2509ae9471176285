// The host program's client: the order of versions, descriptors and their signatures fetched
// from our own server on 127.0.0.1, and the updater's four arguments as the updater's own
// argument reading sees them. Signatures and keys were made with Python's cryptography
// package and the openssl command (openssl dgst -sha256 -sign key.pem app.upd).
#define UPDATE_CLIENT_TIMEOUT_MS 3000  // a silent server is given up on in a test's time
#define UPDATE_CLIENT_IMPLEMENTATION
#include "sdk/update_client.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

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
// Signatures of kDescriptor: openssl's, whose r takes 33 DER bytes (a leading zero), and one
// whose r takes 31.
const char kSignatureShortR[] =
    "3043021f2dbfed437aafc794c1cfc59cc9bcb460a4336e47c51d6566f20b9203a545460220597d573b581fa47b38"
    "963d9e3b7643cee6fef4570e9ccf10dd9334582ae1652d";
const char kSignatureOpenssl[] =
    "3045022100d5169feeedb75c223c27e7d2b4897df36623e7d5e2470292d3c475c9c33fbe0a02206b1606411cf712"
    "d1e1cc97e1f5fc2b4aa4a425d14b9474f7f775a73204a57723";
const char kOtherKey[] =
    "-----BEGIN PUBLIC KEY-----\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEv8mz7wb5pmR0D8BudC7oDgX+KHbr\n"
    "rc8BHJ5UiUi8wnimcVkeD64UwQRm0psDcKXb58Frgi4/hls1OC+foIQkhg==\n"
    "-----END PUBLIC KEY-----\n";
const char kP384Key[] =
    "-----BEGIN PUBLIC KEY-----\n"
    "MHYwEAYHKoZIzj0CAQYFK4EEACIDYgAEmTVsGyogvl6HoVChklxKu9/OzyxfYMfG\n"
    "QpaXh/eiAOHxtDkHvpUjVvr1OaSuR98sNMAvSDJSA+0BitANImlWWzDOT6PO8Opz\n"
    "cL1DLpX0dvdSgPGCMsTe2f7HnOF0WrB+\n"
    "-----END PUBLIC KEY-----\n";

// The descriptor at a URL ending in ".upd" and its signature (hexadecimal, "-" for none) at
// that URL with ".sig" added.
std::string PairUrl(const std::string& descriptor, const std::string& signatureHex = "-") {
    return TestServerUrl("/pair/") + Hex(descriptor) + "/" + signatureHex + "/app.upd";
}

TEST(UpdateCompareVersions, OrdersDottedDecimalsAndPutsAnythingElseFirst) {
    // clang-format off
    struct Case { const char* a; const char* b; int order; };
    const Case cases[] = {
        {"1.10", "1.9", 1},   {"1.2", "1.2.0.0", 0}, {"1.2.0.1", "1.2", 1}, {"2", "10", -1},
        {"1.02", "1.2", 0},   {"007.0", "7", 0},     {"0", "0.0.0", 0},
        {"12345678901234567890.1", "12345678901234567889.9", 1},
        // not dotted decimal: older than any version
        {"1.0 ", "1.0", -1},  {"1..2", "1", -1},     {"1.2.", "0", -1},     {"v2.0", "1.0", -1},
        {"", "0", -1},        {"", "x", 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        auto sign = [](int v) { return (v > 0) - (v < 0); };
        EXPECT_EQ(sign(UpdateCompareVersions(c.a, c.b)), c.order) << c.a << " | " << c.b;
        EXPECT_EQ(sign(UpdateCompareVersions(c.b, c.a)), -c.order) << c.b << " | " << c.a;
    }
}

TEST(UpdateCheck, ReadsExactlyTwoCrLfLinesAndComparesWithTheCurrentVersion) {
    ASSERT_TRUE(HaveTestServer()) << "run through test_server.py";
    // clang-format off
    struct Case { std::string descriptor; const char* current; int result; unsigned long crc; };
    const std::string longest(63, '1');
    const Case cases[] = {
        {kDescriptor, "1.0.0.0", 1, 3026920923ul},       {kDescriptor, "2.0", 0, 3026920923ul},
        {kDescriptor, "2.0.0.1", 0, 3026920923ul},       {"1.10\r\n0\r\n", "1.9", 1, 0},
        {"1.10\r\n4294967295\r\n", "1.9", 1, 4294967295ul}, {"1.10\r\n007\r\n", "1.9", 1, 7},
        {longest + "\r\n1\r\n", "1", 1, 1},              {longest + "1\r\n1\r\n", "1", -1, 0},
        {"1.10\r\n4294967296\r\n", "1", -1, 0},          {"2.0\r\n+5\r\n", "1", -1, 0},
        {"2.0\r\n\r\n", "1", -1, 0},
        // line ends: CR LF after each of the two lines, and nothing else
        {"2.0\n123\n", "1", -1, 0},                      {"2.0\r\n123\n", "1", -1, 0},
        {"2.0\r\n123", "1", -1, 0},                      {"2.0\r\n123\r\n\r\n", "1", -1, 0},
        {"2.0\r\r\n123\r\n", "1", -1, 0},               {"", "1", -1, 0},
        // versions a publisher typed: empty, a byte order mark, a zero byte; and ours
        {"\r\n123\r\n", "1", -1, 0},                     {kDescriptor, "1.0 ", -1, 0},
        {"\xEF\xBB\xBF" "2.0\r\n123\r\n", "1", -1, 0},
        {std::string("2.0\0\r\n1\r\n", 9), "1", -1, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(Hex(c.descriptor) + " against " + c.current);
        UpdateInfo info;
        const int result = UpdateCheck(PairUrl(c.descriptor).c_str(), c.current, nullptr, &info);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(info.crc, c.crc);
        if (result < 0) continue;
        EXPECT_EQ(info.version, c.descriptor.substr(0, c.descriptor.find('\r')));
        std::string archive = PairUrl(c.descriptor);
        EXPECT_EQ(info.archiveUrl, archive.replace(archive.size() - 3, 3, "bin"));
    }
}

TEST(UpdateCheck, FailsOnWhatIsNoDescriptorAndOnSilenceWithinItsTimeout) {
    const std::string server = TestServerUrl(""), found = server + "/pair/" + Hex(kDescriptor) + "/-/";
    // clang-format off
    struct Case { std::string url; int result; const char* archive; };
    const Case cases[] = {
        {found + "App.UPD", 1, "App.bin"},          {found + "get?app.upd", 1, "get?app.bin"},
        {found + "app.upd.txt", -1, ""},            {"ftp" + found.substr(4) + "app.upd", -1, ""},
        {server + "/status/404/app.upd", -1, ""},
        {server + "/length/65537/app.upd", -1, ""}, {server + "/nolength/65537/app.upd", -1, ""},
        {server + "/short/100/50/app.upd", -1, ""}, {server + "/reset/-/100/app.upd", -1, ""},
        {"http://127.0.0.1:1/app.upd", -1, ""},     // nobody listens there
        {server + "/silent/30000/app.upd", -1, ""}, // no answer for 30 s
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        UpdateInfo info;
        const DWORD start = GetTickCount();
        EXPECT_EQ(UpdateCheck(c.url.c_str(), "1.0", nullptr, &info), c.result);
        EXPECT_LT(GetTickCount() - start, 30000u) << "waited for the server to hang up";
        const std::string archive(info.archiveUrl);
        EXPECT_EQ(archive.substr(archive.find_last_of('/') + 1), c.archive);
    }
    UpdateInfo info;
    EXPECT_EQ(UpdateCheck(PairUrl(kDescriptor).c_str(), nullptr, nullptr, &info), -1);
    EXPECT_EQ(UpdateCheck(nullptr, "1.0", nullptr, &info), -1);
    EXPECT_EQ(UpdateCheck(PairUrl(kDescriptor).c_str(), "1.0", nullptr, nullptr), -1);
}

TEST(UpdateCheck, WithAKeyAcceptsOnlyADescriptorItsOwnerSigned) {
    std::string crlfKey = kKey;
    for (size_t at = crlfKey.find('\n'); at != std::string::npos; at = crlfKey.find('\n', at + 2))
        crlfKey.insert(at, "\r");
    // clang-format off
    struct Case { std::string descriptor; std::string signature; std::string key; int result; };
    const Case cases[] = {
        {kDescriptor, kSignatureOpenssl, kKey, 1},      {kDescriptor, kSignatureShortR, kKey, 1},
        {kDescriptor, kSignatureOpenssl, crlfKey, 1},
        {"3.0.0.0\r\n3026920923\r\n", kSignatureOpenssl, kKey, -1},  // another descriptor
        {kDescriptor, "-", kKey, -1},
        {kDescriptor, "", kKey, -1},                    {kDescriptor, Hex("garbage"), kKey, -1},
        {kDescriptor, kSignatureOpenssl + std::string("00"), kKey, -1},  // 72 bytes, one extra
        {kDescriptor, std::string(146, 'a'), kKey, -1},                  // 73 bytes
        {kDescriptor, kSignatureOpenssl, kOtherKey, -1},
        {kDescriptor, kSignatureOpenssl, kP384Key, -1},
        {kDescriptor, kSignatureOpenssl, "not a key", -1},
        {kDescriptor, kSignatureOpenssl, "", -1},
        {kDescriptor, kSignatureOpenssl, std::string(kKey).substr(0, 80), -1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signature + " with " + c.key);
        UpdateInfo info;
        EXPECT_EQ(
            UpdateCheck(PairUrl(c.descriptor, c.signature).c_str(), "1.0", c.key.c_str(), &info),
            c.result);
    }
}

std::set<std::string> UpdaterCopies() { return TempFiles("Update-*.exe"); }

// Deletes the copies of the updater made since before, once the programs started from them
// have ended.
void RemoveCopiesSince(const std::set<std::string>& before) {
    for (int poll = 0; poll < 600; ++poll, Sleep(100)) {
        bool left = false;
        for (const std::string& copy : UpdaterCopies())
            if (!before.count(copy) && !DeleteFileA(copy.c_str())) left = true;
        if (!left) return;
    }
}

// The four arguments argprobe printed into its file (unquoted), once it has printed its last
// line; none when it has not within a minute.
std::vector<std::string> ProbedArguments(const std::string& file) {
    for (int poll = 0; poll < 600; ++poll, Sleep(100)) {
        std::vector<std::string> lines;
        std::istringstream text(ReadWholeFile(file));
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        if (lines.size() < 7 || lines[0] != "count=4" || lines[6] != "4\t\t") continue;
        std::vector<std::string> arguments;
        for (int i = 2; i < 6; ++i)
            arguments.push_back(lines[i].substr(2, lines[i].find('\t', 2) - 2));
        return arguments;
    }
    return {};
}

TEST(UpdateStart, TheUpdaterReadsTheFourArgumentsAsGiven) {
    TestFolder folder;
    const std::string app = folder.MakeFolder("My App"), output = folder / "arguments.txt";
    const std::string host = folder.WriteFile("My App\\App.exe", "MZ");
    const std::string spaced = folder.WriteFile("My App\\a b.exe", "MZ");
    const CurrentFolderScope current(folder.Path());
    SetEnvironmentVariableA("ARGPROBE_OUTPUT", output.c_str());
    // clang-format off
    struct Case {
        unsigned long crc; const char* crcArgument; const char* url;
        std::string host; std::string folder; std::string folderArgument;
    };
    const Case cases[] = {
        {0, "0", "http://127.0.0.1:8080/my%20app/app.bin", host, folder / "My App", app},
        {0x7FFFFFFF, "2147483647", "https://example.com/a.bin", spaced, app, app},
        {0x80000000, "-2147483648", "https://example.com/a.bin", host, app + "\\\\", app},
        {0xFFFFFFFF, "-1", "https://example.com/a.bin", host, "C:\\", "C:\\"},
        {3026920923ul, "-1268046373", "https://example.com/a.bin", host, "My App", app},
    };
    // clang-format on
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string stale = std::string(temp) + "Update-0000ABCD.exe";
    ASSERT_TRUE(CopyFileA(HelperPath("argprobe.exe").c_str(), stale.c_str(), FALSE));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        DeleteFileA(output.c_str());
        const std::set<std::string> before = UpdaterCopies();
        UpdateInfo info = {"2.0", c.crc, ""};
        strcpy(info.archiveUrl, c.url);
        ASSERT_EQ(UpdateStart(&info, HelperPath("argprobe.exe").c_str(), c.folder.c_str(),
                              c.host.c_str()),
                  1);
        const std::vector<std::string> expected = {c.crcArgument, c.url, c.folderArgument, c.host};
        EXPECT_EQ(ProbedArguments(output), expected);
        EXPECT_FALSE(FileIsThere(stale)) << "an earlier update's copy is left";
        std::set<std::string> added = UpdaterCopies();
        for (const std::string& old : before) added.erase(old);
        ASSERT_EQ(added.size(), 1u) << "one fresh copy of the updater";
        EXPECT_EQ(ReadWholeFile(*added.begin()), ReadWholeFile(HelperPath("argprobe.exe")));
        RemoveCopiesSince(before);
    }
    SetEnvironmentVariableA("ARGPROBE_OUTPUT", nullptr);
}

TEST(UpdateStart, RefusesWhatIsNotThereAndQuotesWithoutStartingAnything) {
    TestFolder folder;
    const std::string probe = HelperPath("argprobe.exe"), path = folder.MakeFolder("App");
    const std::string program = folder.WriteFile("App\\a.exe", "MZ"), none = folder / "none";
    const std::string quoted = path + "\"a.exe", noUpdater = folder / "Update.exe";
    UpdateInfo good = {"2.0", 1, "https://example.com/a.bin"}, quotedUrl = good, empty = good;
    strcpy(quotedUrl.archiveUrl, "https://example.com/\"a.bin");
    empty.archiveUrl[0] = '\0';
    // clang-format off
    struct Case {
        const UpdateInfo* info; const char* updater; const char* folder; const char* host;
    };
    const char *updater = probe.c_str(), *app = path.c_str(), *exe = program.c_str();
    const Case cases[] = {
        {&good, updater, none.c_str(), exe},     {&good, updater, app, none.c_str()},
        {&good, updater, exe, exe},              {&good, updater, app, app},
        {&quotedUrl, updater, app, exe},         {&good, updater, app, quoted.c_str()},
        {&good, updater, "", exe},               {&good, updater, app, nullptr},
        {&good, nullptr, app, exe},              {&good, noUpdater.c_str(), app, exe},
        {&empty, updater, app, exe},             {nullptr, updater, app, exe},
    };
    // clang-format on
    const std::set<std::string> before = UpdaterCopies();
    for (const Case& c : cases)
        EXPECT_EQ(UpdateStart(c.info, c.updater, c.folder, c.host), 0) << c.folder << " " << c.host;
    EXPECT_EQ(UpdaterCopies(), before);
    EXPECT_EQ(UpdateStart(&good, updater, app, exe), 1) << "the same, well formed, starts";
    RemoveCopiesSince(before);
}

}  // namespace
