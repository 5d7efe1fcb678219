#include "sealer.h"

namespace {

const uint32_t CRC32_POLYNOMIAL = 0xEDB88320;  // reflected CRC-32
const int CRC_TABLE_SIZE = 256;
const int BITS_PER_BYTE = 8;

const uint32_t KEY0_INITIAL = 0x12345678;
const uint32_t KEY1_INITIAL = 0x23456789;
const uint32_t KEY2_INITIAL = 0x34567890;
const uint32_t KEY1_MULTIPLIER = 0x08088405;  // 134775813

// Filled at the first construction in the process and never freed. The filling is not guarded: every
// construction comes through the Python binding, which holds the interpreter lock.
uint32_t crcTableStorage[CRC_TABLE_SIZE];
bool crcTableBuilt = false;

void BuildCrcTable()
{
    for (uint32_t i = 0; i < CRC_TABLE_SIZE; i++) {
        uint32_t c = i;
        for (int bit = 0; bit < BITS_PER_BYTE; bit++) {
            c = (c & 1) ? (c >> 1) ^ CRC32_POLYNOMIAL : c >> 1;
        }
        crcTableStorage[i] = c;
    }
    crcTableBuilt = true;
}

// One CRC-32 step of the byte b into c.
inline uint32_t Crc32(const uint32_t *table, uint32_t c, uint8_t b)
{
    return (c >> 8) ^ table[(c ^ b) & 0xFF];
}

// Feeds one plaintext byte to the keys.
inline void UpdateKeys(const uint32_t *table, uint32_t &k0, uint32_t &k1, uint32_t &k2, uint8_t plain)
{
    k0 = Crc32(table, k0, plain);
    k1 = (k1 + (k0 & 0xFF)) * KEY1_MULTIPLIER + 1;
    k2 = Crc32(table, k2, static_cast<uint8_t>(k1 >> 24));
}

// The next keystream byte; reads key2 only.
inline uint8_t DecryptByte(uint32_t k2)
{
    uint32_t t = (k2 & 0xFFFD) | 2;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

}  // namespace

Sealer::Sealer(const char *password)
    : crcTable(nullptr), key0(KEY0_INITIAL), key1(KEY1_INITIAL), key2(KEY2_INITIAL)
{
    if (!crcTableBuilt) {
        BuildCrcTable();
    }
    crcTable = crcTableStorage;
    for (const char *p = password; *p != '\0'; p++) {
        UpdateKeys(crcTable, key0, key1, key2, static_cast<uint8_t>(*p));
    }
}

// Both directions work in place on the by-value argument, which is the working buffer and becomes the
// result: no allocation here, so a call that fails for memory fails before the keys move.
std::string Sealer::encrypt(std::string data)
{
    encryptInPlace(&data[0], data.size());
    return data;
}

std::string Sealer::decrypt(std::string data)
{
    decryptInPlace(&data[0], data.size());
    return data;
}

// The keys stay in locals for the loop: members would be reloaded after every byte stored through the
// buffer, which may alias them as far as the compiler knows.
void Sealer::encryptInPlace(char *bytes, size_t size)
{
    const uint32_t *table = crcTable;
    uint32_t k0 = key0, k1 = key1, k2 = key2;
    uint8_t *p = reinterpret_cast<uint8_t *>(bytes);
    for (size_t i = 0; i < size; i++) {
        uint8_t plain = p[i];
        uint8_t stream = DecryptByte(k2);
        UpdateKeys(table, k0, k1, k2, plain);
        p[i] = plain ^ stream;
    }
    key0 = k0, key1 = k1, key2 = k2;
}

void Sealer::decryptInPlace(char *bytes, size_t size)
{
    const uint32_t *table = crcTable;
    uint32_t k0 = key0, k1 = key1, k2 = key2;
    uint8_t *p = reinterpret_cast<uint8_t *>(bytes);
    for (size_t i = 0; i < size; i++) {
        uint8_t plain = p[i] ^ DecryptByte(k2);
        UpdateKeys(table, k0, k1, k2, plain);
        p[i] = plain;
    }
    key0 = k0, key1 = k1, key2 = k2;
}

std::array<uint32_t, 3> Sealer::keys() const
{
    return {key0, key1, key2};
}
