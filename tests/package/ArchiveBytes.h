#pragma once
// Archive bytes made field by field with zlib's own compress(): the independent construction
// of what the writer makes, and the malformed and hostile archives it never makes.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>

class ArchiveBytes {
public:
    explicit ArchiveBytes(uint32_t flag = 1) : bytes("SRES" + Le(flag)) {}
    ArchiveBytes& Entry(const std::string& name, const std::string& payload) {  // as it stands
        bytes += Le(static_cast<uint32_t>(payload.size())) + name + std::string(1, '\0') + payload;
        return *this;
    }
    ArchiveBytes& Compressed(const std::string& name, const std::string& content) {
        return Entry(name, content.empty() ? std::string() : BlockStream(content));
    }
    ArchiveBytes& End() { return bytes += Le(0xFFFFFFFF), *this; }
    const std::string& Bytes() const { return bytes; }

    // The block stream of content: count, then per block of 100000 bytes R, K and data.
    static std::string BlockStream(const std::string& content) {
        std::string stream = Le(static_cast<uint32_t>((content.size() + 99999) / 100000));
        for (size_t p = 0; p < content.size(); p += 100000) {
            const uLong raw = static_cast<uLong>(std::min<size_t>(content.size() - p, 100000));
            std::string packed(compressBound(raw), '\0');
            uLongf length = packed.size();
            compress(reinterpret_cast<Bytef*>(&packed[0]), &length,
                     reinterpret_cast<const Bytef*>(content.data() + p), raw);
            stream += Le(raw) + Le(static_cast<uint32_t>(length)) + packed.substr(0, length);
        }
        return stream;
    }
    static std::string Le(uint32_t value) {
        return {static_cast<char>(value), static_cast<char>(value >> 8),
                static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    }

private:
    std::string bytes;
};
