// LogMessage against a real file under Wine. The first message fixes the log file for the process, so
// every test here writes to the one log set up for the suite.

#include "log.h"
#include "settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// Lines of the file after `skip` bytes, split at CR LF.
std::vector<std::string> LinesAfter(const std::string &content, size_t skip)
{
    std::vector<std::string> lines;
    for (size_t start = skip, end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(content.substr(start, end - start));
    return lines;
}

const std::regex LINE_PREFIX(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\t:)");

class LogFile : public ::testing::Test {
protected:
    static std::string directory, logPath;

    static void SetUpTestSuite()
    {
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
        // Process ids repeat across runs in a lasting Wine prefix; with the start time the name does not.
        directory = std::string(temp) + "tessil-log-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount()) + "\\";
        ASSERT_TRUE(CreateDirectoryA(directory.c_str(), NULL)) << GetLastError();
        ASSERT_TRUE(CreateDirectoryA((directory + "logs").c_str(), NULL)) << GetLastError();
        logPath = directory + "logs\\TessilCPH.log";
        std::ofstream(logPath, std::ios::binary) << "kept from an earlier run\r\n";
        snprintf(dataDirectory, sizeof dataDirectory, "\\\\.\\%s", directory.c_str());
        quiet = 1;
    }
};

std::string LogFile::directory, LogFile::logPath;

TEST_F(LogFile, AppendsPrefixedLinesToTheExistingFile)
{
    size_t before = ReadFile(logPath).size();
    const wchar_t volume[] = L"\\\\?\\Volume{00000000-0000-0000-0000-000000000043}\\";
    LogMessage("Snapshot creation failed for %S.\n", volume);
    LogMessage("Status %d %x.\n", 2, 0x80004001u);
    LogMessage("no line feed ");
    LogMessage("runs on.\n");

    std::string content = ReadFile(logPath);
    EXPECT_EQ(0u, content.find("kept from an earlier run\r\n"));
    std::vector<std::string> lines = LinesAfter(content, before);
    ASSERT_EQ(3u, lines.size()) << content;
    EXPECT_TRUE(std::regex_search(lines[0], LINE_PREFIX)) << lines[0];
    EXPECT_EQ("Snapshot creation failed for \\\\?\\Volume{00000000-0000-0000-0000-000000000043}\\.",
              lines[0].substr(21));
    EXPECT_EQ("Status 2 80004001.", lines[1].substr(21));
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(.{21}no line feed .{21}runs on\.)"))) << lines[2];
}

TEST_F(LogFile, LinesOfConcurrentCallersStayWhole)
{
    const int threads = 8, linesEach = 250;
    size_t before = ReadFile(logPath).size();
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < linesEach; ++i)
                LogMessage("writer %d line %d %s.\n", t, i, "padding-padding-padding-padding-padding");
        });
    }
    for (std::thread &writer : writers)
        writer.join();

    std::vector<std::string> lines = LinesAfter(ReadFile(logPath), before);
    ASSERT_EQ(size_t(threads * linesEach), lines.size());
    std::set<std::string> messages;
    for (const std::string &line : lines) {
        ASSERT_TRUE(std::regex_search(line, LINE_PREFIX)) << line;
        messages.insert(line.substr(21));
    }
    EXPECT_EQ(size_t(threads * linesEach), messages.size());
    EXPECT_EQ(1u, messages.count("writer 7 line 249 padding-padding-padding-padding-padding."));
}

}  // namespace
