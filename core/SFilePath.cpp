#include "core/SFilePath.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/SHeapBlock.h"
#include "core/SWindows.h"

namespace {

// Stream buffer size: archives are read and written through these streams, and the
// runtime's default of 4 KiB costs a system call every few entries.
constexpr int kStreamBuffer = 64 * 1024;

// Bytes read per step by GetCrc and Find.
constexpr int kChunk = 1024 * 1024;

// The text of a line or a field, with spaces and tabs removed from both ends unless raw.
SString MakeText(const std::string& bytes, bool raw) {
    size_t first = 0;
    size_t last = bytes.size();
    if (!raw) {
        while (first < last && (bytes[first] == ' ' || bytes[first] == '\t')) ++first;
        while (last > first && (bytes[last - 1] == ' ' || bytes[last - 1] == '\t')) --last;
    }
    SString text;
    text.Set(bytes.data() + first, static_cast<int>(last - first));
    return text;
}

// A stream over a file opened by CreateFileA, for the one sharing _fsopen cannot ask for:
// letting others delete the file while it is open. The deletion takes effect once the last
// handle is closed, at the latest when the process ends.
FILE* OpenDeletable(const char* path, DWORD access, DWORD share, DWORD disposition,
                    int flags, const char* mode) {
    HANDLE handle = CreateFileA(path, access, share | FILE_SHARE_DELETE, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* stream = _fdopen(descriptor, mode);
    if (!stream) _close(descriptor);  // closes the handle with it
    return stream;
}

}  // namespace

SFilePath::SFilePath() : SFile(false), stream(nullptr), access(Access::kNone) { path = ""; }

SFilePath::SFilePath(const char* path, bool write, bool truncate, bool read) : SFilePath() {
    (void)Open(path, write, truncate, read, false);
}

SFilePath::~SFilePath() { Close(); }

bool SFilePath::IsReadOnlyFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path ? path : "");
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The mode comes from the three flags; no mode ever translates line ends. Sharing is set
// explicitly rather than left to fopen_s, whose sharing differs between runtimes: not
// shared, a file opened only for reading lets others read it but not write it, and a file
// opened for writing keeps everyone else out.
bool SFilePath::Open(const char* newPath, bool write, bool truncate, bool read, bool shared) {
    Close();
    if (!newPath || !*newPath) return false;
    const char* mode = nullptr;
    if (read)
        mode = !write ? "rb" : truncate ? "w+b" : "r+b";
    else if (write)
        mode = truncate ? "wb" : "ab";
    if (!mode) return false;

    // Windows refuses to write a read-only file by itself, but Wine run by root does not (root
    // passes the Unix permission check that stands for the attribute there), so the attribute
    // is tested here as well, with the error Windows would give.
    if (write && IsReadOnlyFile(newPath)) {
        errno = EACCES;
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }

    // Reading shared lets others delete the file as well: an updater closed part-way must
    // be able to remove the download that its cut-off worker still holds open.
    if (shared && !write) {
        stream = OpenDeletable(newPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               OPEN_EXISTING, _O_RDONLY | _O_BINARY, mode);
    } else {
        const int sharing = shared ? _SH_DENYNO : write ? _SH_DENYRW : _SH_DENYWR;
        stream = _fsopen(newPath, mode, sharing);
    }
    return Adopt(newPath);
}

// A file created or emptied for reading and writing, kept from others, who may still
// delete it.
bool SFilePath::OpenTemporary(const char* newPath) {
    Close();
    if (!newPath || !*newPath) return false;
    stream = OpenDeletable(newPath, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                           _O_RDWR | _O_BINARY, "w+b");
    return Adopt(newPath);
}

bool SFilePath::Adopt(const char* newPath) {
    if (!stream) return false;
    setvbuf(stream, nullptr, _IOFBF, kStreamBuffer);
    path = newPath;
    access = Access::kNone;
    return true;
}

bool SFilePath::IsOpen() const { return stream != nullptr; }

void SFilePath::Close() { (void)CloseChecked(); }

