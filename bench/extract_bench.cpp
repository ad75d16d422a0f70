// The whole extraction job against its floor, with the job's peak memory.
//
// Floor: read the FastFile, one plain inflate of its body, and writing the same number
// of bytes into the same tree of files the job wrote. The job and the floor each run in
// a child process of their own so that their peak resident sizes are their own, not the
// builder's.
#include "ff_builder.h"
#include "ff_worker.h"
#include "message_queue.h"
#include "program_log.h"

#include <zlib.h>

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
    double seconds = 0;
    long peakKb = 0;
    std::string line;
};

ChildResult RunChild(const std::vector<std::string>& args)
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
        execv("/proc/self/exe", argv.data());
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
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "--job") == 0)
        return RunJob(argv[2]);
    if (argc == 6 && strcmp(argv[1], "--floor") == 0)
        return RunFloor(argv[2], argv[3], argv[4], size_t(atoll(argv[5])));

    const int perKind = argc > 1 ? atoi(argv[1]) : 10000;
    // On a memory file system by default: on disk, creating tens of thousands of files
    // costs whatever the file system did just before, and that swamps both figures.
    const char* place = argc > 2 ? argv[2] : (fs::is_directory("/dev/shm") ? "/dev/shm" : nullptr);
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
    const fs::path jobTree = work / "job" / "patch";
    const fs::path floorTree = work / "floor";
    ChildResult job = RunChild({"extract_bench", "--job", fastFile});
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
    // Then both in turn, each into a fresh tree, best of three.
    ChildResult floor;
    floor.seconds = 1e30;
    const std::vector<std::string> floorArgs = {"extract_bench", "--floor", fastFile, manifest, floorTree.string(),
                                                std::to_string(zoneBytes)};
    for (int round = 0; round < 3; ++round) {
        fs::remove_all(floorTree);
        ChildResult f = RunChild(floorArgs);
        if (f.seconds < floor.seconds)
            floor = f;
        fs::remove_all(jobTree);
        ChildResult j = RunChild({"extract_bench", "--job", fastFile});
        if (j.seconds < job.seconds)
            job = j;
    }

    printf("in %s\n", base.c_str());
    printf("zone %.1f MB, body %.1f MB, %zu files written (%.1f MB), job status: %s", zoneBytes / 1e6, bodyBytes / 1e6,
           fileCount, written / 1e6, job.line.c_str() + job.line.find(' ') + 1);
    printf("floor (read + inflate + write the same files)  %8.0f ms   peak %6.0f MB\n", floor.seconds * 1e3,
           floor.peakKb / 1024.0);
    printf("whole job                                      %8.0f ms   peak %6.0f MB\n", job.seconds * 1e3,
           job.peakKb / 1024.0);
    printf("job/floor %.2f  (goal <= 1.70);  job peak / (body + zone) %.2f\n", job.seconds / floor.seconds,
           job.peakKb * 1024.0 / double(bodyBytes + zoneBytes));
    fs::remove_all(work);
    return 0;
}
