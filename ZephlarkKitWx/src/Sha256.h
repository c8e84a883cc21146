#pragma once

// SHA-256 (FIPS 180-4), for telling whether a file on the device's data disk holds exactly the
// bytes an update checked: neither a security boundary nor fast, only small and exact.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256
{
public:
    using Digest = std::array<uint8_t, 32>;

    Sha256();
    void Add(const void* data, size_t size);
    // The digest of everything added. Adding more afterwards is not allowed.
    Digest Finish();

    // 64 lower-case hexadecimal digits.
    static std::string Hex(const Digest& digest);

private:
    void Compress(const uint8_t* block);

    std::array<uint32_t, 8> state;
    std::array<uint8_t, 64> block{};
    size_t blockUsed = 0;
    uint64_t totalBytes = 0;
};
