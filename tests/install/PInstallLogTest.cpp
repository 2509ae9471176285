// One line per run in a fixed layout, and a log file that never grows past its limit.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "install/PInstallLog.h"
#include "tests/support/TestFolder.h"

namespace {

TEST(PInstallLog, EachOutcomeHasItsWordAndDetail) {
    using P = PInstaller;
    struct Case { P::Outcome outcome; int failures; bool cancelled; const char *word, *detail; };
    const Case cases[] = {
        {P::kInstalled, 0, false, "installed", ""},
        {P::kNoTemporaryFile, 0, false, "failed: download", "\tno temporary file"},
        {P::kDownloadFailed, 0, true, "failed: download", "\tclosed by the user"},
        {P::kChecksumDiffers, 0, false, "failed: checksum", ""},
        {P::kSignatureInvalid, 0, false, "failed: signature", ""},
        {P::kNotAnArchive, 0, false, "failed: archive", ""},
        {P::kFilesNotWritten, 3, false, "failed: files", "\t3 files not written"},
        {P::kDestinationMissing, 0, false, "failed: destination", ""},
        {P::kDestinationFull, 0, false, "failed: destination",
         "\tneeds 5000000000 bytes, 1000 free"},
    };
    TestFolder folder;
    PInstallLog log((folder / "Update.log").c_str());
    PInstaller::Request request;
    request.location = "http://h/a\tb.bin";  // a tab would split the line
    request.destination = "C:\\App\\";
    for (const Case& c : cases) {
        PInstaller::Result result{c.outcome, {}, 42, 5000000000LL, 1000, c.cancelled};
        for (int i = 0; i < c.failures; ++i) result.failures.Add("x");
        DeleteFileA(log.GetPath().GetSafeText());
        ASSERT_TRUE(log.AddRun(request, result, 2.5));
        const std::string line = ReadWholeFile(log.GetPath().GetSafeText());
        EXPECT_EQ(line.substr(19), "\thttp://h/a b.bin\tC:\\App\\\t" + std::string(c.word) +
                                       "\t42 bytes\t2.5 s" + c.detail + "\r\n");
        EXPECT_TRUE(line[4] == '-' && line[10] == ' ' && line[13] == ':') << line;
    }
}

TEST(PInstallLog, KeepsTheNewestLinesWithinItsLimitAndFailsQuietly) {
    TestFolder folder;
    PInstallLog log((folder / "Update.log").c_str());
    std::string lines;
    for (int i = 0; lines.size() < PInstallLog::kLimit - 100; ++i)
        lines += "line " + std::to_string(i) + std::string(80, '.') + "\r\n";
    folder.WriteFile("Update.log", lines);
    ASSERT_TRUE(log.Append("a line too many"));
    const std::string kept = ReadWholeFile(log.GetPath().GetSafeText());
    EXPECT_LE(kept.size(), static_cast<size_t>(PInstallLog::kLimit));
    EXPECT_GT(kept.size(), static_cast<size_t>(PInstallLog::kLimit / 2));
    EXPECT_EQ(kept.substr(0, 5), "line ");  // whole lines only
    EXPECT_EQ(kept, lines.substr(lines.size() - (kept.size() - 17)) + "a line too many\r\n");
    EXPECT_FALSE(FileIsThere(log.GetPath().GetSafeText() + std::string(".new")));

    EXPECT_TRUE(log.AddHostStillRunning("u", "d", 10));
    const std::string line = "\tu\td\thost still running\t0 bytes\t10.0 s\r\n";
    EXPECT_NE(ReadWholeFile(log.GetPath().GetSafeText()).find(line), std::string::npos);
    // Held by another updater for a moment, the log still gets the line.
    HANDLE held = CreateFileA(log.GetPath().GetSafeText(), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] {
        Sleep(300);
        CloseHandle(held);
    });
    EXPECT_TRUE(log.Append("after a wait"));
    release.join();
    const std::string text = ReadWholeFile(log.GetPath().GetSafeText());
    EXPECT_EQ(text.substr(text.find(line) + line.size()), "after a wait\r\n");
    EXPECT_FALSE(PInstallLog(folder.MakeFolder("a folder").c_str()).Append("x"));
    EXPECT_FALSE(PInstallLog("").Append("x"));
}

}  // namespace
