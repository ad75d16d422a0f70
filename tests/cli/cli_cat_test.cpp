// vandrel --cat PATH FASTFILE: the bytes extraction would leave at PATH, exactly, on
// stdout; the paths that extraction would not make; a reader that stops early.
#include "command_runner.h"

#include "ff_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string kBinary("a\nb\r\nc\x1a\0d\r", 11);  // what a text-mode stdout would change

class CliCat : public CliTest {
protected:
    // Compressed scripts, a path written twice, bytes a text stream would translate.
    static ffb::Bytes ScriptArchive()
    {
        ffb::ZoneBuilder zone;
        zone.Strings({"s1"});
        zone.CompressedScript("maps/c.gsc", "inflated script!");
        zone.Record(ffb::kRmb, "dup.rmb", "first");
        zone.Record(ffb::kRmb, "maps/Upper.rmb", "upper");
        zone.Record(ffb::kRmb, "dup.rmb", "second!");
        zone.Record(ffb::kRmb, "bin.rmb", kBinary);
        zone.Record(ffb::kRmb, "../escape.rmb", "refused");
        zone.RecordWithLength("one.gsc", 1, "x");
        return ffb::FastFile(ffb::kOtherVersion, zone.Build());
    }
    static ffb::Bytes SoundArchive()
    {
        ffb::ZoneBuilder zone;
        zone.SoundB("fx/boom.wav", "RIFFdata");
        zone.SoundA("voice/ref.wav");
        return ffb::FastFile(ffb::kVersion387, zone.Build());
    }
};

}  // namespace

TEST_F(CliCat, PrintsExactlyWhatExtractionWouldWriteThere)
{
    struct Case {
        const char* archive;
        std::vector<std::string> options;
        const char* path;
        std::string linux;    // stdout; empty with found false: no such file
        bool found;
        bool foundOnWindows;  // where the case rule differs
    };
    const std::vector<Case> cases = {
        {"scripts.ff", {}, "maps/c.gsc", "inflated script", true, true},
        {"scripts.ff", {}, "dup.rmb", "second!", true, true},
        {"scripts.ff", {}, "bin.rmb", kBinary, true, true},
        {"scripts.ff", {}, "./maps//c.gsc", "inflated script", true, true},
        {"scripts.ff", {}, "maps\\c.gsc", "inflated script", true, true},
        {"scripts.ff", {}, "MAPS/upper.RMB", "upper", false, true},
        {"scripts.ff", {}, "maps. /c.gsc", "inflated script", false, true},  // Windows drops the ". "
        {"scripts.ff", {"-s"}, "StringTable.txt", "// Kest_Ryn: Vandrel - String Table Dump\n\ns1\n", true, true},
        {"scripts.ff", {}, "StringTable.txt", "", false, false},
        {"bare.ff", {"-s"}, "StringTable.txt", "", false, false},  // no file made its folder
        {"scripts.ff", {}, "missing.gsc", "", false, false},
        {"scripts.ff", {}, "../escape.rmb", "", false, false},
        {"scripts.ff", {}, "one.gsc", "", false, false},
        {"scripts.ff", {"--only", "gsc"}, "dup.rmb", "", false, false},
        {"sounds.ff", {}, "sound/fx/boom.wav", "RIFFdata", true, true},
        {"sounds.ff", {}, "fx/boom.wav", "", false, false},
        {"sounds.ff", {}, "Refrenced_Sounds.txt", "// Kest_Ryn: Vandrel - Sound Refrence List\n\nvoice/ref.wav\n",
         true, true},
    };
    Write("scripts.ff", ScriptArchive());
    Write("sounds.ff", SoundArchive());
    Write("bare.ff", ffb::FastFile(ffb::kOtherVersion, ffb::ZoneBuilder().Strings({"s"}).Build()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--cat", c.path, c.archive});
        const CommandResult result = RunVandrel(args, folder_.string());
        const auto errors = Lines(result.err);
        EXPECT_EQ(std::string(c.archive) == "scripts.ff" ? 1 : 0,
                  std::count(errors.begin(), errors.end(), "Unsafe path refused: ../escape.rmb"));
#ifdef _WIN32
        const bool found = c.foundOnWindows;
#else
        const bool found = c.found;
#endif
        if (found) {
            EXPECT_EQ(0, result.status) << result.err;
            EXPECT_EQ(c.linux, result.out);
            EXPECT_EQ(std::string::npos, result.err.find("No such file")) << result.err;
        } else {
            EXPECT_EQ(1, result.status);
            EXPECT_EQ("", result.out);
            EXPECT_EQ("No such file in '" + std::string(c.archive) + "': " + c.path,
                      Lines(result.err).empty() ? "" : Lines(result.err).back());
        }
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"bare.ff", "scripts.ff", "sounds.ff"}), names) << "nothing is written";
}

