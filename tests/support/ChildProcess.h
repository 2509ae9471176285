#pragma once
// Starting the tests' own helper programs and other processes, and reading what they print.
#include <string>

#include "core/SWindows.h"

// The full path of a helper program built beside the running test program.
std::string HelperPath(const char* name);

struct ProcessResult {
    bool started = false;
    DWORD exitCode = 0;
    std::string output;  // standard output
};

// Runs the exact command line (program path included, quoted as the caller wants) and
// waits for it to end, collecting its standard output.
ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs = 60000);

// A process left running until Stop or destruction (then terminated).
class RunningProcess {
public:
    explicit RunningProcess(const std::string& commandLine);
    ~RunningProcess();
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    bool IsStarted() const { return process != nullptr; }
    void Stop();

private:
    HANDLE process = nullptr;
};
