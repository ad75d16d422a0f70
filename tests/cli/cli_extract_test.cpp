// vandrel FASTFILE...: extraction through the worker, as a separate process: the JSON
// rows, exit statuses, rejections, output places and the log.
#include "command_runner.h"

#include "ff_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class CliExtract : public CliTest {
protected:
    static ffb::Bytes ArchiveZone()
    {
        ffb::ZoneBuilder zone;
        zone.Strings({"one", "", "three"}).AssetTypes({1, 2});
        zone.Record(ffb::kGsc, "maps/mp/dm.gsc", "main() {}");
        zone.SoundB("fx/boom.wav", "RIFF");
        zone.SoundBWithLength("amb/ref.wav", 0, "");
        return zone.Build();
    }
    static ffb::Bytes Archive() { return ffb::FastFile(ffb::kVersion387, ArchiveZone()); }
};

std::string Text(const std::string& path)
{
    const ffb::Bytes bytes = ffb::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST_F(CliExtract, JsonRowsInGivenOrderForDoneFailedAndRejectedFiles)
{
    const ffb::Bytes archive = Archive();
    const std::string good = Write("patch.ff", archive);
    const std::string header = Write("header.ff", ffb::ToBytes("IWffu100"));
    const std::string cut = Write("cut.ff", ffb::FastFile(ffb::kVersion387, ffb::SampleZone(1, 3), ffb::Body::Truncated));
    const std::string missing = Path("missing.ff");
    const std::string upper = Write("upper.FF", archive);
    const std::string noFolder = Path("nowhere/x.ff");

    const CommandResult result = RunVandrel({"--json", "-q", good, header, missing, cut, upper, noFolder});
    EXPECT_EQ(1, result.status);
    const auto lines = Lines(result.out);
    ASSERT_EQ(6u, lines.size()) << result.out << result.err;
    char size[32];
    snprintf(size, sizeof size, "0x%x", unsigned(ArchiveZone().size()));
    EXPECT_EQ("{\"file\":\"" + good + "\",\"row\":[\"patch.ff\",\"Done\",\"" + size +
                  "\",\"2\",\"3\"],\"colour\":65280,\"progress\":[5,50,60,70,80,100],\"write_errors\":0,\"refused\":0,\"selected\":2}",
              lines[0]);
    EXPECT_EQ("{\"file\":\"" + header +
                  "\",\"row\":[\"header.ff\",\"Error: Corrupt or unsupported\",\"0x0\",\"0\",\"0\"],\"colour\":255,\"progress\":[5,0],\"write_errors\":0,\"refused\":0,\"selected\":0}",
              lines[1]);
    EXPECT_EQ("{\"file\":\"" + missing + "\",\"rejected\":\"File dose not Exsist: " + missing + "\"}", lines[2]);
    EXPECT_EQ("{\"file\":\"" + cut +
                  "\",\"row\":[\"cut.ff\",\"Error: Check Log\",\"0x0\",\"0\",\"0\"],\"colour\":255,\"progress\":[5,0],\"write_errors\":0,\"refused\":0,\"selected\":0}",
              lines[3]);
    EXPECT_EQ("{\"file\":\"" + upper + "\",\"rejected\":\"Not a FastFile: 'upper.FF'\"}", lines[4]);
    EXPECT_EQ("{\"file\":\"" + noFolder + "\",\"rejected\":\"Error Can't Find: " + noFolder + "\"}", lines[5]);

    // Every log line reaches stderr as the log writes it, and so does every rejection.
    EXPECT_NE(std::string::npos, result.err.find("Background FastFile Worker started\n"));
    EXPECT_NE(std::string::npos, result.err.find("Added 'patch.ff' to the Que\n"));
    EXPECT_NE(std::string::npos,
              result.err.find("(header.ff) Error: FastFile is either corrupt or not a supported Version\n"));
    EXPECT_NE(std::string::npos, result.err.find("(cut.ff) Error: invalid or incomplete deflate data\n"));
    EXPECT_NE(std::string::npos, result.err.find("Not a FastFile: 'upper.FF'\n"));
    EXPECT_EQ(std::string::npos, result.err.find("Added 'upper.FF'"));
    EXPECT_TRUE(fs::exists(Path("patch/maps/mp/dm.gsc")));
    EXPECT_FALSE(fs::exists(Path("upper")));
}

TEST_F(CliExtract, AllDoneExitsZeroWithATable)
{
    const std::string a = Write("a.ff", Archive());
    const std::string b = Write("sub/b.ff", ffb::FastFile(ffb::kVersion5, ffb::ZoneBuilder().Build()));
    const CommandResult result = RunVandrel({a, b});
    EXPECT_EQ(0, result.status) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(3u, lines.size()) << result.out;
    EXPECT_EQ(0u, lines[0].find("Name"));
    EXPECT_EQ(0u, lines[1].find("a.ff"));
    EXPECT_NE(std::string::npos, lines[1].find("Done"));
    EXPECT_EQ(0u, lines[2].find("b.ff"));
    EXPECT_EQ("main() {}", Text(Path("a/maps/mp/dm.gsc")));
    EXPECT_EQ("amb/ref.wav", Lines(Text(Path("a/Refrenced_Sounds.txt"))).back());
    EXPECT_EQ("RIFF", Text(Path("a/sound/fx/boom.wav")));
}

TEST_F(CliExtract, DumpAndStringTableAndOutputDirectory)
{
    const std::string file = Write("in/patch.ff", Archive());
    const CommandResult result = RunVandrel({"--json", "-d", "-s", "-o", Path("out"), file});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_NE(std::string::npos, result.out.find("\"progress\":[5,25,50,60,70,80,100]")) << result.out;
    EXPECT_TRUE(fs::exists(Path("in/patch.ff.dump"))) << "the dump stays next to the FastFile";
    EXPECT_EQ("main() {}", Text(Path("out/patch/maps/mp/dm.gsc")));
    EXPECT_EQ("// Kest_Ryn: Vandrel - String Table Dump\n\none\n\nthree\n", Text(Path("out/patch/StringTable.txt")));
    EXPECT_FALSE(fs::exists(Path("in/patch")));
}

TEST_F(CliExtract, UnsafeNamesAreRefusedAndLogged)
{
    ffb::ZoneBuilder zone;
    zone.Record(ffb::kGsc, "../escape.gsc", "bad");
    zone.Record(ffb::kGsc, "/abs/escape.gsc", "bad");
    zone.Record(ffb::kGsc, "ok/fine.gsc", "good");
    const std::string file = Write("deep/patch.ff", ffb::FastFile(ffb::kVersion387, zone.Build()));
    const CommandResult result = RunVandrel({"-q", file});
    EXPECT_EQ(1, result.status) << "a refused file is not a success";
    EXPECT_NE(std::string::npos, result.err.find("Unsafe path refused: ../escape.gsc\n")) << result.err;
    EXPECT_NE(std::string::npos, result.err.find("Unsafe path refused: /abs/escape.gsc\n"));
    EXPECT_FALSE(fs::exists(Path("deep/escape.gsc")));
    EXPECT_FALSE(fs::exists("/abs/escape.gsc"));
    EXPECT_EQ("good", Text(Path("deep/patch/ok/fine.gsc")));
}

TEST_F(CliExtract, LogFileGetsTheHeaderAndEveryLine)
{
    const std::string file = Write("patch.ff", ffb::ToBytes("not a fastfile"));
    const std::string log = Path("run.log");
    ASSERT_TRUE(ffb::WriteFile(log, ffb::ToBytes("earlier run\n")));
    const CommandResult result = RunVandrel({"--log", log, "-q", file});
    EXPECT_EQ(1, result.status);
    const std::string text = Text(log);
    EXPECT_EQ(0u, text.find("earlier run\n\n*** Application Started (Version 1.02) : ")) << text;
    EXPECT_NE(std::string::npos, text.find("Logging Mode: Normal\n"));
    EXPECT_NE(std::string::npos, text.find("Added 'patch.ff' to the Que\n"));
    EXPECT_NE(std::string::npos, text.find("(patch.ff) Error: FastFile is either corrupt or not a supported Version\n"));
    EXPECT_FALSE(fs::exists(Path("Vandrel_Log.txt")));
}

TEST_F(CliExtract, LocalDumpWritesBesideTheProgram)
{
    const std::string name = "vandrel_local_" + std::to_string(getpid());
    const std::string file = Write(name + ".ff", Archive());
    const fs::path programFolder = fs::path(VANDREL_PROGRAM).parent_path();
    const CommandResult result = RunVandrel({"-l", "-d", "-q", file});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_TRUE(fs::exists(programFolder / name / "maps/mp/dm.gsc"));
    EXPECT_TRUE(fs::exists(file + ".dump"));
    EXPECT_FALSE(fs::exists(Path(name)));
    fs::remove_all(programFolder / name);
}

TEST_F(CliExtract, ARunWhoseEveryPathIsRejectedExitsOne)
{
    const CommandResult result = RunVandrel({"missing.ff"}, folder_.string());
    EXPECT_EQ(1, result.status);
    const auto lines = Lines(result.out);
    ASSERT_EQ(2u, lines.size()) << result.out;
    EXPECT_EQ("File dose not Exsist: " + Path("missing.ff"), lines[1]);
}

TEST_F(CliExtract, LongSpellingsOfTheOutputOptions)
{
    struct Case {
        const char* option;
        bool dump;         // FASTFILE.dump written
        bool stringTable;  // StringTable.txt written
        bool local;        // the output folder beside the program
    };
    const fs::path programFolder = fs::path(VANDREL_PROGRAM).parent_path();
    for (const Case& c : {Case{"--dump", true, false, false}, Case{"--string-table", false, true, false},
                          Case{"--local", false, false, true}}) {
        SCOPED_TRACE(c.option);
        const std::string name = "long_" + std::string(c.option + 2) + "_" + std::to_string(getpid());
        const std::string file = Write(name + ".ff", Archive());
        const fs::path output = (c.local ? programFolder : folder_) / name;
        const CommandResult result = RunVandrel({c.option, "-q", file});
        EXPECT_EQ(0, result.status) << result.err;
        EXPECT_EQ(c.dump, fs::exists(file + ".dump"));
        EXPECT_EQ(c.stringTable, fs::exists(output / "StringTable.txt"));
        EXPECT_TRUE(fs::exists(output / "maps/mp/dm.gsc"));
        EXPECT_EQ(c.local, !fs::exists(Path(name)));
        fs::remove_all(programFolder / name);
    }
}

TEST_F(CliExtract, QuietKeepsTheLiveLineOffATerminal)
{
    Write("patch.ff", Archive());
    const CommandResult live = RunVandrelOnTerminal({"patch.ff"}, folder_.string());
    EXPECT_EQ(0, live.status) << live.err;
    EXPECT_NE(std::string::npos, live.err.find("\r\033[K[1/1] patch.ff  ")) << live.err;
    for (const char* quiet : {"--quiet", "-q"}) {
        const CommandResult result = RunVandrelOnTerminal({quiet, "patch.ff"}, folder_.string());
        EXPECT_EQ(0, result.status) << result.err;
        EXPECT_EQ(std::string::npos, result.err.find('\033')) << quiet << ": " << result.err;
        EXPECT_NE(std::string::npos, result.err.find("Added 'patch.ff' to the Que")) << quiet;
    }
}

TEST_F(CliExtract, DoubleDashTakesANameThatStartsWithADash)
{
    Write("-dash.ff", Archive());
    const CommandResult result = RunVandrel({"--json", "--", "-dash.ff"}, folder_.string());
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_NE(std::string::npos, result.out.find("\"row\":[\"-dash.ff\",\"Done\"")) << result.out;
    EXPECT_EQ("main() {}", Text(Path("-dash/maps/mp/dm.gsc")));
}
