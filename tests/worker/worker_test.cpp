// The worker: queue order, the pipeline's messages in order, failures, output places and
// the job ends with their write counts. Every message is drained from the queue the
// worker posts to.
#include "ff_builder.h"
#include "ff_worker.h"
#include "message_queue.h"
#include "output_folder.h"
#include "output_test_support.h"
#include "worker_trace.h"

#include <gtest/gtest.h>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace std::chrono_literals;
using testsupport::Exists;
using testsupport::kSep;
using testsupport::ReadText;
using testsupport::TempFolder;

namespace {

class WorkerTest : public testing::Test {
protected:
    // The queue is declared first so that it outlives the worker thread.
    MessageQueue messages;
    KestFFWorker worker;
    TempFolder dir;
    testsupport::LogCapture log;

    void SetUp() override { worker.StartWorker(&messages); }

    // Drains messages until `jobs` jobs have ended (bounded wait).
    std::vector<std::string> Drain(int jobs)
    {
        std::vector<std::string> trace;
        while (jobs > 0) {
            PostedMessage message{};
            if (!messages.PopFor(message, 30s)) {
                ADD_FAILURE() << "worker went quiet";
                break;
            }
            trace.push_back(Describe(message));
            ReleasePostedMessage(message);
            if (IsJobEnd(trace.back()))
                --jobs;
        }
        return trace;
    }

    FFJob Archive(const std::string& name, const uint8_t version[4], const ffb::ZoneBuilder& zone, int32_t row)
    {
        std::string path = dir / name;
        EXPECT_TRUE(ffb::WriteFile(path, ffb::FastFile(version, zone.Build())));
        return MakeJob(path, row);
    }

    static ffb::ZoneBuilder SmallZone()
    {
        ffb::ZoneBuilder zone;
        zone.Strings({"mp_crash", "sun"}).AssetTypes({0x20, 0x21, 0x22}).Record(ffb::kGsc, "maps/dm.gsc", "main() {}");
        return zone;
    }

    static std::vector<std::string> SuccessTrace(int row, size_t zoneSize, int files, int strings, bool dump,
                                                 int writeErrors = 0)
    {
        auto r = [row](const std::string& rest) { return "row " + std::to_string(row) + " " + rest; };
        char size[32];
        snprintf(size, sizeof(size), "col 2 0x%x", unsigned(zoneSize));
        std::vector<std::string> trace = {"status Working.. ", r("col 1 ff95ff Decompressing"), "progress 5"};
        if (dump) {
            trace.push_back("progress 25");
            trace.push_back(r("col 1 38ffff Writing Dump File"));
        }
        for (const std::string& line :
             {r(size), std::string("progress 50"), r("col 1 38ebff Parsing Strings"), std::string("progress 60"),
              r("col 1 38ebff Parsing DataTypes"), r("col 3 " + std::to_string(files)),
              r("col 4 " + std::to_string(strings)), std::string("progress 70"), r("col 1 ff4fb5 Locating files"),
              std::string("progress 80"), r("col 1 ff4fb5 Writing Files"), std::string("progress 100"),
              r("col 1 00ff00 Done"), std::string("status Idle.."),
              "end row " + std::to_string(row) + " errors " + std::to_string(writeErrors) + " refused 0"})
            trace.push_back(line);
        return trace;
    }

    static std::vector<std::string> FailureTrace(int row, const std::string& status)
    {
        std::string r = "row " + std::to_string(row) + " ";
        return {"status Working.. ", r + "col 1 ff95ff Decompressing", "progress 5", "progress 0",
                r + "col 1 0000ff " + status, "status Idle..", "end " + r + "errors 0 refused 0"};
    }
};

}  // namespace

TEST_F(WorkerTest, SuccessfulJobReportsEveryStageInOrder)
{
    worker.AddJob(Archive("patch.ff", ffb::kVersion387, SmallZone(), 4));
    EXPECT_EQ(Drain(1), SuccessTrace(4, SmallZone().Build().size(), 3, 2, false));
    EXPECT_EQ(ReadText(dir / "patch/maps/dm.gsc"), "main() {}");
    EXPECT_FALSE(Exists(dir / "patch.ff.dump"));
    EXPECT_FALSE(Exists(dir / "patch/StringTable.txt"));
}

TEST_F(WorkerTest, DumpStageComesBetweenDecompressingAndTheSize)
{
    FFJob job = Archive("patch.ff", ffb::kVersion387, SmallZone(), 0);
    job.create_dump = 1;
    worker.AddJob(job);
    EXPECT_EQ(Drain(1), SuccessTrace(0, SmallZone().Build().size(), 3, 2, true));
    EXPECT_EQ(ffb::ReadFile(dir / "patch.ff.dump"), SmallZone().Build());
}

