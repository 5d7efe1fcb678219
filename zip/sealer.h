#pragma once

#include <array>
#include <cstdint>
#include <string>

// Traditional PKWARE ZIP encryption (APPNOTE 6.1) as one running keystream per object: every encrypt or
// decrypt call continues where the previous call on the same object stopped. Bytes only: no 12-byte
// encryption header, no check byte, no CRC; the output is exactly as long as the input.
class Sealer {
public:
    // The password ends at its first zero byte; an empty password keeps the initial keys.
    explicit Sealer(const char *password);

    std::string encrypt(std::string data);
    std::string decrypt(std::string data);

    // The same on a caller's buffer, which is overwritten with the result.
    void encryptInPlace(char *bytes, size_t size);
    void decryptInPlace(char *bytes, size_t size);

    // key0, key1 and key2, for checking the key schedule.
    std::array<uint32_t, 3> keys() const;

private:
    const uint32_t *crcTable;
    uint32_t key0;
    uint32_t key1;
    uint32_t key2;
};
