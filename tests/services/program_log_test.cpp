// The program log: file, history, header, modes, hand-overs and the fatal path.
#include "program_log.h"

#include "output_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using testsupport::kNewline;
using testsupport::ReadText;
using testsupport::TempFolder;

namespace {

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += kNewline;
    }
    return text;
}

std::tm SevenDecember2026At030509()
{
    std::tm t{};
    t.tm_mday = 7;
    t.tm_mon = 11;
    t.tm_year = 2026 - 1900;
    t.tm_hour = 3;
    t.tm_min = 5;
    t.tm_sec = 9;
    return t;
}

class RecordingView : public LogView {
public:
    void AppendLogText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

}  // namespace

TEST(ProgramLog, HistoryKeepsTheLast200LinesWhileTheFileKeepsAll)
{
    TempFolder dir;
    std::string path = dir / "Vandrel_Log.txt";
    {
        FileLogger log;
        log.SetFileName(path);
        for (int i = 0; i < 201; ++i)
            log.Log("line %i", i);
        std::vector<std::string> history = log.History();
        ASSERT_EQ(history.size(), 200u);
        EXPECT_EQ(history.front(), "line 1");
        EXPECT_EQ(history.back(), "line 200");
    }
    std::string file = ReadText(path);
    EXPECT_EQ(file.find(std::string("line 0") + kNewline), 0u);
    size_t count = 0;
    for (size_t at = file.find(kNewline); at != std::string::npos; at = file.find(kNewline, at + 1))
        ++count;
    EXPECT_EQ(count, 201u);
}

TEST(ProgramLog, LinesBeforeTheFileIsNamedReachOnlyTheHistory)
{
    TempFolder dir;
    std::string path = dir / "Vandrel_Log.txt";
    {
        FileLogger log;
        log.Log("before");
        log.SetFileName(path);
        log.Log("after");
        EXPECT_EQ(log.History(), (std::vector<std::string>{"before", "after"}));
    }
    EXPECT_EQ(ReadText(path), Lines({"after"}));
}

TEST(ProgramLog, StartWritesTheHeaderBetweenBlankLinesThenTheMode)
{
    TempFolder dir;
    std::string path = dir / "Vandrel_Log.txt";
    {
        FileLogger log;
        log.SetFileName(path);
        log.StartAt(SevenDecember2026At030509());
        log.CloseFile();
        log.SetMode(SyncEveryWrite);
        log.StartAt(SevenDecember2026At030509());
    }
    std::string header = std::string(kNewline) + "*** Application Started (Version 1.02) : 7/12/2026 3:5:9 ***" +
                         kNewline + kNewline;
    EXPECT_EQ(ReadText(path), header + Lines({"Logging Mode: Normal"}) + header + Lines({"Logging Mode: Sync every write"}));
}

TEST(ProgramLog, UnwritableFileLosesTheHeaderButLaterLinesReachTheHistory)
{
    TempFolder dir;
    std::string path = dir / "missing/Vandrel_Log.txt";
    FileLogger log;
    log.SetFileName(path);
    log.Start();
    EXPECT_TRUE(log.History().empty());
    log.Log("still shown");
    EXPECT_EQ(log.History(), std::vector<std::string>{"still shown"});
    EXPECT_FALSE(testsupport::Exists(path));
}

TEST(ProgramLog, SyncEveryWriteLeavesEachLineCompleteOnDisk)
{
    TempFolder dir;
    std::string path = dir / "Vandrel_Log.txt";
    FileLogger log;
    log.SetFileName(path);
    log.SetMode(SyncEveryWrite);
    log.Log("first");
    EXPECT_EQ(ReadText(path), Lines({"first"}));
    // Someone else may remove the file between lines: the next line opens it again.
    std::filesystem::remove(path);
    log.Log("second");
    EXPECT_EQ(ReadText(path), Lines({"second"}));
}

TEST(ProgramLog, LongLinesAreCutAt255Characters)
{
    FileLogger log;
    std::string longText(1000, 'x');
    log.Log("%s", longText.c_str());
    log.LogError("%s!", longText.c_str());
    std::vector<std::string> history = log.History();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0], std::string(255, 'x'));
    EXPECT_EQ(history[1], std::string(255, 'x'));
    EXPECT_EQ(strlen(log.FormatLine("%s", longText.c_str())), 255u);
}

