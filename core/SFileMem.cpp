#include "core/SFileMem.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/SFilePath.h"

namespace {

constexpr int64_t kStep = 1024;

// The capacity for a size: the multiple of 1024 strictly above it.
int64_t CapacityFor(int size) { return (size / kStep + 1) * kStep; }

// Whether a caller's bytes lie inside a block, compared as addresses.
bool InBlock(const uint8_t* block, int capacity, const uint8_t* bytes) {
    const uintptr_t start = reinterpret_cast<uintptr_t>(block);
    const uintptr_t at = reinterpret_cast<uintptr_t>(bytes);
    return block && at >= start && at < start + static_cast<uintptr_t>(capacity);
}

// The text of a line, with spaces and tabs removed from both ends unless raw.
SString MakeText(const uint8_t* bytes, int count, bool raw) {
    int first = 0;
    int last = count;
    if (!raw) {
        while (first < last && (bytes[first] == ' ' || bytes[first] == '\t')) ++first;
        while (last > first && (bytes[last - 1] == ' ' || bytes[last - 1] == '\t')) --last;
    }
    SString text;
    if (last > first)
        text.Set(reinterpret_cast<const char*>(bytes) + first, last - first);
    else
        text.Set("", 0);
    return text;
}

}  // namespace

SFileMem::SFileMem() : SFile(true), buffer(nullptr), size(0), capacity(0), position(0) {}

SFileMem::SFileMem(const char* type, int id) : SFileMem() {
    LoadResource(type, id, GetModuleHandleA(nullptr));
}

SFileMem::~SFileMem() { Close(); }

// The content is emptied before the search, but a file that had no block gets none unless
// the resource is found: a failed load leaves a fresh memory file closed. GetLastError is
// left as the failing call set it.
bool SFileMem::LoadResource(const char* type, int id, HMODULE module) {
    if (buffer) Reserve(0, false);
    position = 0;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found) return false;
    HGLOBAL loaded = ::LoadResource(module, found);
    if (!loaded) return false;
    const void* bytes = LockResource(loaded);
    if (!bytes) {
        FreeResource(loaded);
        return false;
    }
    const int count = static_cast<int>(SizeofResource(module, found));
    Reserve(count, false);
    if (size == count && count > 0) memcpy(buffer, bytes, count);
    FreeResource(loaded);
    position = 0;
    return size == count && buffer != nullptr;
}

// Sized once from the file's length and read straight into the block.
bool SFileMem::LoadFile(const char* path) {
    if (!path || !*path) return false;
    SFilePath file;
    if (!file.OpenShared(path)) return false;
    const int length = file.GetSize();
    Reserve(length, false);
    if (size != length) return false;
    position = 0;
    const int got = length > 0 ? file.Read(buffer, length) : 0;
    if (got != length) {
        Reserve(got > 0 ? got : 0, true);
        return false;
    }
    return true;
}

// The block lends the bytes from the position on.
const uint8_t* SFileMem::PeekRead(int& available) {
    available = buffer ? size - position : 0;
    return buffer ? buffer + position : nullptr;
}

// Sized once for the whole copy and read into directly, so that a big file staged in
// memory is neither grown step by step nor copied twice. A source that delivers less than
// it promised leaves no unwritten tail behind.
int SFileMem::ReadFrom(SFile* source, int count) {
    const int start = position;
    const int oldSize = size;
    const int64_t end = static_cast<int64_t>(start) + count;
    if (end > INT_MAX) return 0;
    if (end > oldSize) {
        Reserve(static_cast<int>(end), true);
        if (size != end) return 0;  // the block could not grow
    }
    int done = 0;
    while (done < count) {
        const int got = source->Read(buffer + start + done, count - done);
        if (got <= 0) break;
        done += got;
    }
    if (start + done < end && end > oldSize)
        Reserve(start + done > oldSize ? start + done : oldSize, true);
    position = start + done;
    return done;
}

// Sets the size and the capacity that goes with it. The block stays when that capacity is
// the one it has; otherwise a block of the new capacity replaces it, grown in place by
// realloc where the heap can (keep) or allocated fresh without copying (not keep). Bytes
// beyond the kept content are not initialised. When the block cannot be had, nothing
// changes: callers compare the size with what they asked for. The position is not moved,
// except back to the new size when it would lie beyond it.
void SFileMem::Reserve(int newSize, bool keep) {
    if (newSize < 0) newSize = 0;
    const int64_t wanted = CapacityFor(newSize);
    if (wanted > INT_MAX) return;
    if (!buffer || wanted != capacity) {
        uint8_t* block = nullptr;
        if (buffer && keep) {
            block = static_cast<uint8_t*>(realloc(buffer, static_cast<size_t>(wanted)));
            if (!block) return;
        } else {
            block = static_cast<uint8_t*>(malloc(static_cast<size_t>(wanted)));
            if (!block) return;
            free(buffer);
        }
        buffer = block;
        capacity = static_cast<int>(wanted);
    }
    size = newSize;
    if (position > size) position = size;
}

bool SFileMem::IsOpen() const { return buffer != nullptr; }

void SFileMem::Close() {
    free(buffer);
    buffer = nullptr;
    size = 0;
    capacity = 0;
    position = 0;
}

