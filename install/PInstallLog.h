#pragma once
// PInstallLog: Update.log in the user's temporary folder, one line per install-mode run, for
// support to ask for. A line holds, tab-separated: the local date and time, the archive URL,
// the destination folder, the outcome ("installed", "failed: <kind>" or "host still
// running"), the bytes downloaded, the seconds taken, and a detail where one helps. The file
// never grows past kLimit: the oldest lines go first. A log that cannot be written changes
// nothing else.
#include <cstdint>

#include "core/SString.h"
#include "core/SWindows.h"
#include "install/PInstaller.h"

class PInstallLog {
public:
    static constexpr int kLimit = 1 << 20;

    PInstallLog();                          // <temporary folder>\Update.log
    explicit PInstallLog(const char* path);

    // The line of one run of the install procedure, or of a wait that gave up on the host.
    bool AddRun(const PInstaller::Request& request, const PInstaller::Result& result,
                double seconds);
    bool AddHostStillRunning(const char* location, const char* destination, double seconds);

    static SString FormatLine(const SYSTEMTIME& time, const char* location,
                              const char* destination, const char* outcome, int64_t bytes,
                              double seconds, const char* detail);
    // Appends line and its CR LF, waiting up to a second while another process holds the
    // file; false when it could not be written.
    bool Append(const SString& line);
    const SString& GetPath() const { return path; }

private:
    static constexpr int kAttempts = 20;  // about a second in all
    static constexpr DWORD kAttemptPauseMs = 50;

    bool AppendOnce(const SString& line);
    bool Rewrite(const SString& line, int64_t size);

    SString path;
};
