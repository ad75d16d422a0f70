// vandrel -j N: several archives at once write and report exactly what one at a time
// does; Ctrl+C, SIGTERM or a hang-up in the middle of a large job stops it cleanly.
#include "command_runner.h"

#include "ff_builder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Tree = std::map<std::string, std::string>;  // relative path to content

Tree ReadTree(const fs::path& root)
{
    Tree files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        const ffb::Bytes bytes = ffb::ReadFile(entry.path().string());
        files[fs::relative(entry.path(), root).generic_string()] = std::string(bytes.begin(), bytes.end());
    }
    return files;
}

// An archive of many small scripts in folders of a hundred, with a referenced sound now
// and then, and the files its extraction writes; tag goes into every script, so that two
// such archives write the same paths with other bytes.
struct ManyFiles {
    ManyFiles(int count, const std::string& tag)
    {
        ffb::ZoneBuilder zone;
        std::string sounds = "// Kest_Ryn: Vandrel - Sound Refrence List\n\n";
        for (int i = 0; i < count; ++i) {
            const std::string path = "d" + std::to_string(i / 100) + "/f" + std::to_string(i) + ".gsc";
            files[path] = tag + " script " + std::to_string(i) + std::string(100, 's');
            zone.Record(ffb::kGsc, path, files[path]);
            if (i % 100 == 0) {
                zone.SoundA("voice/" + std::to_string(i) + ".wav");
                sounds += "voice/" + std::to_string(i) + ".wav\n";
            }
        }
        files["Refrenced_Sounds.txt"] = sounds;
        archive = ffb::FastFile(ffb::kVersion387, zone.Build());
    }

    ffb::Bytes archive;
    Tree files;
};

}  // namespace

using CliJobs = CliTest;

TEST_F(CliJobs, ParallelJobsWriteAndReportWhatOneJobAtATimeDoes)
{
    // Every kind of archive, one that fails, a rejected path, and two archives of one name
    // whose output folders coincide: the later one still replaces what the earlier wrote.
    const std::vector<std::string> files = {
        Write("in/v387.ff", ffb::FastFile(ffb::kVersion387, ffb::SampleZone(1, 20))),
        Write("in/other.ff", ffb::FastFile(ffb::kOtherVersion, ffb::SampleZone(2, 20))),
        Write("x/same.ff", ManyFiles(300, "x").archive),
        Write("in/v5.ff", ffb::FastFile(ffb::kVersion5, ffb::SampleZone(3, 20))),
        Write("y/same.ff", ManyFiles(300, "y").archive),
        Write("in/cut.ff", ffb::FastFile(ffb::kVersion387, ffb::SampleZone(4, 5), ffb::Body::Truncated)),
        Path("in/rejected.txt"),
        Write("in/v307.ff", ffb::FastFile(ffb::kVersion307, ffb::SampleZone(5, 20))),
    };
    std::map<bool, std::string> oneAtATime;  // stdout of -j 1, as JSON and as a table
    const std::vector<std::pair<std::string, bool>> runs = {
        {"1", true}, {"2", true}, {"16", true}, {"1", false}, {"2", false}};
    for (const auto& [jobs, json] : runs) {
        SCOPED_TRACE(jobs + (json ? " json" : " table"));
        const std::string root = Path("out" + jobs + (json ? "j" : "t"));
        std::vector<std::string> args = {"-q", "-s", "-j", jobs, "-o", root};
        if (json)
            args.push_back("--json");
        args.insert(args.end(), files.begin(), files.end());
        const CommandResult result = RunVandrel(args);
        EXPECT_EQ(1, result.status) << result.err;
        if (oneAtATime.count(json) == 0) {
            oneAtATime[json] = result.out;
            EXPECT_EQ(ManyFiles(300, "y").files, ReadTree(root + "/same"));
            continue;
        }
        EXPECT_EQ(oneAtATime[json], result.out);
        EXPECT_TRUE(ReadTree(Path(std::string("out1") + (json ? "j" : "t"))) == ReadTree(root)) << "the files differ";
    }
}

TEST_F(CliJobs, AnInterruptStopsTheJobUnderWayAfterItsCurrentFile)
{
    const ManyFiles big(40000, "big");  // seconds of writing: the signal lands in the middle
    Write("big.ff", big.archive);
    Write("later.ff", ManyFiles(10, "later").archive);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const std::string root = "cut" + std::to_string(signal);
        StartedVandrel run({"--json", "-q", "-o", root, "big.ff", "later.ff"}, folder_.string());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!fs::exists(Path(root + "/big/d0/f0.gsc")) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        run.Signal(signal);
        const CommandResult result = run.Wait();

        EXPECT_EQ(130, result.status) << result.err;
        const auto rows = Lines(result.out);
        ASSERT_EQ(2u, rows.size()) << result.out;
        EXPECT_NE(std::string::npos, rows[0].find("\"big.ff\",\"Writing Files\"")) << rows[0];
        EXPECT_NE(std::string::npos, rows[1].find("\"later.ff\",\"Waiting\"")) << rows[1];
        EXPECT_FALSE(fs::exists(Path(root + "/later"))) << "no later job starts";
        const Tree cut = ReadTree(Path(root + "/big"));
        EXPECT_LT(cut.size(), big.files.size());
        EXPECT_EQ(0u, cut.count("Refrenced_Sounds.txt")) << "a list of the sounds met before the stop";
        for (const auto& [path, bytes] : cut)
            EXPECT_EQ(big.files.at(path), bytes) << path;
    }
}
