// The worker's life: start, the prompt stop in the middle of a large archive, and jobs
// that throw, which end as failures while the worker goes on; and a browse session
// stopped while it loads.
#include "browse_session.h"
#include "ff_builder.h"
#include "engine_work.h"
#include "fastfile_load.h"
#include "ff_worker.h"
#include "message_queue.h"
#include "output_test_support.h"
#include "worker_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iostream>
#include <stdexcept>
#include <thread>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace std::chrono_literals;
using testsupport::Exists;
using testsupport::ReadText;
using testsupport::TempFolder;

namespace {

std::vector<std::string> DrainAll(MessageQueue& messages)
{
    std::vector<std::string> trace;
    PostedMessage message{};
    while (messages.TryPop(message)) {
        trace.push_back(Describe(message));
        ReleasePostedMessage(message);
    }
    return trace;
}

// Drains until the line of a message is `last` (bounded wait).
std::vector<std::string> DrainUntil(MessageQueue& messages, const std::function<bool(const std::string&)>& last)
{
    std::vector<std::string> trace;
    PostedMessage message{};
    while (messages.PopFor(message, 30s)) {
        trace.push_back(Describe(message));
        ReleasePostedMessage(message);
        if (last(trace.back()))
            return trace;
    }
    ADD_FAILURE() << "worker went quiet";
    return trace;
}

// Drains until `jobs` jobs have ended.
std::vector<std::string> DrainJobs(MessageQueue& messages, int jobs)
{
    return DrainUntil(messages, [&jobs](const std::string& line) { return (jobs -= IsJobEnd(line)) == 0; });
}

}  // namespace

TEST(WorkerLifecycle, StartIsLoggedAndAnIdleWorkerStopsAtOnce)
{
    testsupport::LogCapture log;
    MessageQueue messages;
    {
        KestFFWorker worker;
        worker.StartWorker(&messages);
        EXPECT_TRUE(log.Contains("Background FastFile Worker started"));
        worker.StopWorker();
        worker.StopWorker();  // a second stop is harmless
        worker.StartWorker(&messages);  // and the worker can be started again
    }  // the destructor stops the idle worker; a hang here fails by time-out
    EXPECT_TRUE(DrainAll(messages).empty());
}

// A large archive, stopped while its files are written: every file on disk is whole, no entry after the stop is written, nor the sound list, nothing
// is reported after the stop, and the queued job is dropped for good.
TEST(WorkerLifecycle, StopEndsTheJobUnderWayAtTheNextEntryAndDropsTheRest)
{
    constexpr int kEntries = 20000;
    constexpr int kListedEvery = 10;  // every tenth entry is a referenced sound without data
    auto name = [](int i) {
        char text[32];
        snprintf(text, sizeof text, "f%02d/%05d", i / 1000, i);
        return std::string(text);
    };
    auto content = [](int i) {
        std::string text;
        for (int k = 0; k < 16; ++k)
            text += "entry " + std::to_string(i) + "\n";
        return text;
    };
    auto listed = [](int i) { return i % kListedEvery == kListedEvery - 1; };

    ffb::ZoneBuilder zone;
    zone.Strings({"big"});
    for (int i = 0; i < kEntries; ++i) {
        if (listed(i))
            zone.SoundBWithLength(name(i) + ".wav", 0, "");
        else
            zone.Record(ffb::kGsc, name(i) + ".gsc", content(i));
    }
    TempFolder dir;
    const std::string big = dir / "big.ff";
    ASSERT_TRUE(ffb::WriteFile(big, ffb::FastFile(ffb::kVersion387, zone.Build())));
    const std::string later = dir / "later.ff";
    ASSERT_TRUE(ffb::WriteFile(later, ffb::FastFile(ffb::kVersion387, ffb::SampleZone(2, 1))));
    auto file = [&dir, &name](int i) { return dir / ("big/" + name(i) + ".gsc"); };

    MessageQueue messages;
    KestFFWorker worker;
    worker.StartWorker(&messages);
    FFJob job = MakeJob(big, 0);
    job.Inc_StringTable = 1;
    worker.AddJob(job);
    worker.AddJob(MakeJob(later, 1));

    // Stop once the writing is well under way.
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    while (!Exists(file(100)) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(Exists(file(100))) << "the job never reached its files";
    worker.StopWorker();

    int firstMissing = kEntries;
    std::vector<int> strays;
    std::vector<int> broken;
    for (int i = 0; i < kEntries; ++i) {
        if (listed(i))
            continue;
        if (!Exists(file(i))) {
            firstMissing = std::min(firstMissing, i);
        } else if (i > firstMissing) {
            strays.push_back(i);
        } else if (ReadText(file(i)) != content(i)) {
            broken.push_back(i);
        }
    }
    std::cout << firstMissing << " of " << kEntries << " entries were done\n";
    EXPECT_LT(firstMissing, kEntries) << "the job ran to its end";
    EXPECT_TRUE(strays.empty()) << strays.size() << " entries after the stop were written, first " << strays[0];
    EXPECT_TRUE(broken.empty()) << broken.size() << " files are not whole, first " << broken[0];

    // A list of the sounds met before the stop would replace a whole one: neither list is written.
    EXPECT_FALSE(Exists(dir / "big/Refrenced_Sounds.txt"));
    EXPECT_FALSE(Exists(dir / "big/StringTable.txt"));
    EXPECT_FALSE(Exists(dir / "later"));

    const std::vector<std::string> trace = DrainAll(messages);
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), "row 0 col 1 ff4fb5 Writing Files") << "nothing is reported after the stop";

    // Started again, the worker takes only what is queued from then on.
    worker.StartWorker(&messages);
    worker.AddJob(MakeJob(later, 2));
    const std::vector<std::string> again = DrainJobs(messages, 1);
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(again.back(), "end row 2 errors 0 refused 0");
    EXPECT_EQ(std::count_if(again.begin(), again.end(), [](const std::string& line) { return line.find("row 1 ") == 0; }), 0);
}

