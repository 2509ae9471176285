#pragma once
// Deterministic test data: the same seed gives the same numbers and bytes on every run and
// on both builds, so that a failure can be replayed.
#include <cstddef>
#include <cstdint>
#include <string>

class TestRandom {
public:
    explicit TestRandom(uint32_t seed) : state(seed * 2654435761u + 1) {}

    // A number in [0, range); range must be at least 1.
    uint32_t Next(uint32_t range) { return Step() % range; }

    // Bytes that do not compress: an archive grows by about as much as they take.
    std::string Noise(size_t size) {
        std::string bytes(size, '\0');
        for (char& byte : bytes) byte = static_cast<char>(Step() >> 8);
        return bytes;
    }

    // Bytes that compress, but not to nothing, like real files: mostly a small alphabet.
    std::string Text(size_t size) {
        std::string text(size, '\0');
        for (char& c : text) {
            const uint32_t r = Step();
            c = r % 4 == 0 ? static_cast<char>(r >> 8) : "abcdefgh xyz\r\n"[(r >> 4) % 14];
        }
        return text;
    }

private:
    // The high half of a linear congruential step: its low bits repeat too soon.
    uint32_t Step() {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    }

    uint32_t state;
};