TEST(ProgramLog, OpenLogViewGetsEachLineAfterCrLfAndAClosedOneNothing)
{
    FileLogger log;
    RecordingView view;
    log.Log("before");
    log.SetLogView(&view);
    log.Log("one %i", 1);
    log.SetLogView(nullptr);
    log.Log("after");
    EXPECT_EQ(view.texts, std::vector<std::string>{"\r\none 1"});
    log.ClearHistory();
    EXPECT_TRUE(log.History().empty());
}

TEST(ProgramLog, ObserverAndExtraFileSeeEveryLineInTheLogFormat)
{
    TempFolder dir;
    std::string extra = dir / "extra.txt";
    {
        FILE* f = fopen(extra.c_str(), "w");
        fputs("kept\n", f);
        fclose(f);
    }
    std::vector<std::string> seen;
    struct Observer : LogLineObserver {
        std::vector<std::string>* seen;
        void OnLogLine(const char* line) override { seen->push_back(line); }
    } observer;
    observer.seen = &seen;
    {
        FileLogger log;
        log.SetLineObserver(&observer);
        ASSERT_TRUE(log.SetExtraFile(extra));
        // No log file is named: the extra file alone still gets the header.
        log.StartAt(SevenDecember2026At030509());
        log.LogError("Failed To write: %s", "a");
        // Flushed line by line: complete before the logger goes.
        std::string header = std::string(kNewline) + "*** Application Started (Version 1.02) : 7/12/2026 3:5:9 ***" +
                             kNewline + kNewline;
        EXPECT_EQ(ReadText(extra), Lines({"kept"}) + header + Lines({"Logging Mode: Normal", "Failed To write: a"}));
    }
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2], "Failed To write: a");
    FileLogger other;
    EXPECT_FALSE(other.SetExtraFile(dir / "missing/extra.txt"));
}

TEST(ProgramLog, ConcurrentWritersNeverMixTheirLines)
{
    TempFolder dir;
    std::string path = dir / "Vandrel_Log.txt";
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    {
        FileLogger log;
        log.SetFileName(path);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&log, t] {
                for (int i = 0; i < kLines; ++i) {
                    if (i % 2)
                        log.Log("thread %i line %i end", t, i);
                    else
                        log.LogError("thread %i line %i end", t, i);
                }
            });
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(log.History().size(), kLogHistoryLines);
    }
    std::string file = ReadText(path);
    std::vector<int> next(kThreads, 0);
    size_t start = 0;
    int total = 0;
    for (size_t end = file.find(kNewline); end != std::string::npos; end = file.find(kNewline, start)) {
        int t = -1, i = -1;
        char tail[8] = {};
        std::string line = file.substr(start, end - start);
        ASSERT_EQ(sscanf(line.c_str(), "thread %d line %d %3s", &t, &i, tail), 3) << line;
        ASSERT_STREQ(tail, "end");
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(i, next[t]++);  // each thread's lines in its own order
        ++total;
        start = end + strlen(kNewline);
    }
    EXPECT_EQ(total, kThreads * kLines);
}

#ifndef _WIN32
// On Windows the line is shown in a system message box that waits for the user.
TEST(ProgramLogDeathTest, LogCriticalWritesTheLineAndEndsWithStatus1)
{
    TempFolder dir;
    std::string path = dir / "Vandrel_Log.txt";
    EXPECT_EXIT(
        {
            FileLogger log;
            log.SetFileName(path);
            log.Log("before");
            log.LogCritical("Can't find '%s'", "Kest_MFC_Util.dll");
        },
        testing::ExitedWithCode(1), "Kest_Ryn - Critical Error: Can't find 'Kest_MFC_Util.dll'");
    // Normal mode buffers the file; the fatal line must still be on disk.
    EXPECT_EQ(ReadText(path), Lines({"before", "Can't find 'Kest_MFC_Util.dll'"}));
}
#endif