// A stop that comes while a large archive is loaded or its .dump written ends that stage
// where it is: from the moment the stop is asked for, no more than one slice of the stage
// (kStopCheckBytes inflated or written) is done, the stage never finishes, nothing more
// is reported, and no .dump is left behind.
TEST(WorkerLifecycle, AStopDuringTheLoadOrTheDumpEndsThatStageAtOnce)
{
    TempFolder dir;
    const std::string big = dir / "big.ff";
    const std::string dump = big + ".dump";
    // Zeros: cheap to make, and the slowest to inflate for the body's size.
    const ffb::Bytes zone = ffb::ZoneBuilder().Strings({"big"}).Raw(std::string(160 << 20, '\0')).Build();
    const uint64_t zoneBytes = zone.size();
    ASSERT_TRUE(ffb::WriteFile(big, ffb::FastFile(ffb::kVersion387, zone)));

    const std::string decompressing = "row 0 col 1 ff95ff Decompressing";
    const std::string dumping = "row 0 col 1 38ffff Writing Dump File";
    const struct {
        const char* what;
        bool dump;
        const std::string& stage;  // the stage's report
        uint64_t inflated;         // then this much of the zone inflated
        uint64_t dumped;           // and this much of it written to the .dump
    } cases[] = {
        {"early in the inflation", false, decompressing, 1, 0},
        {"half way through the zone", false, decompressing, zoneBytes / 2, 0},
        {"while the .dump is written", true, dumping, zoneBytes, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::LogCapture log;
        MessageQueue messages;
        KestFFWorker worker;
        worker.StartWorker(&messages);
        FFJob job = MakeJob(big, 0);
        job.create_dump = c.dump;
        const EngineWork start = EngineWorkDone();
        auto inflated = [&start] { return EngineWorkDone().inflated - start.inflated; };
        auto dumped = [&start] { return EngineWorkDone().dumped - start.dumped; };
        worker.AddJob(job);
        DrainUntil(messages, [&](const std::string& line) { return line == c.stage; });
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while ((inflated() < c.inflated || dumped() < c.dumped) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_TRUE(inflated() >= c.inflated && dumped() >= c.dumped) << "the stage never got there";

        worker.RequestStop();
        const EngineWork asked = EngineWorkDone();
        worker.StopWorker();
        const EngineWork stopped = EngineWorkDone();

        std::cout << c.what << ": " << (asked.inflated - start.inflated) / 1024 << " KB inflated and "
                  << (asked.dumped - start.dumped) / 1024 << " KB dumped when the stop was asked for\n";
        EXPECT_LE(stopped.inflated - asked.inflated, uint64_t(kStopCheckBytes)) << "the load ran on after the stop";
        EXPECT_LE(stopped.dumped - asked.dumped, uint64_t(kStopCheckBytes)) << "the .dump ran on after the stop";
        EXPECT_LT(c.dump ? dumped() : inflated(), zoneBytes) << "the stage ran to its end";
        // The load's report is followed by its progress, 5; nothing comes after the stop.
        const std::vector<std::string> rest = DrainAll(messages);
        EXPECT_EQ(std::count(rest.begin(), rest.end(), "progress 5"), long(rest.size())) << "reported: " << rest.back();
        EXPECT_FALSE(Exists(dump));
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"Background FastFile Worker started"}) << "a stop is no failure";
    }
}

