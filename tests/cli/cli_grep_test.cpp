// vandrel --grep PATTERN: the lines of the files extraction would write that match, as
// FASTFILE:PATH:LINE:TEXT or JSON, the files it skips, the same output whatever -j is,
// and the exit status when nothing matched, a pattern is bad or an archive unreadable.
#include "command_runner.h"

#include "ff_builder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

class CliGrep : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        Write("a.ff", Scripts());
        Write("b.ff", Compressed());
    }

    // Lines known by number, a path written twice, a binary file, a sound with data, a
    // referenced sound, a refused name and a string list.
    static ffb::Bytes Scripts()
    {
        ffb::ZoneBuilder zone;
        zone.Strings({"alpha_string", "beta"});
        zone.Record(ffb::kGsc, "maps/mp/dm.gsc", "main()\n{\n  thread vandrel_hunt();\n}\r\nlast vandrel_hunt");
        zone.Record(ffb::kRmb, "dup.rmb", "old vandrel_hunt\n");
        zone.Record(ffb::kRmb, "bin.rmb", std::string("vandrel_hunt\0binary", 19));
        zone.Record(ffb::kRmb, "dup.rmb", "new\nnew vandrel_hunt\n");
        zone.SoundB("fx/boom.wav", "RIFF vandrel_hunt");
        zone.SoundBWithLength("amb/vandrel_hunt_ref.wav", 0, "");
        zone.Record(ffb::kGsc, "../escape.gsc", "vandrel_hunt");
        return ffb::FastFile(ffb::kVersion387, zone.Build());
    }
    // A compressed script, written as it inflates less its last byte.
    static ffb::Bytes Compressed()
    {
        ffb::ZoneBuilder zone;
        zone.CompressedScript("maps/c.gsc", "inflated vandrel_hunt\nsecond!");
        return ffb::FastFile(ffb::kOtherVersion, zone.Build());
    }
};

}  // namespace

TEST_F(CliGrep, PrintsTheMatchingLinesOfWhatExtractionWouldWrite)
{
    struct Case {
        std::vector<std::string> args;
        std::string out;
        int status;
    };
    const std::string hunt = "a.ff:maps/mp/dm.gsc:3:  thread vandrel_hunt();\n";
    const std::vector<Case> cases = {
        {{"--grep", "vandrel_hunt", "a.ff", "b.ff"},
         hunt + "a.ff:maps/mp/dm.gsc:5:last vandrel_hunt\n"
                "a.ff:dup.rmb:2:new vandrel_hunt\n"
                "a.ff:sound/fx/boom.wav:1:RIFF vandrel_hunt\n"
                "a.ff:Refrenced_Sounds.txt:3:amb/vandrel_hunt_ref.wav\n"
                "b.ff:maps/c.gsc:1:inflated vandrel_hunt\n",
         0},
        {{"--grep", "^}.$", "a.ff"}, "a.ff:maps/mp/dm.gsc:4:}\r\n", 0},
        {{"--grep", "^(old|new) [a-z_]{3,}$", "a.ff"}, "a.ff:dup.rmb:2:new vandrel_hunt\n", 0},
        {{"--grep", "^main", "a.ff"}, "a.ff:maps/mp/dm.gsc:1:main()\n", 0},
        {{"--grep", "hunt()", "-F", "a.ff"}, hunt, 0},
        {{"--grep", "VANDREL_HUNT\\(", "-i", "a.ff"}, hunt, 0},
        {{"--grep", "second$", "b.ff"}, "b.ff:maps/c.gsc:2:second\n", 0},
        {{"-s", "--grep", "^beta$", "a.ff"}, "a.ff:StringTable.txt:4:beta\n", 0},
        {{"--grep", "^beta$", "a.ff"}, "", 1},
        {{"--only", "gsc", "--grep", "hunt_", "a.ff"}, "a.ff:Refrenced_Sounds.txt:3:amb/vandrel_hunt_ref.wav\n", 0},
        {{"--grep", "binary|escape", "a.ff", "b.ff"}, "", 1},
        {{"-l", "--grep", "vandrel_hunt", "a.ff", "b.ff"},
         "a.ff:maps/mp/dm.gsc\na.ff:dup.rmb\na.ff:sound/fx/boom.wav\na.ff:Refrenced_Sounds.txt\nb.ff:maps/c.gsc\n", 0},
        {{"--json", "--grep", "hunt\\(|^}", "a.ff"},
         "{\"file\":\"a.ff\",\"path\":\"maps/mp/dm.gsc\",\"line\":3,\"text\":\"  thread vandrel_hunt();\"}\n"
         "{\"file\":\"a.ff\",\"path\":\"maps/mp/dm.gsc\",\"line\":4,\"text\":\"}\\u000d\"}\n",
         0},
        {{"--json", "--files-with-matches", "--grep", "second", "b.ff"},
         "{\"file\":\"b.ff\",\"path\":\"maps/c.gsc\"}\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[c.args.size() - 2]);
        const CommandResult result = RunVandrel(c.args, folder_.string());
        EXPECT_EQ(c.status, result.status) << result.err;
        EXPECT_EQ(c.out, result.out);
    }
    EXPECT_FALSE(fs::exists(Path("a"))) << "nothing is written";
}

TEST_F(CliGrep, ABadPatternIsAUsageErrorAndNothingIsSearched)
{
    const CommandResult result = RunVandrel({"--grep", "(unclosed", "a.ff", "missing.ff"}, folder_.string());
    EXPECT_EQ(2, result.status);
    EXPECT_EQ("", result.out);
    EXPECT_EQ(std::vector<std::string>{"vandrel: --grep: unmatched ("}, Lines(result.err));
}

TEST_F(CliGrep, TheSearchOptionsGoWithGrepOnly)
{
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"-F", "a.ff"}, "-F, -i and --files-with-matches go with --grep"},
        {{"-i", "a.ff"}, "-F, -i and --files-with-matches go with --grep"},
        {{"--files-with-matches", "a.ff"}, "-F, -i and --files-with-matches go with --grep"},
        {{"--grep", "x", "--list", "a.ff"}, "--list, --cat, --diff and --grep go one at a time"},
        {{"--grep", "x"}, "no FastFile given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const CommandResult result = RunVandrel(c.args, folder_.string());
        EXPECT_EQ(2, result.status);
        EXPECT_EQ("", result.out);
        EXPECT_EQ("vandrel: " + std::string(c.says), Lines(result.err).empty() ? "" : Lines(result.err)[0]);
    }
}

