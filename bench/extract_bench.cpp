// The whole extraction job against its floor, with the job's CPU time and peak memory,
// and against the job of another build of this bench when one is given:
//
//   extract_bench [--before OTHER_EXTRACT_BENCH] [--rounds N] [ENTRIES_PER_KIND [FOLDER]]
//
// Floor: read the FastFile, one plain inflate of its body, and writing the same number
// of bytes into the same tree of files the job wrote. The job, the other build's job and
// the floor each run in a child process of their own, in turn, round after round, so that
// their CPU times and peak resident sizes are their own and a busy machine disturbs them
// alike; the medians count.
#include "ff_builder.h"
#include "ff_worker.h"
#include "message_queue.h"
#include "program_log.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Child: extract one FastFile on the worker, as the command line does.
int RunJob(const std::string& fastFile)
{
    const double start = Now();
    MessageQueue messages;
    KestFFWorker worker;
    worker.StartWorker(&messages);
    worker.AddJob(MakeJob(fastFile, 0));
    PostedMessage message;
    bool idle = false;
    std::string status;
    while (!idle && messages.Pop(message)) {
        if (message.message == WM_KEST_STATUSTEXT && strcmp(reinterpret_cast<const char*>(message.lParam), "Idle..") == 0)
            idle = true;
        if (message.message == WM_KEST_ROWUPDATE && message.lParam == 1)
            status = reinterpret_cast<RowUpdate*>(message.wParam)->text;
        ReleasePostedMessage(message);
    }
    worker.StopWorker();
    printf("%.6f %s\n", Now() - start, status.c_str());
    return status == "Done" ? 0 : 1;
}

// Child: the floor. The manifest lists "size relative-path" per file the job wrote.
int RunFloor(const std::string& fastFile, const std::string& manifest, const std::string& outRoot, size_t zoneBytes)
{
    const double start = Now();
    FILE* in = fopen(fastFile.c_str(), "rb");
    fseek(in, 0, SEEK_END);
    const long fileSize = ftell(in);
    fseek(in, 0, SEEK_SET);
    std::vector<uint8_t> body{};
    body.resize(size_t(fileSize));
    fread(body.data(), 1, body.size(), in);
    fclose(in);

    std::ifstream list(manifest);
    uint64_t total = 0;
    std::vector<std::pair<uint64_t, std::string>> files;
    uint64_t size;
    std::string path;
    while (list >> size && std::getline(list >> std::ws, path)) {
        files.emplace_back(size, path);
        total += size;
    }
    std::unique_ptr<uint8_t[]> zone(new uint8_t[zoneBytes]);  // large enough from the start
    uLongf zoneLength = uLongf(zoneBytes);
    uncompress(zone.get(), &zoneLength, body.data() + 12, uLong(body.size() - 12));

    uint64_t offset = 0;
    for (const auto& [bytes, relative] : files) {
        const fs::path target = fs::path(outRoot) / relative;
        fs::create_directories(target.parent_path());
        FILE* out = fopen(target.c_str(), "wb");
        if (!out)
            return 1;
        fwrite(zone.get() + (offset % zoneLength), 1, size_t(bytes), out);
        fclose(out);
        offset += bytes;
    }
    printf("%.6f\n", Now() - start);
    return 0;
}

struct ChildResult {
    double seconds = 0;     // wall time, as the child measured its work
    double cpuSeconds = 0;  // user and system time of the whole child
    long peakKb = 0;
    std::string line;
};

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    ChildResult result;
    char buffer[512];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.line.append(buffer, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    result.peakKb = usage.ru_maxrss;
    result.seconds = atof(result.line.c_str());
    result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return result;
}

// The runs of one contender, one per round.
struct Runs {
    std::string name;
    std::vector<ChildResult> rounds;

