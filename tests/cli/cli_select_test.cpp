// vandrel --only TYPES and --filter GLOB: which files extraction takes and --list lists,
// the glob rules with the platform's case rule, and the counts the rows report.
#include "command_runner.h"

#include "ff_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class CliSelect : public CliTest {
protected:
    // Files at the top, in folders and in the sound folder; an entry without a path.
    static ffb::Bytes Archive()
    {
        ffb::ZoneBuilder zone;
        zone.Strings({"s"});
        zone.Record(ffb::kGsc, "a.gsc", "top script");
        zone.Record(ffb::kGsc, "maps/a.gsc", "maps script");
        zone.Record(ffb::kGsc, "maps/mp/dm.gsc", "dm script");
        zone.Record(ffb::kGsc, "maps/mp/Upper.gsc", "upper script");
        zone.Record(ffb::kMenu, "ui/main.menu", "menu");
        zone.Record(ffb::kRmb, "x1.rmb", "rumble one");
        zone.Record(ffb::kRmb, "xa.rmb", "rumble a");
        zone.SoundB("fx/boom.wav", "RIFF");
        zone.SoundBWithLength("amb/ref.wav", 0, "");
        return ffb::FastFile(ffb::kVersion387, zone.Build());
    }

    // The names of the entries --list --json lists, in their order.
    static std::vector<std::string> ListedNames(const std::string& json)
    {
        std::vector<std::string> names;
        const std::string key = "{\"name\":\"";
        for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
            const size_t start = at + key.size();
            names.push_back(json.substr(start, json.find('"', start) - start));
        }
        return names;
    }
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(CliSelect, GlobsAndTypesPickTheFilesByTheirPaths)
{
    struct Case {
        std::vector<std::string> options;
        Names linux;
        Names windows;  // where the file system's case rule makes a difference
    };
    const Names allFiles = {"a.gsc", "maps/a.gsc", "maps/mp/dm.gsc", "maps/mp/Upper.gsc", "ui/main.menu",
                            "x1.rmb", "xa.rmb", "fx/boom.wav"};
    const std::vector<Case> cases = {
        {{"--filter", "*.gsc"}, {"a.gsc"}, {}},
        {{"--filter", "?.gsc"}, {"a.gsc"}, {}},
        {{"--filter", "*"}, {"a.gsc", "x1.rmb", "xa.rmb"}, {}},
        {{"--filter", "maps/*.gsc"}, {"maps/a.gsc"}, {}},
        {{"--filter", "maps/**"}, {"maps/a.gsc", "maps/mp/dm.gsc", "maps/mp/Upper.gsc"}, {}},
        {{"--filter", "**/*.gsc"}, {"a.gsc", "maps/a.gsc", "maps/mp/dm.gsc", "maps/mp/Upper.gsc"}, {}},
        {{"--filter", "maps/**/a.gsc"}, {"maps/a.gsc"}, {}},
        {{"--filter", "**"}, allFiles, {}},
        {{"--filter", "x[0-9].rmb"}, {"x1.rmb"}, {}},
        {{"--filter", "x[!0-9].rmb"}, {"xa.rmb"}, {}},
        {{"--filter", "sound/**"}, {"fx/boom.wav"}, {}},
        {{"--filter", "fx/boom.wav"}, {}, {}},
        {{"--filter", "maps\\mp\\dm.gsc"}, {"maps/mp/dm.gsc"}, {}},
        {{"--filter", "maps/mp/u*"}, {}, {"maps/mp/Upper.gsc"}},
        {{"--filter", "MAPS/A.GSC"}, {}, {"maps/a.gsc"}},
        {{"--filter", "[M]aps/mp/[a-z]*"}, {}, {"maps/mp/dm.gsc", "maps/mp/Upper.gsc"}},
        {{"--filter", "*.gsc", "--filter", "*.rmb"}, {"a.gsc", "x1.rmb", "xa.rmb"}, {}},
        {{"--only", "rmb,wav"}, {"x1.rmb", "xa.rmb", "fx/boom.wav"}, {}},
        {{"--only", "menu", "--only", "gsc", "--filter", "maps/mp/*"}, {"maps/mp/dm.gsc", "maps/mp/Upper.gsc"}, {}},
    };
    const std::string file = Write("patch.ff", Archive());
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--list", "--json"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(file);
        SCOPED_TRACE(c.options.back());
        const CommandResult result = RunVandrel(args);
        EXPECT_EQ(0, result.status) << result.err;
#ifdef _WIN32
        const Names& expected = c.windows.empty() ? c.linux : c.windows;
#else
        const Names& expected = c.linux;
#endif
        EXPECT_EQ(expected, ListedNames(result.out)) << result.out;
    }
}

TEST_F(CliSelect, ExtractionWritesOnlyTheSelectedFilesButBothListsAsAlways)
{
    Write("patch.ff", Archive());
    const CommandResult result = RunVandrel({"-q", "-s", "--only", "gsc,wav", "--filter", "maps/**", "--filter",
                                             "sound/**", "patch.ff"},
                                            folder_.string());
    EXPECT_EQ(0, result.status) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(4u, lines.size()) << result.out;
    EXPECT_NE(std::string::npos, lines[1].find("Done")) << "the row stays as the window shows it";
    EXPECT_EQ("patch.ff: 4 files selected", lines[3]);
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(Path("patch")))
        if (entry.is_regular_file())
            written.push_back(fs::relative(entry.path(), Path("patch")).generic_string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ((Names{"Refrenced_Sounds.txt", "StringTable.txt", "maps/a.gsc", "maps/mp/Upper.gsc", "maps/mp/dm.gsc",
                     "sound/fx/boom.wav"}),
              written);

    // A selection that takes nothing still leaves the string table an unfiltered run makes.
    ffb::ZoneBuilder other;
    other.Strings({"one"}).Record(ffb::kGsc, "a.gsc", "script");
    Write("other.ff", ffb::FastFile(ffb::kOtherVersion, other.Build()));
    const CommandResult none = RunVandrel({"--json", "-q", "-s", "--filter", "nothing", "other.ff"}, folder_.string());
    EXPECT_EQ(0, none.status) << none.err;
    EXPECT_NE(std::string::npos, none.out.find("\"selected\":0}")) << none.out;
    EXPECT_TRUE(fs::exists(Path("other/StringTable.txt")));
    EXPECT_FALSE(fs::exists(Path("other/a.gsc")));
}
