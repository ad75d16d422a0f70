#include "job_runner.h"

#include "message_drain.h"
#include "output_folder.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace {

// How long the run waits for a message before it looks at the interrupt flag again.
constexpr std::chrono::milliseconds kInterruptPoll(50);

std::string NormalKey(const std::string& path)
{
    return PathKey(std::filesystem::path(path).lexically_normal().string());
}

bool IsInside(const std::string& path, const std::string& folder)
{
    return path.compare(0, folder.size(), folder) == 0;
}

}  // namespace

JobRunner::JobRunner(int workers, size_t jobCount, const std::string& outputRoot, const EntrySelection* selection)
{
    const size_t count = std::max<size_t>(1, std::min(size_t(workers), jobCount));
    for (size_t i = 0; i < count; ++i) {
        senders_.push_back(std::make_unique<QueueSender>(messages_, int32_t(i)));
        workers_.push_back(std::make_unique<KestFFWorker>());
        workers_.back()->StartWorker(senders_.back().get(), outputRoot, selection);
    }
}

JobRunner::~JobRunner()
{
    StopAll();
}

void JobRunner::StopAll()
{
    // All are told at once: each stops at its own next boundary, not after the one before it.
    for (auto& worker : workers_)
        worker->RequestStop();
    for (auto& worker : workers_)
        worker->StopWorker();
}

JobRunner::Footprint JobRunner::FootprintOf(const FFJob& job) const
{
    Footprint footprint{NormalKey(job.path), NormalKey(workers_.front()->OutputFolderOf(job))};
    if (footprint.outputFolder.empty() || footprint.outputFolder.back() != kPathSeparator)
        footprint.outputFolder += kPathSeparator;
    return footprint;
}

bool JobRunner::Overlap(const Footprint& a, const Footprint& b)
{
    return IsInside(a.outputFolder, b.outputFolder) || IsInside(b.outputFolder, a.outputFolder) ||
           IsInside(a.fastFile, b.outputFolder) || IsInside(b.fastFile, a.outputFolder);
}

bool JobRunner::Run(const std::vector<FFJob>& jobs, const std::vector<JobRow*>& rows, LiveDisplay& display,
                    const InterruptWatch& interrupt)
{
    std::vector<Footprint> footprints;
    for (const FFJob& job : jobs)
        footprints.push_back(FootprintOf(job));
    std::vector<int32_t> running(workers_.size(), -1);  // per worker: the row id of its job
    MessageDrain drain(rows, display);
    size_t next = 0;
    size_t ended = 0;
    while (ended < jobs.size() && !interrupt.Requested()) {
        while (next < jobs.size()) {
            const auto free = std::find(running.begin(), running.end(), -1);
            const bool clashes = std::any_of(running.begin(), running.end(), [&](int32_t row) {
                return row >= 0 && Overlap(footprints[next], footprints[size_t(row)]);
            });
            if (free == running.end() || clashes)
                break;
            *free = int32_t(next);
            workers_[size_t(free - running.begin())]->AddJob(jobs[next]);
            ++next;
        }
        PostedMessage message;
        if (!messages_.PopFor(message, kInterruptPoll))
            continue;
        const int32_t endedRow = drain.Handle(message);
        if (endedRow >= 0) {
            std::replace(running.begin(), running.end(), endedRow, -1);
            ++ended;
        }
    }
    if (ended < jobs.size())
        display.OnLogLine("vandrel: interrupted; the jobs under way stop after the file they are writing");
    StopAll();
    PostedMessage message;
    while (messages_.TryPop(message))
        drain.Handle(message);
    return ended == jobs.size();
}