TEST_F(WorkerTest, WrongHeaderEndsAsCorruptInRed)
{
    std::string path = dir / "bad.ff";
    ASSERT_TRUE(ffb::WriteFile(path, ffb::FastFileWithHeader(ffb::ToBytes("IWffu101\x83\x01\0\0"), SmallZone().Build())));
    worker.AddJob(MakeJob(path, 2));
    EXPECT_EQ(Drain(1), FailureTrace(2, "Error: Corrupt or unsupported"));
    EXPECT_TRUE(log.Contains("(bad.ff) Error: FastFile is either corrupt or not a supported Version"));
}

TEST_F(WorkerTest, FileThatCannotBeOpenedAsksToCheckTheLog)
{
    worker.AddJob(MakeJob(dir / "missing.ff", 1));
    EXPECT_EQ(Drain(1), FailureTrace(1, "Error: Check Log"));
    EXPECT_TRUE(log.Contains("(missing.ff) Error: Can't Open File"));
    EXPECT_FALSE(Exists(dir / "missing"));
}

TEST_F(WorkerTest, NegativeRowIsDroppedWithoutAnyMessage)
{
    worker.AddJob(Archive("dropped.ff", ffb::kVersion387, SmallZone(), -1));
    worker.AddJob(Archive("patch.ff", ffb::kVersion387, SmallZone(), 7));
    EXPECT_EQ(Drain(1), SuccessTrace(7, SmallZone().Build().size(), 3, 2, false));
    EXPECT_FALSE(Exists(dir / "dropped"));
}

TEST_F(WorkerTest, JobsRunOneAfterAnotherInQueueOrder)
{
    // Every job is queued before the worker can take one: any other order shows every time.
    worker.StopWorker();
    // Different sizes, so that each job's reports can be told apart.
    std::vector<std::vector<std::string>> expected;
    for (int row = 0; row < 3; ++row) {
        ffb::ZoneBuilder zone = SmallZone();
        zone.Raw(std::string(size_t(row) * 100, 'p'));
        worker.AddJob(Archive("job" + std::to_string(row) + ".ff", ffb::kVersion387, zone, row));
        expected.push_back(SuccessTrace(row, zone.Build().size(), 3, 2, false));
    }
    worker.StartWorker(&messages);
    std::vector<std::string> all;
    for (auto& job : expected)
        all.insert(all.end(), job.begin(), job.end());
    EXPECT_EQ(Drain(3), all);
}

TEST_F(WorkerTest, Version5ShowsNoFilesOrStringsAndStillFinishes)
{
    worker.AddJob(Archive("old.ff", ffb::kVersion5, SmallZone(), 0));
    EXPECT_EQ(Drain(1), SuccessTrace(0, SmallZone().Build().size(), 0, 0, false));
}

TEST_F(WorkerTest, LocalDumpMovesTheFilesButNotTheDump)
{
    std::string name = "vandrel-worker-" + std::to_string(VANDREL_GETPID()) + ".ff";
    std::string outFolder = GetProgramFolder() + kSep + name.substr(0, name.size() - 3);
    FFJob job = Archive(name, ffb::kVersion387, SmallZone(), 0);
    job.LocalDump = 1;
    job.create_dump = 1;
    job.Inc_StringTable = 1;
    worker.AddJob(job);
    Drain(1);
    EXPECT_EQ(ReadText(outFolder + kSep + "maps" + kSep + "dm.gsc"), "main() {}");
    EXPECT_TRUE(Exists(outFolder + kSep + "StringTable.txt"));
    EXPECT_TRUE(Exists(dir / (name + ".dump")));
    EXPECT_FALSE(Exists(dir / name.substr(0, name.size() - 3)));
    std::filesystem::remove_all(outFolder);
}

TEST_F(WorkerTest, OutputRootTakesThePlaceOfTheArchiveFolder)
{
    TempFolder root;
    worker.StartWorker(&messages, root.Path() + kSep);  // a trailing separator is harmless
    FFJob job = Archive("patch.ff", ffb::kVersion387, SmallZone(), 0);
    job.create_dump = 1;
    worker.AddJob(job);
    Drain(1);
    EXPECT_EQ(ReadText(root / "patch/maps/dm.gsc"), "main() {}");
    EXPECT_TRUE(Exists(root / "patch/Refrenced_Sounds.txt"));
    EXPECT_FALSE(Exists(dir / "patch"));
    EXPECT_TRUE(Exists(dir / "patch.ff.dump"));
}

