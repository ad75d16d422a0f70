// vandrel --list: the JSON and text listings, exit statuses and usage errors.
#include "command_runner.h"

#include "ff_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using CliList = CliTest;

}  // namespace

TEST_F(CliList, JsonLineHoldsEverythingTheEngineRead)
{
    ffb::ZoneBuilder zone;
    zone.Strings({"mp_a", ""}).AssetTypes({32, 4000000000u});
    const size_t gscAt = zone.NextOffset();
    zone.Record(ffb::kGsc, "maps/dm.gsc", "main(){}");
    zone.SoundBWithLength("ref.wav", 0, "");
    const ffb::Bytes bytes = zone.Build();
    const std::string file = Write("patch.ff", ffb::FastFile(ffb::kVersion387, bytes));

    const CommandResult result = RunVandrel({"--list", "--json", file});
    EXPECT_EQ(0, result.status) << result.err;
    const std::string expected = "{\"file\":\"" + file + "\",\"result\":0,\"message\":\"Success\",\"kind\":2,\"zone_size\":" +
                                 std::to_string(bytes.size()) +
                                 ",\"strings\":[\"mp_a\",\"\"],\"asset_types\":[32,4000000000],\"entries\":["
                                 "{\"name\":\"maps/dm.gsc\",\"type\":1,\"offset\":" + std::to_string(gscAt + 8 + 12) +
                                 ",\"size\":8},{\"name\":\"ref.wav\",\"type\":7,\"offset\":" +
                                 std::to_string(bytes.size()) + ",\"size\":0}]}\n";
    EXPECT_EQ(expected, result.out);
}

TEST_F(CliList, BytesOutsidePrintableAsciiAreEscaped)
{
    ffb::ZoneBuilder zone;
    zone.Strings({std::string("q\"b\\s\x01\x7f\xe9", 8)});
    const std::string file = Write("odd.ff", ffb::FastFile(ffb::kOtherVersion, zone.Build()));
    const CommandResult result = RunVandrel({"--list", "--json", file});
    EXPECT_NE(std::string::npos, result.out.find("\"strings\":[\"q\\\"b\\\\s\\u0001\\u007f\\u00e9\"]")) << result.out;
}

TEST_F(CliList, FailuresGiveResultAndMessageAndExitOne)
{
    const std::string good = Write("good.ff", ffb::FastFile(ffb::kVersion5, ffb::ZoneBuilder().Build()));
    const std::string header = Write("header.ff", ffb::ToBytes("IWff"));
    const std::string truncated =
        Write("cut.ff", ffb::FastFile(ffb::kVersion387, ffb::SampleZone(3, 5), ffb::Body::Truncated));
    const std::string missing = (folder_ / "missing.ff").string();

    const CommandResult result = RunVandrel({"--list", "--json", good, header, truncated, missing});
    EXPECT_EQ(1, result.status);
    const auto lines = Lines(result.out);
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(0u, lines[0].find("{\"file\":\"" + good + "\",\"result\":0,\"message\":\"Success\",\"kind\":1,"));
    EXPECT_EQ("{\"file\":\"" + header + "\",\"result\":3,\"message\":\"FastFile is either corrupt or not a supported Version\"}", lines[1]);
    EXPECT_EQ("{\"file\":\"" + truncated + "\",\"result\":-3,\"message\":\"invalid or incomplete deflate data\"}", lines[2]);
    EXPECT_EQ("{\"file\":\"" + missing + "\",\"result\":6,\"message\":\"Can't Open File\"}", lines[3]);
}

TEST_F(CliList, RelativePathsAreMadeAbsoluteAndTextListsEntries)
{
    ffb::ZoneBuilder zone;
    zone.Record(ffb::kMenu, std::string("ui/\x1b[2Jx.menu"), "m");
    Write("rel.ff", ffb::FastFile(ffb::kVersion5, zone.Build()));
    const CommandResult result = RunVandrel({"--list", "rel.ff"}, folder_.string());
    EXPECT_EQ(0, result.status);
    const auto lines = Lines(result.out);
    ASSERT_EQ(3u, lines.size()) << result.out;
    EXPECT_EQ((folder_ / "rel.ff").string(), lines[0]);
    EXPECT_NE(std::string::npos, lines[1].find("kind Version5"));
    EXPECT_NE(std::string::npos, lines[2].find("Menu"));
    EXPECT_NE(std::string::npos, lines[2].find("ui/\\x1b[2Jx.menu")) << "control bytes never reach the terminal";
}

TEST(CliUsage, ErrorsExitTwoWithMessageAndUsage)
{
    struct Case {
        std::vector<std::string> args;
        const char* named;  // what the message must name
    };
    const std::vector<Case> cases = {
        {{}, "no FastFile"},
        {{"--list"}, "no FastFile"},
        {{"--bogus", "a.ff"}, "--bogus"},
        {{"-x", "a.ff"}, "-x"},
        {{"a.ff", "-o"}, "-o"},
        {{"--log"}, "--log"},
        {{"--only", "gsc,GSC", "a.ff"}, "'GSC'"},
        {{"--only", "gsc,", "a.ff"}, "''"},
        {{"-j", "0", "a.ff"}, "'0'"},
        {{"--jobs", "two", "a.ff"}, "'two'"},
        {{"-j2x", "a.ff"}, "'2x'"},
        {{"--cat", "x.gsc", "a.ff", "b.ff"}, "--cat"},
        {{"--diff", "a.ff"}, "--diff"},
        {{"--list", "--diff", "a.ff", "b.ff"}, "--list"},
    };
    for (const Case& c : cases) {
        const CommandResult result = RunVandrel(c.args);
        EXPECT_EQ(2, result.status);
        EXPECT_TRUE(result.out.empty());
        EXPECT_EQ(0u, result.err.find("vandrel: ")) << result.err;
        EXPECT_NE(std::string::npos, result.err.find(c.named)) << result.err;
        EXPECT_NE(std::string::npos, result.err.find("usage: vandrel")) << result.err;
    }
}

TEST(CliUsage, HelpAndVersion)
{
    CommandResult result = RunVandrel({"--version"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("vandrel 1.02\n", result.out);
    result = RunVandrel({"-h"});
    EXPECT_EQ(0, result.status);
    EXPECT_NE(std::string::npos, result.out.find("--output-dir DIR"));
}