// The stream's error flag keeps a failure of any earlier buffered write. The last bytes are
// flushed here rather than left to fclose, whose result does not tell a failed flush under
// every runtime. A closed file has nothing left to lose.
bool SFilePath::CloseChecked() {
    bool ok = true;
    if (stream) {
        ok = fflush(stream) == 0 && !ferror(stream);
        ok = fclose(stream) == 0 && ok;
        stream = nullptr;
    }
    path = "";
    access = Access::kNone;
    return ok;
}

// The C runtime requires a flush or a seek between writing and reading one stream (and a
// seek between reading and writing); without it the Microsoft runtime fails the second
// operation. A seek to the current position serves both ways.
void SFilePath::Prepare(Access next) {
    if (access != Access::kNone && access != next) fseek(stream, 0, SEEK_CUR);
    access = next;
}

// Reads in large steps from the start, then returns to where the file was. The length is
// taken once, in 64 bits, so that a file of 2 GiB or more is summed whole and not taken
// for empty; a file that grows meanwhile is summed as it was.
bool SFilePath::GetCrc(uint32_t& crc) {
    if (!stream) return false;
    SHeapBlock chunk(kChunk);
    if (!chunk.data) return false;
    const int64_t size = GetSize64();
    const int64_t saved = _ftelli64(stream);
    if (size < 0 || saved < 0 || _fseeki64(stream, 0, SEEK_SET) != 0) return false;
    access = Access::kNone;
    uint32_t sum = 0;
    for (int64_t done = 0; done < size;) {
        const int64_t left = size - done;
        const int got = Read(chunk.data, left < kChunk ? static_cast<int>(left) : kChunk);
        if (got <= 0) return false;  // the position stays where reading stopped
        sum = SCrc32(sum, chunk.data, got);
        done += got;
    }
    _fseeki64(stream, saved, SEEK_SET);
    access = Access::kNone;
    crc = sum;
    return true;
}

int SFilePath::WriteData(const void* buffer, int count) { return Write(buffer, count); }

int SFilePath::WriteString(const char* text, int length) {
    if (!text) return 0;
    if (length < 0) length = static_cast<int>(strlen(text));
    return Write(text, length);
}

// Counts of the stream buffer's size and more go straight to the file in the runtime.
int SFilePath::Write(const void* buffer, int count) {
    if (!stream || !buffer || count < 1) return 0;
    Prepare(Access::kWrite);
    return static_cast<int>(fwrite(buffer, 1, count, stream));
}

int SFilePath::WriteLine(const char* text) {
    int written = 0;
    if (text && *text) written = Write(text, static_cast<int>(strlen(text)));
    return written + Write("\r\n", 2);
}

SString SFilePath::ReadString(int count) {
    SString text;
    text.Set("", 0);
    if (!stream) return text;
    // A small count beyond what remains is cut by the read itself; only the whole rest or a
    // large count is worth two seeks to measure.
    if (count < 0 || count > kStreamBuffer) {
        const int remaining = GetRemaining();
        if (count < 0 || count > remaining) count = remaining;
    }
    if (count <= 0) return text;
    std::string bytes(static_cast<size_t>(count), '\0');
    const int got = Read(&bytes[0], count);
    if (got > 0) text.Set(bytes.data(), got);
    return text;
}

int SFilePath::ReadData(void* buffer, int count) { return Read(buffer, count); }

// The stream stops at the end of the file by itself, which clamps the count without the
// two seeks that measuring the size would cost.
int SFilePath::Read(void* buffer, int count) {
    if (!stream || !buffer || count < 1) return 0;
    Prepare(Access::kRead);
    return static_cast<int>(fread(buffer, 1, count, stream));
}

// On disk a line is read byte by byte. Every CR and LF byte is dropped from the text, and
// only an LF right after a CR ends the line; maximum counts the bytes kept.
SString SFilePath::ReadLine(bool raw, int maximum, bool* complete) {
    if (complete) *complete = false;
    std::string bytes;
    if (stream && maximum != 0) {
        Prepare(Access::kRead);
        bool afterCr = false;
        while (maximum < 1 || static_cast<int>(bytes.size()) < maximum) {
            const int c = getc(stream);
            if (c == EOF) break;
            if (c == '\n' && afterCr) {
                if (complete) *complete = true;
                break;
            }
            afterCr = c == '\r';
            if (c != '\r' && c != '\n') bytes.push_back(static_cast<char>(c));
        }
    }
    return MakeText(bytes, raw);
}

