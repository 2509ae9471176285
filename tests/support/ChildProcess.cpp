#include "tests/support/ChildProcess.h"

#include "tests/support/TestFolder.h"

#include <vector>

std::string HelperPath(const char* name) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, n);
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

// The child writes into a temporary file, read once it has ended: a pipe would stay open as
// long as a process that the child starts in turn lives (Wine starts its desktop process from
// the first program that needs one, and that process lives as long as Wine does).
ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs) {
    ProcessResult result;
    char folder[MAX_PATH], path[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "out", 0, path)) return result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    result.started = output != INVALID_HANDLE_VALUE &&
                     CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                    nullptr, nullptr, &startup, &info);
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    if (result.started) {
        if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 255);
            WaitForSingleObject(info.hProcess, 5000);
        }
        GetExitCodeProcess(info.hProcess, &result.exitCode);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        result.output = ReadWholeFile(path);
    }
    DeleteFileA(path);
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
