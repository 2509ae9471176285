#pragma once
// Archive bytes made by hand, field by field: the malformed and hostile archives that our own
// writer never produces.
#include <zlib.h>

#include <cstdint>
#include <string>

class ArchiveBytes {
public:
    explicit ArchiveBytes(uint32_t flag = 1) : bytes("SRES" + Le(flag)) {}

    ArchiveBytes& Entry(const std::string& name, const std::string& payload) {  // as it stands
        bytes += Le(static_cast<uint32_t>(payload.size())) + name + std::string(1, '\0') + payload;
        return *this;
    }
    // An entry whose payload is the block stream of content, as the writer makes it.
    ArchiveBytes& Compressed(const std::string& name, const std::string& content) {
        return Entry(name, content.empty() ? std::string() : BlockStream(content));
    }
    ArchiveBytes& End() {
        bytes += Le(0xFFFFFFFF);
        return *this;
    }
    const std::string& Bytes() const { return bytes; }

    // The block stream of content: count, then per block of 100000 bytes R, K and data.
    static std::string BlockStream(const std::string& content) {
        const size_t blockSize = 100000;
        std::string stream =
            Le(static_cast<uint32_t>((content.size() + blockSize - 1) / blockSize));
        for (size_t p = 0; p < content.size(); p += blockSize) {
            const size_t raw = content.size() - p < blockSize ? content.size() - p : blockSize;
            std::string packed(compressBound(raw), '\0');
            uLongf length = packed.size();
            compress(reinterpret_cast<Bytef*>(&packed[0]), &length,
                     reinterpret_cast<const Bytef*>(content.data() + p), raw);
            packed.resize(length);
            stream += Le(static_cast<uint32_t>(raw)) + Le(static_cast<uint32_t>(length)) + packed;
        }
        return stream;
    }
    static std::string Le(uint32_t value) {
        std::string field(4, '\0');
        for (int i = 0; i < 4; ++i) field[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return field;
    }

private:
    std::string bytes;
};
