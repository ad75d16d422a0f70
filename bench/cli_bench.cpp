// The command line's own costs, measured on the vandrel program itself:
//   --diff of two archives of about 100 MB of zone each, against one extraction job of one
//   of them (goal: at most 2.3 times), with both runs' peak memory;
//   eight copies of an archive of about 50 MB of zone, with -j 2 against -j 1 (goal: at
//   most 0.62 times on a machine with two cores);
//   --grep -F for a name that a few scripts of the 100 MB archive hold, against extracting
//   it (goal: at most 0.8 times) and against extracting it and searching the extraction
//   with grep -rnF (at most 0.5 times); and a regular expression with that name as its
//   literal part against -F (at most 1.5 times).
// Each run is a child process of its own; the best of a few runs counts. Outputs go to a
// memory file system when there is one, as in extract_bench.
#include "ff_builder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Run {
    double seconds = 1e30;
    double peakMb = 0;
    int status = -1;
};

// Runs argvText[0] with the arguments that follow, its stdout and stderr thrown away.
Run RunCommand(std::vector<std::string> argvText)
{
    std::vector<char*> argv;
    for (std::string& arg : argvText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int nothing = open("/dev/null", O_RDWR);
        dup2(nothing, 1);
        dup2(nothing, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMb = usage.ru_maxrss / 1024.0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Runs vandrel with args.
Run RunProgram(const std::vector<std::string>& args)
{
    std::vector<std::string> argvText = {VANDREL_PROGRAM};
    argvText.insert(argvText.end(), args.begin(), args.end());
    return RunCommand(argvText);
}

// The best of rounds runs of vandrel with args (or, when one is given, of a shell
// command); prepare runs before each, untimed.
Run Best(int rounds, const std::vector<std::string>& args, const std::function<void()>& prepare,
         const std::string& shellCommand = "")
{
    Run best;
    for (int i = 0; i < rounds; ++i) {
        prepare();
        const Run run = shellCommand.empty() ? RunProgram(args) : RunCommand({"/bin/sh", "-c", shellCommand});
        if (run.seconds < best.seconds)
            best = run;
    }
    return best;
}

std::string Write(const fs::path& path, const ffb::Bytes& bytes)
{
    ffb::WriteFile(path.string(), bytes);
    return path.string();
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? atoi(argv[1]) : 3;
    const char* place = argc > 2 ? argv[2] : (fs::is_directory("/dev/shm") ? "/dev/shm" : nullptr);
    const fs::path work = (place ? fs::path(place) : fs::temp_directory_path()) /
                          ("vandrel_cli_bench_" + std::to_string(getpid()));
    fs::remove_all(work);
    fs::create_directories(work);
    const std::string out = (work / "out").string();
    const auto clearOut = [&] { fs::remove_all(out); };
    printf("in %s, %u cores, load average at start: ", work.c_str(), std::thread::hardware_concurrency());
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        printf("%.2f %.2f %.2f", load[0], load[1], load[2]);
    printf("\n");

    {
        // The same zone, compressed two ways: the archives differ, their files do not.
        const ffb::Bytes zone = ffb::SampleZone(21, 5000, 4);
        const std::string before = Write(work / "old.ff", ffb::FastFile(ffb::kVersion387, zone, ffb::Body::Intact, 6));
        const std::string after = Write(work / "new.ff", ffb::FastFile(ffb::kVersion387, zone, ffb::Body::Intact, 5));
        const Run job = Best(rounds, {"-q", "-o", out, before}, clearOut);
        const Run diff = Best(rounds, {"--diff", before, after}, [] {});
        printf("zone %.1f MB\n", zone.size() / 1e6);
        printf("one extraction job  %8.0f ms   peak %6.0f MB   status %d\n", job.seconds * 1e3, job.peakMb, job.status);
        printf("--diff of two       %8.0f ms   peak %6.0f MB   status %d\n", diff.seconds * 1e3, diff.peakMb,
               diff.status);
        printf("diff/job %.2f  (goal <= 2.30)\n", diff.seconds / job.seconds);
        fs::remove(before);
        fs::remove(after);
    }
    {
        const ffb::Bytes zone = ffb::SampleZone(22, 2500, 4);
        const ffb::Bytes file = ffb::FastFile(ffb::kVersion387, zone);
        std::vector<std::string> copies;
        for (int i = 0; i < 8; ++i)
            copies.push_back(Write(work / ("copy" + std::to_string(i) + ".ff"), file));
        std::vector<std::string> args = {"-q", "-o", out, "-j", "1"};
        args.insert(args.end(), copies.begin(), copies.end());
        const Run one = Best(rounds, args, clearOut);
        args[4] = "2";
        const Run two = Best(rounds, args, clearOut);
        printf("eight archives of a %.1f MB zone each\n", zone.size() / 1e6);
        printf("-j 1                %8.0f ms   status %d\n", one.seconds * 1e3, one.status);
        printf("-j 2                %8.0f ms   status %d\n", two.seconds * 1e3, two.status);
        printf("j2/j1 %.2f  (goal <= 0.62)\n", two.seconds / one.seconds);
    }
    {
        // The first archive's zone, with a name that three more scripts hold.
        ffb::Bytes zone = ffb::SampleZone(21, 5000, 4);
        ffb::ZoneBuilder rare;
        const size_t recordsStart = rare.NextOffset();
        for (int i = 0; i < 3; ++i)
            rare.Record(ffb::kGsc, "maps/mp/rare_" + std::to_string(i) + ".gsc",
                        "main()\n{\n  thread vandrel_rare_needle(" + std::to_string(i) + ");\n}\n");
        const ffb::Bytes records = rare.Build();
        zone.insert(zone.end(), records.begin() + long(recordsStart), records.end());
        const std::string file = Write(work / "big.ff", ffb::FastFile(ffb::kVersion387, zone));
        const std::string name = "vandrel_rare_needle";
        const Run extract = Best(rounds, {"-q", "-o", out, file}, clearOut);
        const Run extractAndGrep = Best(rounds, {}, clearOut,
                                        "'" VANDREL_PROGRAM "' -q -o '" + out + "' '" + file + "' && grep -rnF " +
                                            name + " '" + out + "'");
        const Run fixed = Best(rounds, {"--grep", name, "-F", file}, [] {});
        const Run regex = Best(rounds, {"--grep", name + "\\(([0-9]+)\\);$", file}, [] {});
        printf("zone %.1f MB, %s in 3 scripts\n", zone.size() / 1e6, name.c_str());
        printf("extraction          %8.0f ms   peak %6.0f MB   status %d\n", extract.seconds * 1e3, extract.peakMb,
               extract.status);
        printf("extraction + grep   %8.0f ms                   status %d\n", extractAndGrep.seconds * 1e3,
               extractAndGrep.status);
        printf("--grep -F           %8.0f ms   peak %6.0f MB   status %d\n", fixed.seconds * 1e3, fixed.peakMb,
               fixed.status);
        printf("--grep regex        %8.0f ms   peak %6.0f MB   status %d\n", regex.seconds * 1e3, regex.peakMb,
               regex.status);
        printf("-F/extraction %.2f  (goal <= 0.80)\n", fixed.seconds / extract.seconds);
        printf("-F/(extraction + grep) %.2f  (goal <= 0.50)\n", fixed.seconds / extractAndGrep.seconds);
        printf("regex/-F %.2f  (goal <= 1.50)\n", regex.seconds / fixed.seconds);
    }
    fs::remove_all(work);
    return 0;
}
