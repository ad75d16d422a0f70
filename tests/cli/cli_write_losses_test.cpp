// vandrel FASTFILE...: a job that ends "Done" but could not write or refused some of its
// files is not a success. Its JSON row counts them, the table names them, and the exit
// status is 1.
#include "command_runner.h"

#include "ff_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

class CliExtractLosses : public CliTest {
protected:
    // Two scripts, a sound with data and one without; optionally a name that is refused.
    static ffb::Bytes Archive(bool withUnsafeName = false)
    {
        ffb::ZoneBuilder zone;
        zone.Strings({"one"}).AssetTypes({1});
        zone.Record(ffb::kGsc, "maps/mp/dm.gsc", "main() {}");
        zone.Record(ffb::kGsc, "maps/mp/other.gsc", "other() {}");
        if (withUnsafeName)
            zone.Record(ffb::kGsc, "../escape.gsc", "refused");
        zone.SoundB("fx/boom.wav", "RIFF");
        zone.SoundBWithLength("amb/ref.wav", 0, "");
        return ffb::FastFile(ffb::kVersion387, zone.Build());
    }

    // The end of a JSON row of a job whose progress went up to 100, with its counts: the
    // archive's three files are always selected, whether or not they could be written.
    static std::string DoneRowEnd(int writeErrors, int refused)
    {
        return ",80,100],\"write_errors\":" + std::to_string(writeErrors) + ",\"refused\":" + std::to_string(refused) +
               ",\"selected\":3}";
    }
};

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

TEST_F(CliExtractLosses, EveryLostFileIsCountedAndFailsTheRun)
{
    struct Case {
        const char* what;
        std::function<void(const fs::path& folder)> setUp;  // makes trouble in the folder
        std::vector<std::string> options;
        bool unsafeName;
        int writeErrors;
        int refused;
    };
    const std::vector<Case> cases = {
        {"nothing lost", [](const fs::path&) {}, {}, false, 0, 0},
        // A regular file where a folder should be: no user can write below it, root included.
        {"output folder below a regular file",
         [](const fs::path& folder) { ffb::WriteFile((folder / "blocker").string(), ffb::ToBytes("a file")); },
         {"-s", "-o", "blocker/out"}, false, 5, 0},  // two scripts, a sound, the list, the string table
        {"a folder in the way of one entry",
         [](const fs::path& folder) { fs::create_directories(folder / "patch/maps/mp/dm.gsc"); }, {}, false, 1, 0},
        {"a folder in the way of the dump",
         [](const fs::path& folder) { fs::create_directories(folder / "patch.ff.dump"); }, {"-d"}, false, 1, 0},
        {"a refused name", [](const fs::path&) {}, {}, true, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        Write("patch.ff", Archive(c.unsafeName));
        c.setUp(folder_);
        std::vector<std::string> args = {"--json", "-q"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("patch.ff");
        const CommandResult result = RunVandrel(args, folder_.string());
        EXPECT_EQ(c.writeErrors + c.refused > 0 ? 1 : 0, result.status) << result.err;
        // The row stays as the window would show it.
        EXPECT_NE(std::string::npos, result.out.find("\"row\":[\"patch.ff\",\"Done\",")) << result.out;
        EXPECT_NE(std::string::npos, result.out.find("\"colour\":65280,")) << result.out;
        EXPECT_TRUE(EndsWith(result.out, DoneRowEnd(c.writeErrors, c.refused) + "\n")) << result.out;
        EXPECT_EQ(c.writeErrors > 0, result.err.find("Failed To write: ") != std::string::npos) << result.err;
        // What could be written was written.
        EXPECT_EQ(c.options.size() < 3, fs::exists(Path("patch/maps/mp/other.gsc")));
    }
}

// Counted per job on the worker's side, whatever the log writes and where: jobs in a row
// each count their own, with a --log file as well.
TEST_F(CliExtractLosses, TheTableNamesEachJobThatLostFiles)
{
    Write("a.ff", Archive(true));
    fs::create_directories(Path("a/maps/mp/dm.gsc"));
    fs::create_directories(Path("a/maps/mp/other.gsc"));
    Write("b.ff", Archive());
    Write("c.ff", Archive(true));
    const CommandResult result = RunVandrel({"-q", "--log", "run.log", "a.ff", "b.ff", "c.ff"}, folder_.string());
    EXPECT_EQ(1, result.status);
    const auto lines = Lines(result.out);
    ASSERT_EQ(7u, lines.size()) << result.out;
    for (int row = 1; row <= 3; ++row)
        EXPECT_NE(std::string::npos, lines[size_t(row)].find(" Done ")) << lines[size_t(row)];
    EXPECT_EQ("", lines[4]);
    EXPECT_EQ("a.ff: 2 files could not be written, 1 file refused (unsafe path)", lines[5]);
    EXPECT_EQ("c.ff: 1 file refused (unsafe path)", lines[6]);
}

#ifndef _WIN32
// Past a file-size limit (ulimit -f) a write fails as any other does: that file is lost
// and counted, the rest written, and the program is not ended halfway by the signal.
TEST_F(CliExtractLosses, AFileSizeLimitLosesOnlyTheFilesPastIt)
{
    ffb::ZoneBuilder zone;
    zone.Strings({"one"}).AssetTypes({1});
    zone.Record(ffb::kGsc, "maps/mp/big.gsc", std::string(200 * 1024, 'x'));
    zone.Record(ffb::kGsc, "maps/mp/small.gsc", "main() {}");
    Write("patch.ff", ffb::FastFile(ffb::kVersion387, zone.Build()));
    const CommandResult result = RunVandrelLimited({"-q", "patch.ff"}, folder_.string(), "-f 100");
    EXPECT_EQ(1, result.status) << result.err;
    EXPECT_NE(std::string::npos, result.err.find("Failed To write: ")) << result.err;
    EXPECT_NE(std::string::npos, result.out.find("patch.ff: 1 file could not be written")) << result.out;
    EXPECT_FALSE(fs::exists(Path("patch/maps/mp/big.gsc")));
    EXPECT_TRUE(fs::exists(Path("patch/maps/mp/small.gsc")));
}
#endif
