#include "argv_parser.h"
#include "syncercommand.h"
#include "code_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char SYNCER[] = "C:\\Program Files\\Tessil\\Tessil.exe";

std::string Build(int scriptMode, const char *name, const char *argument, uint32_t processId = 1234)
{
    char line[COMMAND_LINE_SIZE];
    EXPECT_EQ(0, BuildSyncerCommandLine(line, sizeof line, scriptMode, SYNCER, name, processId, argument));
    return line;
}

}  // namespace

TEST(BuildSyncerCommandLine, TheFourForms)
{
    EXPECT_EQ("\"C:\\Program Files\\Tessil\\Tessil.exe\" \"bob\" 1234", Build(0, "bob", nullptr));
    EXPECT_EQ("\"C:\\Program Files\\Tessil\\Tessil.exe\" \"bob\" 1234 \"x y\"", Build(0, "bob", "x y"));
    EXPECT_EQ("\\Python25\\python.exe TessilClient\\Tessil.py \"bob\" 1234", Build(1, "bob", nullptr));
    EXPECT_EQ("\\Python25\\python.exe TessilClient\\Tessil.py \"bob\" 1234 \"x y\"", Build(1, "bob", "x y"));
}

TEST(BuildSyncerCommandLine, EmptyArgumentKeepsItsQuotesAndIdIsUnsigned)
{
    EXPECT_EQ("\"C:\\Program Files\\Tessil\\Tessil.exe\" \"\" 4294967295 \"\"", Build(0, "", "", 0xFFFFFFFFu));
}

TEST(BuildSyncerCommandLine, LongestAcceptedPartsFit)
{
    std::string path(SYNCER_PATH_SIZE - 1, 'p');
    std::string name(MAX_REGISTERED_NAME_LENGTH, 'n');
    std::string argument(MAX_FIELD_LENGTH, 'a');
    char line[COMMAND_LINE_SIZE];
    ASSERT_EQ(0, BuildSyncerCommandLine(line, sizeof line, 0, path.c_str(), name.c_str(), 0xFFFFFFFFu,
                                        argument.c_str()));
    EXPECT_EQ(COMMAND_LINE_SIZE - 1, std::string(line).size());
}

TEST(BuildSyncerCommandLine, RefusesWhatDoesNotFitAndLeavesNoPartialLine)
{
    char line[24];
    EXPECT_EQ(-1, BuildSyncerCommandLine(line, sizeof line, 0, SYNCER, "bob", 1, nullptr));
    EXPECT_STREQ("", line);
    // The head fits exactly but the argument does not.
    char exact[sizeof "\\Python25\\python.exe TessilClient\\Tessil.py \"bob\" 1"];
    EXPECT_EQ(0, BuildSyncerCommandLine(exact, sizeof exact, 1, SYNCER, "bob", 1, nullptr));
    EXPECT_EQ(-1, BuildSyncerCommandLine(exact, sizeof exact, 1, SYNCER, "bob", 1, "a"));
    EXPECT_STREQ("", exact);
}

TEST(BuildSyncerPath, ReplacesTheDaemonFileName)
{
    char path[SYNCER_PATH_SIZE];
    ASSERT_EQ(0, BuildSyncerPath(path, "C:\\Program Files\\Tessil\\TessilCPHwnet64.exe"));
    EXPECT_STREQ(SYNCER, path);
    EXPECT_EQ(-1, BuildSyncerPath(path, "TessilCPH.exe"));
}

TEST(BuildSyncerPath, ShortDaemonNameInTheLongestDirectoryStillFits)
{
    // A 259-character module path whose file name is shorter than Tessil.exe.
    std::string module = "C:\\" + std::string(PATH_SIZE - 1 - 3 - 6, 'd') + "\\a.exe";
    ASSERT_EQ(PATH_SIZE - 1, module.size());
    char path[SYNCER_PATH_SIZE];
    ASSERT_EQ(0, BuildSyncerPath(path, module.c_str()));
    EXPECT_EQ(module.substr(0, module.size() - 5) + "Tessil.exe", path);
}

// Every name and argument that passes the quoting check must reach the syncer as exactly one argument
// each, whatever characters it holds, on a single-byte and on a double-byte code page; the refused ones are
// those that could not. 0x81 is a lead byte in the double-byte code pages.
TEST(BuildSyncerCommandLine, AcceptedPartsReachTheSyncerUnchanged)
{
    const std::string alphabet = "a\" \\\t\n\x81";
    std::vector<std::string> parts = {""};
    for (size_t length = 1, first = 0; length <= 4; ++length) {
        size_t last = parts.size();
        for (size_t i = first; i < last; ++i) {
            for (char c : alphabet)
                parts.push_back(parts[i] + c);
        }
        first = last;
    }

    for (int codePageNumber : {1252, 932}) {
        const AnsiCodePage codePage = DescribeCodePage(codePageNumber);
        size_t accepted = 0;
        for (const std::string &name : parts) {
            for (const std::string &argument : {std::string("x"), name, std::string("\\\\a b\\")}) {
                if (CheckQuoting(codePage, name.c_str(), argument.c_str()) != REGISTRATION_ACCEPTED)
                    continue;
                ++accepted;
                for (int scriptMode = 0; scriptMode <= 1; ++scriptMode) {
                    std::vector<std::string> seen = SplitWindowsCommandLine(
                        Build(scriptMode, name.c_str(), argument.c_str(), 77), codePage);
                    std::vector<std::string> expected = {scriptMode ? "\\Python25\\python.exe" : SYNCER};
                    if (scriptMode)
                        expected.push_back("TessilClient\\Tessil.py");
                    expected.insert(expected.end(), {name, "77", argument});
                    ASSERT_EQ(expected, seen) << "code page " << codePageNumber << " name [" << name
                                              << "] argument [" << argument << "]";
                }
            }
        }
        EXPECT_GT(accepted, 100u) << "code page " << codePageNumber;
    }
}