    static double Median(std::vector<double> values)
    {
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    }
    double Cpu() const { return Median(Collect([](const ChildResult& r) { return r.cpuSeconds; })); }
    double Wall() const { return Median(Collect([](const ChildResult& r) { return r.seconds; })); }
    double PeakMb() const { return Median(Collect([](const ChildResult& r) { return r.peakKb / 1024.0; })); }

private:
    std::vector<double> Collect(double (*field)(const ChildResult&)) const
    {
        std::vector<double> values;
        for (const ChildResult& round : rounds)
            values.push_back(field(round));
        return values;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "--job") == 0)
        return RunJob(argv[2]);
    if (argc == 6 && strcmp(argv[1], "--floor") == 0)
        return RunFloor(argv[2], argv[3], argv[4], size_t(atoll(argv[5])));

    std::string before;  // another build's extract_bench, whose job runs beside this one's
    int rounds = 5;
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--before") == 0 && i + 1 < argc)
            before = fs::absolute(argv[++i]).string();
        else if (strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::max(1, atoi(argv[++i]));
        else
            positional.push_back(argv[i]);
    }
    const int perKind = positional.size() > 0 ? atoi(positional[0]) : 10000;
    // On a memory file system by default: on disk, creating tens of thousands of files
    // costs whatever the file system did just before, and that swamps both figures.
    const char* place = positional.size() > 1 ? positional[1] : (fs::is_directory("/dev/shm") ? "/dev/shm" : nullptr);
    const fs::path base = place ? fs::path(place) : fs::temp_directory_path();
    const fs::path work = base / ("vandrel_extract_bench_" + std::to_string(getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "job");
    const std::string fastFile = (work / "job" / "patch.ff").string();
    uint64_t bodyBytes = 0, zoneBytes = 0;
    {
        // Payloads four times the sample's make a zone of about 200 MB from 10000 entries per kind.
        ffb::Bytes zone = ffb::SampleZone(11, perKind, 4);
        const ffb::Bytes file = ffb::FastFile(ffb::kVersion387, zone);
        zoneBytes = zone.size();
        bodyBytes = file.size() - 12;
        ffb::WriteFile(fastFile, file);
    }

    // The job first, to learn which files it writes; the floor writes the same ones.
    const std::string self = "/proc/self/exe";
    const fs::path jobTree = work / "job" / "patch";
    const fs::path floorTree = work / "floor";
    const std::string status = RunChild(self, {"extract_bench", "--job", fastFile}).line;
    const std::string manifest = (work / "manifest.txt").string();
    size_t fileCount = 0;
    uint64_t written = 0;
    {
        std::ofstream out(manifest);
        for (const auto& entry : fs::recursive_directory_iterator(jobTree)) {
            if (!entry.is_regular_file())
                continue;
            out << entry.file_size() << ' ' << fs::relative(entry.path(), jobTree).string() << '\n';
            ++fileCount;
            written += entry.file_size();
        }
    }
    Runs floor{"floor (read + one inflate + the same files)", {}};
    Runs job{"whole job", {}};
    Runs beforeJob{"whole job, before", {}};
    const std::vector<std::string> floorArgs = {"extract_bench", "--floor", fastFile, manifest, floorTree.string(),
                                                std::to_string(zoneBytes)};
    for (int round = 0; round < rounds; ++round) {
        fs::remove_all(floorTree);
        floor.rounds.push_back(RunChild(self, floorArgs));
        if (!before.empty()) {
            fs::remove_all(jobTree);
            beforeJob.rounds.push_back(RunChild(before, {"extract_bench", "--job", fastFile}));
        }
        fs::remove_all(jobTree);
        job.rounds.push_back(RunChild(self, {"extract_bench", "--job", fastFile}));
    }

    printf("in %s, medians of %d interleaved rounds\n", base.c_str(), rounds);
    if (!before.empty())
        printf("before: %s\n", before.c_str());
    printf("zone %.1f MB, body %.1f MB, %zu files written (%.1f MB), job status: %s", zoneBytes / 1e6, bodyBytes / 1e6,
           fileCount, written / 1e6, status.c_str() + status.find(' ') + 1);
    printf("%-46s %8s %8s %8s\n", "", "cpu ms", "wall ms", "peak MB");
    std::vector<const Runs*> shown = {&floor};
    if (!before.empty())
        shown.push_back(&beforeJob);
    shown.push_back(&job);
    for (const Runs* runs : shown)
        printf("%-46s %8.0f %8.0f %8.0f\n", runs->name.c_str(), runs->Cpu() * 1e3, runs->Wall() * 1e3, runs->PeakMb());
    const double bodyAndZoneMb = double(bodyBytes + zoneBytes) / (1024.0 * 1024.0);
    printf("job/floor: cpu %.2f, wall %.2f (goal: cpu <= 1.00);  job peak / (body + zone) %.2f (goal <= 1.10)\n",
           job.Cpu() / floor.Cpu(), job.Wall() / floor.Wall(), job.PeakMb() / bodyAndZoneMb);
    if (!before.empty())
        printf("job/before: cpu %.2f, wall %.2f (goal: cpu <= 0.80);  before's peak / (body + zone) %.2f\n",
               job.Cpu() / beforeJob.Cpu(), job.Wall() / beforeJob.Wall(), beforeJob.PeakMb() / bodyAndZoneMb);
    fs::remove_all(work);
    return 0;
}
