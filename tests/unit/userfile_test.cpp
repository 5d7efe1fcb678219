#include "userfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

typedef std::unique_ptr<FILE, int (*)(FILE *)> File;

// A users file holding these bytes, open for update as the daemon opens it.
File UsersFile(const std::string &bytes)
{
    File file(std::tmpfile(), std::fclose);
    if (file) {
        std::fwrite(bytes.data(), 1, bytes.size(), file.get());
        std::rewind(file.get());
    }
    return file;
}

// The names the loader sees, and "TOO LONG" where it stops.
std::vector<std::string> Lines(FILE *file, bool *endsMidLine)
{
    std::vector<std::string> lines;
    char line[USER_LINE_BUFFER_SIZE];
    UserLineOutcome outcome;
    while ((outcome = ReadUserLine(file, line, endsMidLine)) == USER_LINE_READ)
        lines.push_back(line);
    if (outcome == USER_LINE_TOO_LONG)
        lines.push_back("TOO LONG");
    return lines;
}

}  // namespace

// Read in text mode, the file ended at byte 0x1A, and every user after it was lost. The rest is read as
// text mode read it: CR LF is a line feed, a lone CR belongs to the name.
TEST(ReadUserLine, NoByteEndsTheFileEarly)
{
    File file = UsersFile("x\x1a\r\nyuser\n\r\ncarol\r\r\nlone\rcr\r\nlast");
    ASSERT_TRUE(file);
    bool endsMidLine = false;
    EXPECT_EQ((std::vector<std::string>{"x\x1a", "yuser", "", "carol\r", "lone\rcr", "last"}),
              Lines(file.get(), &endsMidLine));
    EXPECT_TRUE(endsMidLine);
}

// 255 characters, the line feed included, stop the daemon; CR LF counts as one.
TEST(ReadUserLine, LineOf255CharactersIsTooLong)
{
    const std::string longest(253, 'l');
    bool endsMidLine = false;
    for (const char *ending : {"\r\n", "\n"}) {
        File loads = UsersFile(longest + ending + std::string(254, 'b'));
        File stops = UsersFile("first\r\n" + longest + "x" + ending + "never\r\n");
        ASSERT_TRUE(loads && stops);
        EXPECT_EQ((std::vector<std::string>{longest, std::string(254, 'b')}), Lines(loads.get(), &endsMidLine));
        EXPECT_EQ((std::vector<std::string>{"first", "TOO LONG"}), Lines(stops.get(), &endsMidLine));
    }
}

TEST(AppendUserLine, EndsEachLineInCrLfAndFirstTheUnfinishedLastOne)
{
    File file = UsersFile("alice\r\nbob");
    ASSERT_TRUE(file);
    bool endsMidLine = false;
    ASSERT_EQ((std::vector<std::string>{"alice", "bob"}), Lines(file.get(), &endsMidLine));
    EXPECT_EQ(0, AppendUserLine(file.get(), "carol", &endsMidLine));
    EXPECT_EQ(0, AppendUserLine(file.get(), "", &endsMidLine));
    std::rewind(file.get());
    char bytes[64] = {};
    EXPECT_EQ("alice\r\nbob\r\ncarol\r\n\r\n", std::string(bytes, std::fread(bytes, 1, sizeof bytes, file.get())));
}