// A browse session closed while it loads its archive ends the load within megabytes:
// what it has inflated once the stop is done stays far below the zone, the load is
// reported as stopped, and nothing is posted.
TEST(WorkerLifecycle, ABrowseSessionStoppedWhileItLoadsEndsTheLoadAtOnce)
{
    constexpr size_t kZone = size_t(64) << 20;
    TempFolder dir;
    const std::string big = dir / "big.ff";
    ASSERT_TRUE(ffb::WriteFile(
        big, ffb::FastFile(ffb::kVersion387, ffb::ZoneBuilder().Strings({"big"}).Raw(std::string(kZone, '\0')).Build())));
    MessageQueue messages;
    const uint64_t before = EngineWorkDone().inflated;
    auto inflated = [before] { return EngineWorkDone().inflated - before; };
    BrowseSession session(messages, big, false);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (inflated() < (kZone >> 4) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_GE(inflated(), kZone >> 4) << "the load never got under way";

    session.Stop();
    EXPECT_LT(inflated(), kZone / 2) << "the load went on after the stop";
    EXPECT_EQ(kResultStopped, session.LoadResult());
    EXPECT_EQ(DrainAll(messages), std::vector<std::string>{}) << "a stopped session reports nothing";
}

#ifndef _WIN32
namespace {

// Runs body in a child process that may map only `room` bytes more than it has mapped
// now, as in a 32-bit program's address space. A sanitizer reserves terabytes at its
// start, so that no limit fits: there body runs here, without one.
bool RunWithRoom(size_t room, const std::function<bool()>& body)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    (void)room;
    return body();
#else
    return testsupport::RunInChild(
        [room] {
            std::ifstream statm("/proc/self/statm");
            size_t pages = 0;
            rlimit limit{};
            if (!(statm >> pages) || getrlimit(RLIMIT_AS, &limit) != 0)
                return false;
            limit.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + rlim_t(room);
            return setrlimit(RLIMIT_AS, &limit) == 0;
        },
        body);
#endif
}

// Runs the two FastFiles as two jobs, one after the other; true when both end "Done".
bool BothJobsEndDone(const std::string& first, const std::string& second)
{
    MessageQueue messages;
    KestFFWorker worker;
    worker.StartWorker(&messages);
    worker.AddJob(MakeJob(first, 0));
    worker.AddJob(MakeJob(second, 1));
    const std::vector<std::string> trace = DrainJobs(messages, 2);
    worker.StopWorker();
    std::string status[2];  // each job's last
    for (const std::string& line : trace)
        for (int row : {0, 1})
            if (line.compare(0, 12, "row " + std::to_string(row) + " col 1 ") == 0)
                status[row] = line;
    const bool done = status[0] == "row 0 col 1 00ff00 Done" && status[1] == "row 1 col 1 00ff00 Done";
    EXPECT_TRUE(done) << status[0] << "; " << status[1];
    return done;
}

}  // namespace

