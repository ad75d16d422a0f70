// vandrel --diff OLD.ff NEW.ff: what the two extractions would write differently, as
// lines or JSON objects sorted by path, and the exit statuses.
#include "command_runner.h"

#include "ff_builder.h"

#include <gtest/gtest.h>

namespace {

class CliDiff : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        ffb::ZoneBuilder before;
        before.Strings({"old"});
        before.Record(ffb::kGsc, "a.gsc", "one");
        before.Record(ffb::kGsc, "same.gsc", "same");
        before.Record(ffb::kRmb, "gone.rmb", "bye!");
        before.Record(ffb::kGsc, "dup.gsc", "replaced later");
        before.Record(ffb::kGsc, "dup.gsc", "final");
        Write("old.ff", ffb::FastFile(ffb::kVersion387, before.Build()));

        // The same files as old.ff would write, from other zone bytes and in another order.
        ffb::ZoneBuilder reordered;
        reordered.Strings({"new"});
        reordered.Record(ffb::kGsc, "dup.gsc", "final");
        reordered.Record(ffb::kRmb, "gone.rmb", "bye!");
        reordered.Record(ffb::kGsc, "same.gsc", "same");
        reordered.Record(ffb::kGsc, "a.gsc", "one");
        Write("reordered.ff", ffb::FastFile(ffb::kVersion387, reordered.Build()));

        ffb::ZoneBuilder after;
        after.Record(ffb::kGsc, "a.gsc", "two!!");
        after.Record(ffb::kGsc, "same.gsc", "same");
        after.Record(ffb::kGsc, "dup.gsc", "final");
        after.Record(ffb::kRmb, "added.rmb", "new!");
        after.Record(ffb::kRmb, "Zed.rmb", "zed");
        Write("new.ff", ffb::FastFile(ffb::kVersion387, after.Build()));
    }
};

}  // namespace

TEST_F(CliDiff, ListsAddedRemovedAndChangedPathsInByteOrder)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        std::vector<std::string> args = {"--diff"};
        args.insert(args.end(), c.args.begin(), c.args.end() - 1);
        args.insert(args.end(), {"old.ff", c.args.back()});
        const CommandResult result = RunVandrel(args, folder_.string());
        EXPECT_EQ(c.status, result.status) << result.err;
        EXPECT_EQ(c.out, result.out);
    }
}

TEST_F(CliDiff, AnArchiveThatDoesNotLoadExitsTwoWithItsError)
{
    Write("broken.ff", ffb::FastFile(ffb::kVersion387, ffb::ZoneBuilder().Build(), ffb::Body::NotZlib));
    for (const auto& pair : std::vector<std::vector<std::string>>{{"old.ff", "broken.ff"}, {"missing.ff", "old.ff"}}) {
        const CommandResult result = RunVandrel({"--diff", pair[0], pair[1]}, folder_.string());
        EXPECT_EQ(2, result.status);
        EXPECT_EQ("", result.out);
        const std::string expected = pair[1] == "broken.ff" ? "(broken.ff) Error: invalid or incomplete deflate data\n"
                                                             : "(missing.ff) Error: Can't Open File\n";
        EXPECT_EQ(expected, result.err);
    }
}
