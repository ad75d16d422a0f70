// The largest zone a build of the vandrel program loads, found by trying: FastFiles whose
// zones are zeros (cheap to make, however large), each listed with `--list --json`, from
// the largest zone of 32-bit size down in halving steps to the nearest `--step` MB.
// Meant for the 32-bit Windows build, whose address space is what limits it:
//
//   largest_zone_bench [--step MB] PROGRAM [BEFORE_PROGRAM]
//
// A program whose name ends in .exe runs through the `wine` on PATH, in the caller's
// prefix (tools/wine-env.sh makes a fresh one).
#include "ff_builder.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// True when the program lists the FastFile with result 0.
bool Loads(const std::string& program, const std::string& fastFile)
{
    std::vector<std::string> args;
    if (EndsWith(program, ".exe"))
        args.push_back("wine");
    args.insert(args.end(), {program, "--list", "--json", fastFile});
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return out.find("\"result\":0,") != std::string::npos;
}

// The largest zone of `step` granularity (or the largest of all) that the program loads.
uint64_t LargestZone(const std::string& program, const fs::path& work, uint64_t step)
{
    const std::string fastFile = (work / "zeros.ff").string();
    auto loads = [&](uint64_t zone) {
        const bool loaded = ffb::WriteZerosFastFile(fastFile, ffb::kVersion387, zone) && Loads(program, fastFile);
        printf("  %10llu bytes  %s\n", (unsigned long long)zone, loaded ? "loads" : "fails");
        fflush(stdout);
        return loaded;
    };
    const uint64_t largest = INT32_MAX;
    if (loads(largest))
        return largest;
    uint64_t good = 0, bad = largest;
    while (bad - good > step) {
        const uint64_t middle = (good + bad) / 2 / step * step;
        if (middle == good)
            break;
        (loads(middle) ? good : bad) = middle;
    }
    return good;
}

}  // namespace

int main(int argc, char** argv)
{
    uint64_t step = uint64_t(32) << 20;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--step") == 0 && i + 1 < argc)
            step = uint64_t(std::max(1, atoi(argv[++i]))) << 20;
        else
            programs.push_back(fs::absolute(argv[i]).string());
    }
    if (programs.empty() || programs.size() > 2) {
        fprintf(stderr, "usage: largest_zone_bench [--step MB] PROGRAM [BEFORE_PROGRAM]\n");
        return 2;
    }
    const fs::path work = fs::temp_directory_path() / ("vandrel_largest_zone_" + std::to_string(getpid()));
    fs::create_directories(work);
    std::vector<uint64_t> found;
    for (const std::string& program : programs) {
        printf("%s\n", program.c_str());
        found.push_back(LargestZone(program, work, step));
    }
    fs::remove_all(work);
    printf("largest zone loaded: %llu bytes (%.1f MB)", (unsigned long long)found[0], found[0] / 1048576.0);
    if (found.size() > 1)
        printf(", before: %llu bytes (%.1f MB)", (unsigned long long)found[1], found[1] / 1048576.0);
    printf("; to the nearest %llu MB below the largest a zone may hold, %d bytes\n", (unsigned long long)(step >> 20),
           INT32_MAX);
    return 0;
}