// What a script of one job made the worker allocate is not kept from the jobs after it,
// and what a script states does not decide what is allocated: in a process that has room
// for little more than a 256 MB zone, such a job is followed by one with that zone, and
// both end "Done".
TEST(WorkerLifecycle, AHugeScriptLeavesTheMemoryToTheJobsAfterIt)
{
    constexpr size_t kBigZone = size_t(256) << 20;
    constexpr size_t kRoom = kBigZone + (size_t(160) << 20);
    TempFolder dir;
    const std::string big = dir / "big.ff";
    ASSERT_TRUE(ffb::WriteFile(
        big, ffb::FastFile(ffb::kVersion387, ffb::ZoneBuilder().Strings({"big"}).Raw(std::string(kBigZone, '\0')).Build())));

    const std::string few = "main() { a script of a few bytes; }";
    const struct {
        const char* what;
        std::string script;
        int64_t statedLength, statedCompressed;  // as in the script's header; -1: the true ones
        size_t after;                            // zone bytes that follow the script
    } cases[] = {
        {"a script that states 200 MB and a compressed length over the rest of the zone", few, 200 << 20,
         0xFFFFFFFFu, size_t(1) << 20},
        {"a script that states 2 GB and a compressed length over the rest of the zone", few, 0x7FFFFFFF,
         0xFFFFFFFFu, size_t(1) << 20},
        {"a script that inflates to 200 MB", std::string(size_t(200) << 20, 's'), -1, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string first = dir / "first.ff";
        ffb::ZoneBuilder zone;
        zone.CompressedScript("maps/huge.gsc", c.script, c.statedLength, c.statedCompressed).Raw(std::string(c.after, 'z'));
        ASSERT_TRUE(ffb::WriteFile(first, ffb::FastFile(ffb::kOtherVersion, zone.Build())));
        EXPECT_TRUE(RunWithRoom(kRoom, [&] { return BothJobsEndDone(first, big); }));
        std::error_code missing;
        EXPECT_EQ(std::filesystem::file_size(dir / "first/maps/huge.gsc", missing), c.script.size() - 1)
            << "the script's file is not its inflated bytes less the last one";
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// A script whose inflated bytes cannot be had in so little room: no file is made, and the
// job counts and logs it as a file that cannot be written; so does a browse window's
// extraction of it, and its preview says it cannot be had.
TEST(WorkerLifecycle, AScriptWithoutRoomToInflateIsALostFile)
{
    TempFolder dir;
    ffb::ZoneBuilder zone;
    zone.CompressedScript("maps/huge.gsc", std::string(size_t(96) << 20, 's')).CompressedScript("small.gsc", "tiny!");
    ASSERT_TRUE(ffb::WriteFile(dir / "first.ff", ffb::FastFile(ffb::kOtherVersion, zone.Build())));
    const std::string lost = dir / "first/maps/huge.gsc";
    const std::string browsed = dir / "browsed/";
    EXPECT_TRUE(RunWithRoom(size_t(48) << 20, [&] {
        testsupport::LogCapture log;
        MessageQueue messages;
        KestFFWorker worker;
        worker.StartWorker(&messages);
        worker.AddJob(MakeJob(dir / "first.ff", 0));
        const std::vector<std::string> trace = DrainJobs(messages, 1);
        const bool jobLostIt =
            !trace.empty() && trace.back() == "end row 0 errors 1 refused 0" && log.Contains("Failed To write: " + lost);
        worker.StopWorker();

        BrowseSession session(messages, dir / "first.ff", false);
        session.Extract({"maps/huge.gsc"}, browsed);
        session.Preview("maps/huge.gsc", 4096);
        PostedMessage message{};
        int32_t browseErrors = -1, browseWritten = -1;
        int previewLost = -1;
        while ((browseErrors < 0 || previewLost < 0) && messages.PopFor(message, 30s)) {
            const auto* report = reinterpret_cast<const BrowseReport*>(message.wParam);
            if (message.message == WM_KEST_BROWSEREPORT && report->kind == BrowseReport::kExtracted) {
                browseErrors = report->writeErrors;
                browseWritten = report->written;
            }
            if (message.message == WM_KEST_BROWSEREPORT && report->kind == BrowseReport::kPreview)
                previewLost = report->found && report->noMemory && report->bytes.empty();
            ReleasePostedMessage(message);
        }
        return jobLostIt && browseErrors == 1 && browseWritten == 0 && previewLost == 1;
    }));
    EXPECT_FALSE(Exists(lost));
    EXPECT_FALSE(Exists(browsed + "maps/huge.gsc"));
    EXPECT_EQ(ReadText(dir / "first/small.gsc"), "tiny");
}
#endif
#endif

namespace {

// A target whose posts throw, as a post that cannot allocate would: posts number first
// to first + count - 1 (counted from 0) throw, the others reach the queue.
class ThrowingTarget : public MessageTarget {
public:
    ThrowingTarget(MessageQueue& queue, int first, int count, std::function<void()> thrower)
        : queue_(queue), first_(first), count_(count), thrower_(std::move(thrower))
    {
    }
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        const int n = posts_++;  // the worker thread alone posts
        if (n >= first_ && n < first_ + count_)
            thrower_();
        return queue_.Post(message, wParam, lParam);
    }
    void JobEnded(const JobOutcome& outcome) override { queue_.JobEnded(outcome); }

private:
    MessageQueue& queue_;
    const int first_;
    const int count_;
    const std::function<void()> thrower_;
    int posts_ = 0;
};

struct ThrowCase {
    const char* what;
    int count;  // posts that throw, from the fourth on (the first after the zone is loaded)
    std::function<void()> thrower;
    const char* logLine;
    std::vector<std::string> firstJob;  // the first job's messages that got through
};

const std::vector<std::string> kStart = {"status Working.. ", "row 0 col 1 ff95ff Decompressing", "progress 5"};

std::vector<std::string> Then(std::vector<std::string> lines, const std::vector<std::string>& more)
{
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

}  // namespace

TEST(WorkerLifecycle, AnExceptionFromAJobEndsThatJobAndTheNextOneRuns)
{
    const std::vector<std::string> failed = {"progress 0", "row 0 col 1 0000ff Error: Check Log", "status Idle..",
                                             "end row 0 errors 0 refused 0"};
    const std::vector<ThrowCase> cases = {
        {"length_error", 1, [] { throw std::length_error("vector"); }, "(first.ff) Error: out of memory",
         Then(kStart, failed)},
        {"runtime_error", 1, [] { throw std::runtime_error("disk on fire"); }, "(first.ff) Error: disk on fire",
         Then(kStart, failed)},
        {"something else", 1, [] { throw 42; }, "(first.ff) Error: unexpected failure", Then(kStart, failed)},
        // Reporting the failure throws again (its first post), and so does the "Idle..":
        // the row keeps its last status, and the job still ends.
        {"bad_alloc again while failing", 3, [] { throw std::bad_alloc(); }, "(first.ff) Error: out of memory",
         Then(kStart, {"end row 0 errors 0 refused 0"})},
    };
    for (const ThrowCase& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::LogCapture log;
        TempFolder dir;
        const ffb::Bytes archive = ffb::FastFile(ffb::kVersion387, ffb::SampleZone(3, 2));
        ASSERT_TRUE(ffb::WriteFile(dir / "first.ff", archive));
        ASSERT_TRUE(ffb::WriteFile(dir / "second.ff", archive));
        MessageQueue messages;
        ThrowingTarget target(messages, 3, c.count, c.thrower);
        KestFFWorker worker;
        worker.StartWorker(&target);
        worker.AddJob(MakeJob(dir / "first.ff", 0));
        worker.AddJob(MakeJob(dir / "second.ff", 1));
        std::vector<std::string> trace = DrainJobs(messages, 2);
        worker.StopWorker();

        const size_t firstEnd = std::find_if(trace.begin(), trace.end(), IsJobEnd) - trace.begin();
        ASSERT_LT(firstEnd, trace.size());
        EXPECT_EQ(std::vector<std::string>(trace.begin(), trace.begin() + long(firstEnd) + 1), c.firstJob);
        EXPECT_TRUE(log.Contains(c.logLine));
        ASSERT_GE(trace.size(), 3u);
        EXPECT_EQ(trace[trace.size() - 3], "row 1 col 1 00ff00 Done");
        EXPECT_EQ(trace.back(), "end row 1 errors 0 refused 0");
        EXPECT_TRUE(Exists(dir / "second/Refrenced_Sounds.txt"));
    }
}

TEST(WorkerLifecycle, UpdatesThatCannotBePostedDoNotStopTheWork)
{
    testsupport::LogCapture log;
    TempFolder dir;
    MessageQueue messages;
    messages.Close();  // the receiver is gone: every post fails and the sender frees
    KestFFWorker worker;
    worker.StartWorker(&messages);
    worker.AddJob(MakeJob(dir / "missing.ff", 0));
    for (int i = 0; i < 3000 && !log.Contains("(missing.ff) Error: Can't Open File"); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(log.Contains("(missing.ff) Error: Can't Open File"));
}

// A stop request does not wait for the job under way, so that every worker of a run is
// told at once: asked while the worker is held in a post, it returns, and once let go the
// job ends at its load.
TEST(WorkerLifecycle, AStopRequestDoesNotWaitForTheJobUnderWay)
{
    TempFolder dir;
    ASSERT_TRUE(ffb::WriteFile(dir / "a.ff", ffb::FastFile(ffb::kVersion387, ffb::SampleZone(1, 2))));
    std::promise<void> held, opened;
    const std::shared_future<void> open = opened.get_future().share();
    MessageQueue messages;
    ThrowingTarget target(messages, 0, 1, [&] { held.set_value(); open.wait(); });  // holds its first post
    KestFFWorker worker;
    worker.StartWorker(&target);
    worker.AddJob(MakeJob(dir / "a.ff", 0));
    EXPECT_EQ(held.get_future().wait_for(30s), std::future_status::ready);
    auto asked = std::async(std::launch::async, [&worker] { worker.RequestStop(); });
    const bool returned = asked.wait_for(30s) == std::future_status::ready;
    opened.set_value();
    asked.get();
    worker.StopWorker();
    EXPECT_TRUE(returned) << "the request waited for the job";
    EXPECT_EQ(DrainAll(messages), (std::vector<std::string>{"status Working.. ", "row 0 col 1 ff95ff Decompressing", "progress 5"}));
}
