#include "userfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// A users file with the given bytes, open for update as the daemon opens it.
struct UsersFile {
    FILE *file = std::tmpfile();

    explicit UsersFile(const std::string &bytes)
    {
        if (file) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::rewind(file);
        }
    }
    ~UsersFile()
    {
        if (file)
            std::fclose(file);
    }

    std::string Bytes()
    {
        std::string bytes;
        std::rewind(file);
        for (int c; (c = std::getc(file)) != EOF;)
            bytes += static_cast<char>(c);
        return bytes;
    }
};

// The names the loader sees, and then "TOO LONG" if it stops there.
std::vector<std::string> Lines(UsersFile &users, bool *endsMidLine)
{
    std::vector<std::string> lines;
    char line[USER_LINE_BUFFER_SIZE];
    UserLineOutcome outcome;
    while ((outcome = ReadUserLine(users.file, line, endsMidLine)) == USER_LINE_READ)
        lines.push_back(line);
    if (outcome == USER_LINE_TOO_LONG)
        lines.push_back("TOO LONG");
    return lines;
}

}  // namespace

// An earlier version read the file in text mode, where byte 0x1A ends it: every user after it was lost.
TEST(ReadUserLine, NoByteEndsTheFileEarly)
{
    UsersFile users("x\x1a\r\nyuser\r\n\x1a\r\nlast");
    ASSERT_TRUE(users.file);
    bool endsMidLine = false;
    EXPECT_EQ((std::vector<std::string>{"x\x1a", "yuser", "\x1a", "last"}), Lines(users, &endsMidLine));
    EXPECT_TRUE(endsMidLine);
}

TEST(ReadUserLine, ReadsLinesAsTextModeDid)
{
    UsersFile users("alice\r\nbob\n\r\ncarol\r\r\nlone\rcr\r\n");
    ASSERT_TRUE(users.file);
    bool endsMidLine = true;
    EXPECT_EQ((std::vector<std::string>{"alice", "bob", "", "carol\r", "lone\rcr"}), Lines(users, &endsMidLine));
    EXPECT_FALSE(endsMidLine);
}

// 255 characters, the line feed included, stop the daemon; CR LF counts as one character.
TEST(ReadUserLine, LineOf255CharactersIsTooLong)
{
    const std::string longest(253, 'l');
    for (const char *ending : {"\r\n", "\n"}) {
        UsersFile loads(longest + ending + std::string(254, 'b'));
        ASSERT_TRUE(loads.file);
        bool endsMidLine = false;
        EXPECT_EQ((std::vector<std::string>{longest, std::string(254, 'b')}), Lines(loads, &endsMidLine));

        UsersFile stops("first\r\n" + longest + "x" + ending + "never\r\n");
        ASSERT_TRUE(stops.file);
        EXPECT_EQ((std::vector<std::string>{"first", "TOO LONG"}), Lines(stops, &endsMidLine));
    }
    UsersFile lastLine(std::string(255, 'x'));
    ASSERT_TRUE(lastLine.file);
    bool endsMidLine = false;
    EXPECT_EQ((std::vector<std::string>{"TOO LONG"}), Lines(lastLine, &endsMidLine));
}

TEST(AppendUserLine, EndsEachLineInCrLfAndFirstTheUnfinishedLastOne)
{
    UsersFile users("alice\r\nbob");
    ASSERT_TRUE(users.file);
    bool endsMidLine = false;
    ASSERT_EQ((std::vector<std::string>{"alice", "bob"}), Lines(users, &endsMidLine));
    ASSERT_TRUE(endsMidLine);
    EXPECT_EQ(0, AppendUserLine(users.file, "carol", &endsMidLine));
    EXPECT_FALSE(endsMidLine);
    EXPECT_EQ(0, AppendUserLine(users.file, "", &endsMidLine));
    EXPECT_EQ("alice\r\nbob\r\ncarol\r\n\r\n", users.Bytes());
}
