#include "install/PInstallLog.h"

#include <cinttypes>
#include <initializer_list>

#include "core/SFilePath.h"

namespace {

// A file trimmed to make room keeps three quarters of the limit, so that it is not
// rewritten on every run once full.
constexpr int kTrimmedSize = PInstallLog::kLimit / 4 * 3;

// Tabs and line breaks inside a field would split the line: they are shown as spaces.
SString Field(const char* text) {
    SString field(text ? text : "");
    for (char bad : {'\t', '\r', '\n'}) field.Replace(bad, ' ');
    return field;
}

SString Detail(const PInstaller::Result& result) {
    SString detail("");
    if (result.cancelled) return SString("closed by the user");
    switch (result.outcome) {
        case PInstaller::kNoTemporaryFile:
            detail = "no temporary file";
            break;
        case PInstaller::kFilesNotWritten:
            detail.Format("%d files not written", result.failures.GetCount());
            break;
        case PInstaller::kDestinationFull:
            detail.Format("needs %" PRId64 " bytes, %" PRId64 " free", result.needed,
                          result.available);
            break;
        default:
            break;
    }
    return detail;
}

}  // namespace

PInstallLog::PInstallLog() {
    char folder[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    path = length > 0 && length < MAX_PATH ? SString(folder) + "Update.log" : SString("");
}

PInstallLog::PInstallLog(const char* path) : path(path) {}

bool PInstallLog::AddRun(const PInstaller::Request& request, const PInstaller::Result& result,
                         double seconds) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Append(FormatLine(now, request.location.GetSafeText(),
                             request.destination.GetSafeText(),
                             PInstaller::Describe(result.outcome), result.downloaded, seconds,
                             Detail(result).GetSafeText()));
}

bool PInstallLog::AddHostStillRunning(const char* location, const char* destination,
                                      double seconds) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Append(FormatLine(now, location, destination, "host still running", 0, seconds, ""));
}

SString PInstallLog::FormatLine(const SYSTEMTIME& time, const char* location,
                                const char* destination, const char* outcome, int64_t bytes,
                                double seconds, const char* detail) {
    SString line;
    line.Format("%04u-%02u-%02u %02u:%02u:%02u\t%s\t%s\t%s\t%" PRId64 " bytes\t%.1f s",
                time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                Field(location).GetSafeText(), Field(destination).GetSafeText(), outcome, bytes,
                seconds);
    if (detail && *detail) {
        line += "\t";
        line += Field(detail);
    }
    return line;
}

// Another updater ending at the same moment holds the log for a moment: its line is
// waited for rather than lost. Any other failure gives up at once.
bool PInstallLog::Append(const SString& line) {
    if (path.GetLength() == 0) return false;
    for (int attempt = 1;; ++attempt) {
        SetLastError(ERROR_SUCCESS);
        if (AppendOnce(line)) return true;
        const DWORD error = GetLastError();
        if (attempt == kAttempts ||
            (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION))
            return false;
        Sleep(kAttemptPauseMs);
    }
}

// One open serves both the size check and the append; a log that must be trimmed is let go
// of first, since its rewrite reads it whole.
bool PInstallLog::AppendOnce(const SString& line) {
    SFilePath file;
    if (!file.Open(path.GetSafeText(), true, false, false)) return false;
    const int64_t size = file.GetSize64();
    if (size < 0) return false;
    if (size + line.GetLength() + 2 > kLimit) {
        file.Close();
        return Rewrite(line, size);
    }
    return file.WriteLine(line.GetSafeText()) == line.GetLength() + 2 && file.CloseChecked();
}

// Keeps the newest lines that fit beside the new one, written beside the log and then put
// in its place, so that a failure part-way leaves the old log whole. A file far beyond the
// limit is no log of ours: it is started afresh rather than read whole.
bool PInstallLog::Rewrite(const SString& line, int64_t size) {
    SString kept("");
    {
        SFilePath existing;
        if (size <= kLimit * 2 && existing.OpenReading(path.GetSafeText()))
            kept = existing.ReadString(-1);
    }
    int start = 0;
    while (kept.GetLength() - start + line.GetLength() + 2 > kTrimmedSize) {
        const int end = kept.Find('\n', start);
        if (end < 0) {
            start = kept.GetLength();
            break;
        }
        start = end + 1;
    }
    const SString fresh = path + ".new";
    SFilePath file;
    const bool written = file.OpenWriteOnly(fresh.GetSafeText()) &&
                         file.Write(kept.GetSafeText() + start, kept.GetLength() - start) ==
                             kept.GetLength() - start &&
                         file.WriteLine(line.GetSafeText()) == line.GetLength() + 2 &&
                         file.CloseChecked();
    if (written && MoveFileExA(fresh.GetSafeText(), path.GetSafeText(), MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileA(fresh.GetSafeText());
    return false;
}
