// vandrel --diff OLD.ff NEW.ff: what the two extractions would write differently, as
// lines or JSON objects sorted by path, and the exit statuses.
#include "command_runner.h"

#include "ff_builder.h"

#include <gtest/gtest.h>

namespace {

struct File {
    ffb::RecordType type;
    const char* path;
    const char* bytes;
};

class CliDiff : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        WriteArchive("old.ff", {"old"},
                     {{ffb::kGsc, "a.gsc", "one"},
                      {ffb::kGsc, "same.gsc", "same"},
                      {ffb::kRmb, "gone.rmb", "bye!"},
                      {ffb::kGsc, "dup.gsc", "replaced later"},
                      {ffb::kGsc, "dup.gsc", "final"}});
        // The same files as old.ff would write, from other zone bytes and in another order.
        WriteArchive("reordered.ff", {"new"},
                     {{ffb::kGsc, "dup.gsc", "final"},
                      {ffb::kRmb, "gone.rmb", "bye!"},
                      {ffb::kGsc, "same.gsc", "same"},
                      {ffb::kGsc, "a.gsc", "one"}});
        WriteArchive("new.ff", {},
                     {{ffb::kGsc, "a.gsc", "two!!"},
                      {ffb::kGsc, "same.gsc", "same"},
                      {ffb::kGsc, "dup.gsc", "final"},
                      {ffb::kRmb, "added.rmb", "new!"},
                      {ffb::kRmb, "Zed.rmb", "zed"}});
    }

    void WriteArchive(const std::string& name, const std::vector<std::string>& strings, const std::vector<File>& files)
    {
        ffb::ZoneBuilder zone;
        zone.Strings(strings);
        for (const File& file : files)
            zone.Record(file.type, file.path, file.bytes);
        Write(name, ffb::FastFile(ffb::kVersion387, zone.Build()));
    }
};

}  // namespace

TEST_F(CliDiff, ListsAddedRemovedAndChangedPathsInByteOrderAndExitsByTheOutcome)
{
    struct Case {
        std::vector<std::string> args;  // the new archive last
        int status;
        std::string out;
        std::string err = "";
    };
    const std::vector<Case> cases = {
        {{"new.ff"}, 1, "A Zed.rmb 3\nM a.gsc 3 -> 5\nA added.rmb 4\nD gone.rmb 4\n"},
        {{"--json", "new.ff"},
         1,
         "{\"path\":\"Zed.rmb\",\"change\":\"added\",\"old_size\":null,\"new_size\":3}\n"
         "{\"path\":\"a.gsc\",\"change\":\"changed\",\"old_size\":3,\"new_size\":5}\n"
         "{\"path\":\"added.rmb\",\"change\":\"added\",\"old_size\":null,\"new_size\":4}\n"
         "{\"path\":\"gone.rmb\",\"change\":\"removed\",\"old_size\":4,\"new_size\":null}\n"},
        {{"old.ff"}, 0, ""},
        {{"reordered.ff"}, 0, ""},
        {{"-s", "reordered.ff"}, 1, "M StringTable.txt 46 -> 46\n"},
        {{"--only", "rmb", "new.ff"}, 1, "A Zed.rmb 3\nA added.rmb 4\nD gone.rmb 4\n"},
        {{"broken.ff"}, 2, "", "(broken.ff) Error: invalid or incomplete deflate data\n"},
        {{"missing.ff"}, 2, "", "(missing.ff) Error: Can't Open File\n"},
    };
    Write("broken.ff", ffb::FastFile(ffb::kVersion387, ffb::ZoneBuilder().Build(), ffb::Body::NotZlib));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        std::vector<std::string> args = {"--diff"};
        args.insert(args.end(), c.args.begin(), c.args.end() - 1);
        args.insert(args.end(), {"old.ff", c.args.back()});
        const CommandResult result = RunVandrel(args, folder_.string());
        EXPECT_EQ(c.status, result.status) << result.err;
        EXPECT_EQ(c.out, result.out);
        EXPECT_EQ(c.err, result.err);
    }
}