TEST_F(CliGrep, AnArchiveThatCannotBeReadFailsTheRunButTheOthersAreSearched)
{
    Write("broken.ff", ffb::ToBytes("IWff"));
    const CommandResult result = RunVandrel({"-l", "--grep", "hunt", "b.ff", "broken.ff", "b.ff"}, folder_.string());
    EXPECT_EQ(2, result.status);
    EXPECT_EQ("b.ff:maps/c.gsc\nb.ff:maps/c.gsc\n", result.out);
    EXPECT_EQ(std::vector<std::string>{"(broken.ff) Error: FastFile is either corrupt or not a supported Version"},
              Lines(result.err));
}

TEST_F(CliGrep, TheOutputIsTheSameWhateverTheNumberOfWorkers)
{
    // Archives of very different sizes, so that later ones end first on other workers.
    std::vector<std::string> args = {"--grep", "7 $"};
    for (int i = 0; i < 6; ++i) {
        ffb::ZoneBuilder zone;
        for (int k = 0; k < (i % 2 ? 3000 : 20); ++k)
            zone.Record(ffb::kGsc, "s" + std::to_string(k) + ".gsc", "line " + std::to_string(k) + " \nend\n");
        args.push_back(Write("n" + std::to_string(i) + ".ff", ffb::FastFile(ffb::kVersion387, zone.Build())));
    }
    args.push_back(Path("a.ff"));
    const CommandResult one = RunVandrel(args);
    args.insert(args.begin(), {"-j", "3"});
    const CommandResult three = RunVandrel(args);
    EXPECT_EQ(0, one.status) << one.err;
    EXPECT_EQ(0, three.status) << three.err;
    EXPECT_EQ(3 * 300 + 3 * 2, Lines(one.out).size());
    EXPECT_TRUE(one.out == three.out) << "the outputs differ";
}

#ifdef _WIN32
TEST_F(CliGrep, AWildcardNamesTheFastFilesItMatches)
{
    const CommandResult result = RunVandrel({"-l", "--grep", "inflated", "*.ff"}, folder_.string());
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("b.ff:maps/c.gsc\n", result.out);
}
#else
TEST_F(CliGrep, CtrlCEndsTheSearchWith130)
{
    std::string lines;
    for (int i = 0; i < 500000; ++i)
        lines += "x\n";
    ffb::ZoneBuilder zone;
    zone.Record(ffb::kGsc, "many.gsc", lines);
    Write("many.ff", ffb::FastFile(ffb::kVersion387, zone.Build()));
    std::vector<std::string> args = {"-l", "--grep", "^x$"};
    args.insert(args.end(), 5000, "many.ff");  // seconds of work: the signal lands in the middle
    StartedVandrel run(args, folder_.string());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (run.OutputSize() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    run.Signal(SIGINT);
    const CommandResult result = run.Wait();
    EXPECT_EQ(130, result.status) << result.err;
    EXPECT_LT(Lines(result.out).size(), 5000u) << "it stopped before the end";
}

TEST_F(CliGrep, AReaderThatStopsEarlyIsNoFailure)
{
    std::vector<std::string> args = {"--grep", "hunt", Path("a.ff")};
    args.insert(args.end(), 3000, Path("b.ff"));
    const CommandResult result = RunVandrelPipedTo(args, "head -c 4");
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ(Path("a.ff").substr(0, 4), result.out);
    EXPECT_EQ(std::vector<std::string>{"Unsafe path refused: ../escape.gsc"}, Lines(result.err));
}
#endif