bool SFileMem::GetCrc(uint32_t& crc) {
    if (!buffer) return false;
    crc = SCrc32(0, buffer, size);
    return true;
}

int SFileMem::WriteData(const void* data, int count) { return Write(data, count); }

int SFileMem::WriteString(const char* text, int length) {
    if (!text) return 0;
    if (length < 0) length = static_cast<int>(strlen(text));
    return Write(text, length);
}

// The source may lie inside this file's own block (a file copied onto itself): it is found
// again by its offset after the block has grown, and copied with memmove.
int SFileMem::Write(const void* data, int count) {
    if (!data || count < 1) return 0;
    const int64_t end = static_cast<int64_t>(position) + count;
    if (end > INT_MAX) return 0;
    if (end > size) {
        const uint8_t* from = static_cast<const uint8_t*>(data);
        const bool inside = InBlock(buffer, capacity, from);
        const size_t offset = inside ? static_cast<size_t>(from - buffer) : 0;
        Reserve(static_cast<int>(end), true);
        if (size != end) return 0;
        if (inside) data = buffer + offset;
    }
    memmove(buffer + position, data, count);
    position += count;
    return count;
}

int SFileMem::WriteLine(const char* text) {
    const int length = text ? static_cast<int>(strlen(text)) : 0;
    const int64_t end = static_cast<int64_t>(position) + length + 2;
    if (end > INT_MAX) return 0;
    if (end > size) {
        const uint8_t* from = reinterpret_cast<const uint8_t*>(text);
        const bool inside = length > 0 && InBlock(buffer, capacity, from);
        const size_t offset = inside ? static_cast<size_t>(from - buffer) : 0;
        Reserve(static_cast<int>(end), true);
        if (size != end) return 0;
        if (inside) text = reinterpret_cast<const char*>(buffer + offset);
    }
    if (length > 0) memmove(buffer + position, text, length);
    buffer[position + length] = '\r';
    buffer[position + length + 1] = '\n';
    position += length + 2;
    return length + 2;
}

SString SFileMem::ReadString(int count) {
    const int remaining = size - position;
    if (count < 0 || count > remaining) count = remaining;
    SString text;
    if (count <= 0) {
        text.Set("", 0);
        return text;
    }
    text.Set(reinterpret_cast<const char*>(buffer) + position, count);
    position += count;
    return text;
}

int SFileMem::ReadData(void* data, int count) { return Read(data, count); }

int SFileMem::Read(void* data, int count) {
    if (!data || count < 1 || position >= size) return 0;
    if (count > size - position) count = size - position;
    memcpy(data, buffer + position, count);
    position += count;
    return count;
}

// In memory a line ends only at a CR LF pair, which is consumed but not part of the text;
// a lone CR or LF stays in it. maximum counts the bytes taken.
SString SFileMem::ReadLine(bool raw, int maximum, bool* complete) {
    if (complete) *complete = false;
    if (maximum == 0 || position >= size) return MakeText(buffer, 0, raw);
    const int start = position;
    int at = start;
    int textEnd = -1;
    while (at < size && (maximum < 1 || at - start < maximum)) {
        if (buffer[at] == '\r' && at + 1 < size && buffer[at + 1] == '\n') {
            textEnd = at;
            at += 2;
            if (complete) *complete = true;
            break;
        }
        ++at;
    }
    if (textEnd < 0) textEnd = at;
    position = at;
    return MakeText(buffer + start, textEnd - start, raw);
}

SString SFileMem::ReadTerminated(bool keep) {
    if (position >= size) return MakeText(buffer, 0, true);
    const int start = position;
    const void* zero = memchr(buffer + start, 0, size - start);
    const int end = zero ? static_cast<int>(static_cast<const uint8_t*>(zero) - buffer) : size;
    position = zero ? end + 1 : size;
    return MakeText(buffer + start, keep ? end - start : 0, true);
}

int SFileMem::Seek(int newPosition) {
    position = newPosition < 0 || newPosition > size ? size : newPosition;
    return position;
}

int SFileMem::GetPosition() { return position; }

// Grows or cuts the content keeping what stays; bytes added at the end are zeros, as a
// disk file extended by SetSize reads.
bool SFileMem::SetSize(int newSize) {
    if (newSize < 0) newSize = 0;
    const int oldSize = size;
    Reserve(newSize, true);
    if (size != newSize) return false;
    if (newSize > oldSize) memset(buffer + oldSize, 0, newSize - oldSize);
    return true;
}

int SFileMem::GetSize() { return size; }

int SFileMem::GetRemaining() { return size - position; }

bool SFileMem::IsEnd() { return position >= size; }

// Without a match the position stays where the search began.
int SFileMem::Find(const void* pattern, int length) {
    if (!pattern || length < 1 || length > size - position) return -1;
    const uint8_t* wanted = static_cast<const uint8_t*>(pattern);
    const uint8_t* last = buffer + size - length;  // the last place a match can start
    for (const uint8_t* at = buffer + position; at <= last; ++at) {
        at = static_cast<const uint8_t*>(memchr(at, wanted[0], last - at + 1));
        if (!at) break;
        if (memcmp(at, wanted, length) == 0) {
            const int found = static_cast<int>(at - buffer);
            position = found + length;
            return found;
        }
    }
    return -1;
}
