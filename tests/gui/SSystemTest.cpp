// The command line as a real child process sees it, and the running-program count.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "gui/SSystem.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFolder.h"

namespace {

struct ProbeOutput {
    int count = -1;
    std::vector<std::string> unquoted;  // index -1 first
    std::vector<std::string> raw;
};

ProbeOutput RunArgProbe(const std::string& tail) {
    ProcessResult run = RunProcess("\"" + HelperPath("argprobe.exe") + "\" " + tail);
    ProbeOutput probe;
    if (!run.started) return probe;
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("count=", 0) == 0) {
            probe.count = std::stoi(line.substr(6));
            continue;
        }
        size_t tab1 = line.find('\t');
        size_t tab2 = line.find('\t', tab1 + 1);
        probe.unquoted.push_back(line.substr(tab1 + 1, tab2 - tab1 - 1));
        probe.raw.push_back(line.substr(tab2 + 1));
    }
    return probe;
}

struct ArgCase {
    const char* tail;
    std::vector<std::string> args;
};

TEST(SSystemCommandLine, SplitsAsTheProgramSeesIt) {
    const ArgCase cases[] = {
        {"", {}},
        {"one", {"one"}},
        {"a b c", {"a", "b", "c"}},
        {"a \"\" c", {"a", "", "c"}},
        // A quoted folder ending in a backslash keeps it and does not swallow the rest,
        // whether the backslash is single or doubled by the platform's quoting rules.
        {"\"C:\\Target Folder\\\" next", {"C:\\Target Folder\\", "next"}},
        {"\"C:\\Target Folder\\\\\" next", {"C:\\Target Folder\\", "next"}},
        // Two backslashes before a quote are one to the platform; the quote opens a part.
        {"a\\\\\"b", {"a\\b"}},
        {"123 http://127.0.0.1/a.bin \"C:\\Dest Dir\\\" \"C:\\Program Files\\App\\app.exe\"",
         {"123", "http://127.0.0.1/a.bin", "C:\\Dest Dir\\", "C:\\Program Files\\App\\app.exe"}},
        {"-5 u d h extra", {"-5", "u", "d", "h", "extra"}},
        {"x\\y \\\\server\\share\\", {"x\\y", "\\\\server\\share\\"}},
    };
    for (const ArgCase& c : cases) {
        ProbeOutput probe = RunArgProbe(c.tail);
        const int n = static_cast<int>(c.args.size());
        ASSERT_EQ(probe.count, n) << c.tail;
        ASSERT_EQ(probe.unquoted.size(), c.args.size() + 2) << c.tail;
        EXPECT_EQ(probe.unquoted.front(), "") << "index -1 of " << c.tail;
        EXPECT_EQ(probe.unquoted.back(), "") << "index past the end of " << c.tail;
        for (int i = 0; i < n; ++i) EXPECT_EQ(probe.unquoted[i + 1], c.args[i]) << c.tail;
    }
}

TEST(SSystemCommandLine, OwnProcessHasItsPathAndNoArgumentsPastTheEnd) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    EXPECT_EQ(SSystem::GetAppPath().CompareNoCase(self), 0) << SSystem::GetAppPath().GetSafeText();
    EXPECT_EQ(SSystem::GetArg(SSystem::GetArgCount()), "");
    EXPECT_EQ(SSystem::GetArg(-1), "");
}

// Waits until the count of the path reaches want, for at most ten seconds.
int CountWhenSettled(const std::string& path, int want) {
    int count = -1;
    for (int i = 0; i < 200 && count != want; ++i) {
        count = SSystem::GetProcessCount(path.c_str());
        if (count != want) Sleep(50);
    }
    return count;
}

std::string Upper(std::string text) {
    for (char& ch : text)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return text;
}

TEST(SSystemProcessCount, SeesARunningProgramIgnoringCaseAndNotAfterItEnds) {
    TestFolder folder;
    const std::string host = folder / "Host Program.exe";
    ASSERT_TRUE(CopyFileA(HelperPath("sleeper.exe").c_str(), host.c_str(), FALSE));
    EXPECT_EQ(SSystem::GetProcessCount(host.c_str()), 0);

    RunningProcess running("\"" + host + "\" 60000");
    ASSERT_TRUE(running.IsStarted());
    EXPECT_EQ(CountWhenSettled(Upper(host), 1), 1);

    // Any spelling of the full path matches (a lower-case drive, forward slashes, the short
    // form); a bare name never does.
    std::string lowerDrive = host, slashed = host;
    lowerDrive[0] = static_cast<char>(tolower(static_cast<unsigned char>(lowerDrive[0])));
    for (char& ch : slashed)
        if (ch == '\\') ch = '/';
    char shortForm[MAX_PATH] = "";
    GetShortPathNameA(host.c_str(), shortForm, MAX_PATH);
    ASSERT_NE(std::string(shortForm).find('~'), std::string::npos) << shortForm;
    for (const std::string& spelling : {lowerDrive, slashed, std::string(shortForm)})
        EXPECT_EQ(SSystem::GetProcessCount(spelling.c_str()), 1) << spelling;
    EXPECT_EQ(SSystem::GetProcessCount("Host Program.exe"), 0);

    running.Stop();
    EXPECT_EQ(CountWhenSettled(host, 0), 0);
}

TEST(SSystemProcessCount, EmptyNameMeansThisProgram) {
    EXPECT_GE(SSystem::GetProcessCount(""), 1);
    EXPECT_GE(SSystem::GetProcessCount(nullptr), 1);
}

}  // namespace
