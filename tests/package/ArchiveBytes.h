#pragma once
// Builds archive bytes by hand, field by field, so that tests can make the malformed and
// hostile archives that our own writer never produces.
#include <cstdint>
#include <string>

class ArchiveBytes {
public:
    explicit ArchiveBytes(uint32_t flag = 1);

    // An entry whose payload is given as it stands.
    ArchiveBytes& Entry(const std::string& name, const std::string& payload);
    // An entry whose payload is the block stream of content, as the writer makes it.
    ArchiveBytes& Compressed(const std::string& name, const std::string& content);
    ArchiveBytes& End();

    const std::string& Bytes() const { return bytes; }

    // The block stream of content: count, then per block of 100000 bytes R, K and data.
    static std::string BlockStream(const std::string& content);
    static std::string Le(uint32_t value);

private:
    std::string bytes;
};