SString SFilePath::ReadTerminated(bool keep) {
    std::string bytes;
    if (stream) {
        Prepare(Access::kRead);
        for (int c = getc(stream); c != EOF && c != 0; c = getc(stream))
            if (keep) bytes.push_back(static_cast<char>(c));
    }
    return MakeText(bytes, true);
}

// Below 0 or beyond the size means the end. Length runs before the access state is
// cleared: it must see the writes still in the stream's buffer and flush them, or it would
// measure only what is on disk and clamp the position to that.
int SFilePath::Seek(int position) {
    if (!stream) return 0;
    const long size = Length();
    access = Access::kNone;
    if (size < 0) return GetPosition();
    if (position < 0 || position > size) position = static_cast<int>(size);
    if (fseek(stream, position, SEEK_SET) != 0) return GetPosition();
    return position;
}

// The file's length, -1 when it cannot be told or does not fit the int positions.
long SFilePath::Length() {
    const int64_t length = GetSize64();
    return length > LONG_MAX ? -1 : static_cast<long>(length);
}

// Buffered writes go out first; a read buffer stays as it is, which a seek to the end and
// back would throw away on every call. The system gives the length in one call, where the
// runtime's _filelengthi64 moves the file pointer three times.
int64_t SFilePath::GetSize64() {
    if (!stream) return -1;
    if (access == Access::kWrite) fflush(stream);
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    LARGE_INTEGER length;
    if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &length)) return -1;
    return length.QuadPart;
}

int SFilePath::GetPosition() {
    if (!stream) return 0;
    const long position = ftell(stream);
    return position < 0 ? GetSize() : static_cast<int>(position);
}

// Buffered bytes go to the file before its length changes; afterwards the stream stands
// at the new length.
bool SFilePath::SetSize(int size) {
    if (!stream || size < 0) return false;
    fflush(stream);
    const bool done = _chsize(_fileno(stream), size) == 0;
    Seek(size);
    return done;
}

int SFilePath::GetSize() {
    if (!stream) return 0;
    const long size = Length();
    return size < 0 ? 0 : static_cast<int>(size);
}

int SFilePath::GetRemaining() {
    if (!stream) return 0;
    const int size = GetSize();
    return size - GetPosition();
}

bool SFilePath::IsEnd() {
    if (!stream) return true;
    const int size = GetSize();
    return GetPosition() == size;
}

// Reads forward in chunks; each new chunk keeps the last length - 1 bytes of the one before,
// so that a match across a chunk boundary is found. Without a match the position is put
// back where the search began.
int SFilePath::Find(const void* pattern, int length) {
    if (!stream || !pattern || length < 1) return -1;
    const int start = GetPosition();
    if (length > GetSize() - start) return -1;
    const uint8_t* wanted = static_cast<const uint8_t*>(pattern);
    const size_t capacity = static_cast<size_t>(length) * 2 > kChunk
                                ? static_cast<size_t>(length) * 2
                                : static_cast<size_t>(kChunk);
    SHeapBlock chunk(capacity);
    if (!chunk.data) return -1;
    int64_t base = start;  // file position of chunk.data[0]
    size_t kept = 0;
    for (;;) {
        const int got = Read(chunk.data + kept, static_cast<int>(capacity - kept));
        if (got <= 0) break;
        const size_t have = kept + got;
        const uint8_t* data = chunk.data;
        size_t at = 0;
        while (have - at >= static_cast<size_t>(length)) {
            const void* first = memchr(data + at, wanted[0], have - at - length + 1);
            if (!first) break;
            at = static_cast<const uint8_t*>(first) - data;
            if (memcmp(data + at, wanted, length) == 0) {
                const int found = static_cast<int>(base + at);
                Seek(found + length);
                return found;
            }
            ++at;
        }
        const size_t keep = have < static_cast<size_t>(length - 1) ? have : length - 1;
        memmove(chunk.data, chunk.data + have - keep, keep);
        base += have - keep;
        kept = keep;
    }
    Seek(start);
    return -1;
}
