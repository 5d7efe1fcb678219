#include "sealer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string FromHex(const std::string &hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string Pattern(size_t size)
{
    std::string data(size, '\0');
    for (size_t i = 0; i < size; i++) {
        data[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    }
    return data;
}

// CPython's zipfile test archive: password "python", a stored entry, its 12-byte encryption header and
// data as one stream.
const char ZIPFILE_CIPHERTEXT[] = "fa10a0676c797cfa2dc5c03df97918e0a872b35a7d4c67bcaef97c9b19e48bbabb298cb0db6c";
const char ZIPFILE_HEADER[] = "fd1cf1f94e05f65749c8ef3f";
const char ZIPFILE_PLAINTEXT[] = "zipfile.py encryption test";

}  // namespace

TEST(Sealer, KeySchedule)
{
    EXPECT_EQ((std::array<uint32_t, 3>{0x12345678, 0x23456789, 0x34567890}), Sealer("").keys());
    EXPECT_EQ((std::array<uint32_t, 3>{0xdda9e469, 0x96212999, 0xf9fc9651}), Sealer("secret").keys());
    // The password ends at its first zero byte.
    EXPECT_EQ(Sealer("secret").keys(), Sealer("secret\0more").keys());
}

TEST(Sealer, KnownAnswerOfZipfileArchive)
{
    std::string plain = FromHex(ZIPFILE_HEADER) + ZIPFILE_PLAINTEXT;
    EXPECT_EQ(plain, Sealer("python").decrypt(FromHex(ZIPFILE_CIPHERTEXT)));
    EXPECT_EQ(FromHex(ZIPFILE_CIPHERTEXT), Sealer("python").encrypt(plain));
}

TEST(Sealer, EmptyDataLeavesKeys)
{
    Sealer sealer("secret");
    auto before = sealer.keys();
    EXPECT_EQ("", sealer.encrypt(""));
    EXPECT_EQ("", sealer.decrypt(""));
    EXPECT_EQ(before, sealer.keys());
}

TEST(Sealer, LengthKeptAndZeroBytesAreOrdinary)
{
    std::string zeros(1000, '\0');
    std::string sealed = Sealer("pw").encrypt(zeros);
    ASSERT_EQ(zeros.size(), sealed.size());
    EXPECT_NE(zeros, sealed);
    EXPECT_EQ(zeros, Sealer("pw").decrypt(sealed));
}

TEST(Sealer, OneRunningStreamHoweverCut)
{
    std::string data = Pattern(70000);
    std::string whole = Sealer("key").encrypt(data);
    const size_t cuts[] = {0, 1, 13, 4096, 65536, 69999};
    for (size_t cut : cuts) {
        Sealer split("key");
        std::string joined = split.encrypt(data.substr(0, cut));
        joined += split.encrypt(data.substr(cut));
        EXPECT_EQ(whole, joined) << "encrypt cut at " << cut;

        Sealer reader("key");
        std::string plain = reader.decrypt(whole.substr(0, cut));
        plain += reader.decrypt(whole.substr(cut));
        EXPECT_EQ(data, plain) << "decrypt cut at " << cut;
    }
}

TEST(Sealer, StateMovesOnAndIsNeverReset)
{
    std::string data = Pattern(64);
    Sealer sealer("key");
    std::string sealed = sealer.encrypt(data);
    EXPECT_NE(data, sealer.decrypt(sealed));
    EXPECT_NE(sealed, sealer.encrypt(data));
}

TEST(Sealer, WrongPasswordGivesOtherBytesOfSameLength)
{
    std::string data = Pattern(100);
    std::string plain = Sealer("wrong").decrypt(Sealer("right").encrypt(data));
    EXPECT_EQ(data.size(), plain.size());
    EXPECT_NE(data, plain);
}

TEST(Sealer, ObjectsAreIndependent)
{
    std::string data = Pattern(300);
    Sealer first("a");
    std::string firstHalf = first.encrypt(data.substr(0, 150));
    Sealer second("a");  // the table exists already; a second object starts from the password again
    EXPECT_EQ(Sealer("a").encrypt(data), second.encrypt(data));
    EXPECT_EQ(Sealer("a").encrypt(data), firstHalf + first.encrypt(data.substr(150)));
}