TEST_F(WorkerTest, FailedDumpIsLoggedAndTheJobGoesOn)
{
    FFJob job = Archive("patch.ff", ffb::kVersion387, SmallZone(), 0);
    job.create_dump = 1;
    std::filesystem::create_directories(dir / "patch.ff.dump");  // a folder in the way
    worker.AddJob(job);
    EXPECT_EQ(Drain(1), SuccessTrace(0, SmallZone().Build().size(), 3, 2, true, 1));
#ifdef _WIN32
    EXPECT_TRUE(log.Contains("Permissions Required to write: " + (dir / "patch.ff.dump")));
#else
    EXPECT_TRUE(log.Contains("Failed To write: " + (dir / "patch.ff.dump")));
#endif
    EXPECT_EQ(ReadText(dir / "patch/maps/dm.gsc"), "main() {}");
}

TEST_F(WorkerTest, EachJobEndCountsItsOwnWriteErrorsAndRefusals)
{
    ffb::ZoneBuilder lossy = SmallZone();
    lossy.Record(ffb::kGsc, "../escape.gsc", "refused").Record(ffb::kGsc, "maps/blocked.gsc", "lost");
    FFJob first = Archive("lossy.ff", ffb::kVersion387, lossy, 0);
    first.create_dump = 1;
    std::filesystem::create_directories(dir / "lossy/maps/blocked.gsc");  // folders in the way
    std::filesystem::create_directories(dir / "lossy.ff.dump");
    worker.AddJob(first);
    worker.AddJob(Archive("clean.ff", ffb::kVersion387, SmallZone(), 1));
    std::vector<std::string> ends;
    for (const std::string& line : Drain(2))
        if (IsJobEnd(line))
            ends.push_back(line);
    EXPECT_EQ(ends, (std::vector<std::string>{"end row 0 errors 2 refused 1", "end row 1 errors 0 refused 0"}));
    EXPECT_EQ(ReadText(dir / "lossy/maps/dm.gsc"), "main() {}");
}

// Result 5 with a reason that holds for every user: natively the job runs as an
// unprivileged user; under wine the archive is held open without sharing.
TEST(WorkerAccess, FastFileThatMayNotBeReadAsksToCheckTheLog)
{
    TempFolder dir;
    const std::string path = dir / "locked.ff";
    ASSERT_TRUE(ffb::WriteFile(path, ffb::FastFile(ffb::kVersion387, ffb::SampleZone(1, 1))));
#ifdef _WIN32
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
#else
    testsupport::OpenToOthers(dir.Path());
    std::filesystem::permissions(path, std::filesystem::perms::none);
#endif
    auto run = [&path] {
        testsupport::LogCapture log;
        MessageQueue messages;
        KestFFWorker worker;
        worker.StartWorker(&messages);
        worker.AddJob(MakeJob(path, 5));
        std::vector<std::string> trace;
        PostedMessage message{};
        while ((trace.empty() || !IsJobEnd(trace.back())) && messages.PopFor(message, 30s)) {
            trace.push_back(Describe(message));
            ReleasePostedMessage(message);
        }
        worker.StopWorker();
        const std::vector<std::string> expected = {"status Working.. ", "row 5 col 1 ff95ff Decompressing",
                                                   "progress 5", "progress 0", "row 5 col 1 0000ff Error: Check Log",
                                                   "status Idle..", "end row 5 errors 0 refused 0"};
        EXPECT_EQ(trace, expected);
        const bool logged =
            log.Contains("(locked.ff) Error: File Handel failed due to permissions, please run program as admin");
        EXPECT_TRUE(logged);
        return trace == expected && logged;
    };
#ifdef _WIN32
    run();
    CloseHandle(holder);
#else
    EXPECT_TRUE(testsupport::RunUnprivileged(run));
#endif
}

#ifdef _WIN32
TEST(WindowMessageTarget, TheWorkerPostsToTheWindowsOwnQueue)
{
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    WindowMessageTarget noWindow;
    EXPECT_FALSE(noWindow.Post(WM_KEST_PROGRESS, 0, 5));

    TempFolder dir;
    std::vector<std::string> trace;
    {
        KestFFWorker worker;
        worker.StartWorker(window);
        worker.AddJob(MakeJob(dir / "missing.ff", 3));
        const DWORD deadline = GetTickCount() + 30000;
        while (GetTickCount() < deadline && (trace.empty() || trace.back() != "status Idle..")) {
            MSG msg;
            if (!PeekMessageA(&msg, window, WM_KEST_PROGRESS, WM_KEST_ROWUPDATE, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
                continue;
            }
            PostedMessage message{msg.message, msg.wParam, msg.lParam};
            trace.push_back(Describe(message));
            ReleasePostedMessage(message);
        }
    }
    DestroyWindow(window);
    EXPECT_EQ(trace, (std::vector<std::string>{"status Working.. ", "row 3 col 1 ff95ff Decompressing", "progress 5",
                                               "progress 0", "row 3 col 1 0000ff Error: Check Log",
                                               "status Idle.."}));
}
#endif