TEST_F(CliCat, AnArchiveThatDoesNotLoadGivesItsError)
{
    Write("broken.ff", ffb::ToBytes("IWff"));
    const CommandResult result = RunVandrel({"--cat", "a.gsc", "broken.ff"}, folder_.string());
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("", result.out);
    EXPECT_EQ(std::vector<std::string>{"(broken.ff) Error: FastFile is either corrupt or not a supported Version"},
              Lines(result.err));
}

#ifdef _WIN32
// The command prompt hands wildcards over as typed: the program expands them before it
// counts the archives a mode takes, so one that stands for too many is a usage error
// naming the count, and one that stands for exactly one archive is that archive.
TEST_F(CliCat, WildcardsAreExpandedBeforeTheArchivesAreCounted)
{
    Write("one\\sounds.ff", SoundArchive());
    Write("two\\a.ff", ScriptArchive());
    Write("two\\b.ff", SoundArchive());
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string firstError;
    } cases[] = {
        {{"--cat", "sound/fx/boom.wav", "one\\*.ff"}, 0, "RIFFdata", ""},
        {{"--cat", "sound/fx/boom.wav", "two\\*.ff"}, 2, "", "vandrel: --cat takes a path and one FastFile, not 2"},
        {{"--diff", "two\\*.ff", "one\\sounds.ff"}, 2, "",
         "vandrel: --diff takes two FastFiles, the old one and the new one, not 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2]);
        const CommandResult result = RunVandrel(c.args, folder_.string());
        EXPECT_EQ(c.status, result.status) << result.err;
        EXPECT_EQ(c.out, result.out);
        EXPECT_EQ(c.firstError, Lines(result.err).empty() ? "" : Lines(result.err).front());
    }
}
#else
TEST_F(CliCat, AReaderThatStopsEarlyIsNoFailure)
{
    ffb::ZoneBuilder zone;
    zone.Record(ffb::kRmb, "big.rmb", std::string(4 << 20, 'b'));
    const std::string file = Write("big.ff", ffb::FastFile(ffb::kVersion387, zone.Build()));
    const CommandResult result = RunVandrelPipedTo({"--cat", "big.rmb", file}, "head -c 3");
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("bbb", result.out);
    EXPECT_EQ("", result.err);
}
#endif

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// In an address space hardly larger than the zone, as a 32-bit program has beside a
// large one (a sanitizer's own reservations leave no such limit possible): --cat prints a
// file as large as the zone from where it lies, and a file whose bytes cannot be had ends
// --cat and --diff with "not enough memory" and their failure status.
TEST_F(CliCat, InLittleMemoryItPrintsFromTheZoneOrSaysThereIsNotEnough)
{
    constexpr size_t kLarge = size_t(64) << 20;
    ffb::ZoneBuilder raw, script;
    raw.Record(ffb::kRmb, "big.rmb", std::string(kLarge, 'b'));
    script.CompressedScript("maps/huge.gsc", std::string(2 * kLarge, 's'));
    Write("raw.ff", ffb::FastFile(ffb::kVersion387, raw.Build()));
    Write("script.ff", ffb::FastFile(ffb::kOtherVersion, script.Build()));
    const struct {
        std::vector<std::string> args;
        int status;
        size_t printed;
        std::string lastError;
    } cases[] = {
        {{"--cat", "big.rmb", "raw.ff"}, 0, kLarge, ""},
        {{"--cat", "maps/huge.gsc", "script.ff"}, 1, 0, "vandrel: not enough memory"},
        {{"--diff", "script.ff", "raw.ff"}, 2, 0, "vandrel: not enough memory"},
        {{"--grep", "s", "script.ff"}, 2, 0, "(script.ff) Error: not enough memory to search it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const CommandResult result = RunVandrelLimited(c.args, folder_.string(), "-v " + std::to_string((kLarge >> 10) + 45000));
        EXPECT_EQ(c.status, result.status) << result.err;
        EXPECT_EQ(c.printed, result.out.size());
        EXPECT_EQ(c.lastError, Lines(result.err).empty() ? "" : Lines(result.err).back());
    }
}
#endif
