#include "tests/support/ChildProcess.h"

#include <vector>

std::string HelperPath(const char* name) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, n);
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

// Appends what the pipe holds now, without waiting for more.
static void ReadAvailable(HANDLE readEnd, std::string& output) {
    char chunk[4096];
    DWORD available = 0;
    DWORD got = 0;
    while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(readEnd, chunk, available < sizeof chunk ? available : sizeof chunk, &got,
                    nullptr) &&
           got > 0)
        output.append(chunk, got);
}

// Reads until the child has ended rather than until the pipe closes: a process the child
// starts in turn inherits the write end and may outlive it (Wine starts its desktop process
// from the first program that needs one, and that process lives as long as Wine does).
ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    result.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                    nullptr, nullptr, &startup, &info);
    CloseHandle(writeEnd);
    if (result.started) {
        const DWORD start = GetTickCount();
        for (;;) {
            // Whatever an ended child wrote is in the pipe already, so one last read has it.
            const bool ended = WaitForSingleObject(info.hProcess, 10) == WAIT_OBJECT_0;
            ReadAvailable(readEnd, result.output);
            if (ended) break;
            if (GetTickCount() - start >= timeoutMs) {
                TerminateProcess(info.hProcess, 255);
                WaitForSingleObject(info.hProcess, 5000);
                break;
            }
        }
        GetExitCodeProcess(info.hProcess, &result.exitCode);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(readEnd);
    return result;
}

RunningProcess::RunningProcess(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        process = info.hProcess;
    }
}

RunningProcess::~RunningProcess() { Stop(); }

void RunningProcess::Stop() {
    if (!process) return;
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
    process = nullptr;
}
