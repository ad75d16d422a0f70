// How long a stop takes to end the job under way, in each stage, against how long that
// stage takes when nothing stops it: the worker's StopWorker from the moment a stage has
// begun (the load and the .dump of a zone of zeros, the files of 20,000 small scripts).
// Median of five; the tests check what a stop leaves, these are the times.
#include "ff_builder.h"
#include "ff_worker.h"
#include "message_queue.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool IsStage(const PostedMessage& message, const char* stage)
{
    if (message.message != WM_KEST_ROWUPDATE || message.lParam != 1)
        return false;
    return reinterpret_cast<const RowUpdate*>(message.wParam)->text == stage;
}

bool IsIdle(const PostedMessage& message)
{
    return message.message == WM_KEST_STATUSTEXT && strcmp(reinterpret_cast<const char*>(message.lParam), "Idle..") == 0;
}

struct Figures {
    double stageMs;  // from the stage's report to the job's end, unstopped
    double stopMs;   // StopWorker, called waitMs after the stage's report
};

// One job that reaches `stage`; stopped waitMs later when stop is set, else run to its end.
double RunOnce(const FFJob& job, const char* stage, bool stop, double waitMs)
{
    MessageQueue messages;
    KestFFWorker worker;
    worker.StartWorker(&messages);
    worker.AddJob(job);
    PostedMessage message;
    Clock::time_point reached{};
    bool seen = false;
    while (messages.Pop(message)) {
        const bool reachedNow = IsStage(message, stage);
        const bool idle = IsIdle(message);
        ReleasePostedMessage(message);
        if (reachedNow) {
            reached = Clock::now();
            seen = true;
            if (stop)
                break;
        }
        if (idle)
            break;
    }
    if (!seen)
        return -1;
    if (!stop)
        return MsSince(reached);
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(waitMs));
    const auto start = Clock::now();
    worker.StopWorker();
    const double ms = MsSince(start);
    while (messages.TryPop(message))
        ReleasePostedMessage(message);
    return ms;
}

Figures Measure(const FFJob& job, const char* stage, const fs::path& clean)
{
    std::vector<double> stages, stops;
    for (int round = 0; round < 5; ++round) {
        fs::remove_all(clean);
        stages.push_back(RunOnce(job, stage, false, 0));
        fs::remove_all(clean);
        // A third of the way into the stage, so that it is well under way.
        stops.push_back(RunOnce(job, stage, true, stages.back() / 3));
    }
    return {Median(stages), Median(stops)};
}

}  // namespace

int main(int argc, char** argv)
{
    const char* place = argc > 1 ? argv[1] : (fs::is_directory("/dev/shm") ? "/dev/shm" : nullptr);
    const fs::path work = (place ? fs::path(place) : fs::temp_directory_path()) / "vandrel_stop_bench";
    fs::remove_all(work);
    fs::create_directories(work);

    const std::string zeros = (work / "zeros.ff").string();
    ffb::WriteFile(zeros, ffb::FastFile(ffb::kVersion387,
                                        ffb::ZoneBuilder().Strings({"zeros"}).Raw(ffb::Bytes(size_t(300) << 20)).Build()));
    const std::string scripts = (work / "scripts.ff").string();
    {
        ffb::ZoneBuilder zone;
        zone.Strings({"scripts"});
        for (int i = 0; i < 20000; ++i)
            zone.Record(ffb::kGsc, "f" + std::to_string(i / 1000) + "/" + std::to_string(i) + ".gsc",
                        std::string(200, char('a' + i % 26)));
        ffb::WriteFile(scripts, ffb::FastFile(ffb::kVersion387, zone.Build()));
    }

    FFJob load = MakeJob(zeros, 0);
    FFJob dump = load;
    dump.create_dump = 1;
    const struct {
        const char* what;
        const FFJob& job;
        const char* stage;
        fs::path clean;
    } stages[] = {
        {"load of a 300 MB zone", load, "Decompressing", work / "zeros"},
        {".dump of a 300 MB zone", dump, "Writing Dump File", work / "zeros.ff.dump"},
        {"files of 20,000 scripts", MakeJob(scripts, 0), "Writing Files", work / "scripts"},
    };
    printf("in %s; medians of 5, the stop a third of the way into the stage\n", work.c_str());
    printf("%-26s %12s %12s\n", "stage", "unstopped", "stop");
    for (const auto& s : stages) {
        const Figures f = Measure(s.job, s.stage, s.clean);
        printf("%-26s %9.0f ms %9.1f ms\n", s.what, f.stageMs, f.stopMs);
    }
    fs::remove_all(work);
    return 0;
}
