// Stage "Writing Files": which entries become files, with which bytes.
#include "disk_destination.h"
#include "extraction_fixture.h"
#include "output_folder.h"
#include "sound_list.h"

#include <cstring>

using testsupport::Exists;
using testsupport::ReadText;

namespace {

std::string Text(size_t length, unsigned seed)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += char('a' + (i * 7 + seed) % 26);
    return text;
}

}  // namespace

TEST_F(ExtractionTest, EntriesAreWrittenNestedAsTheirNamesSay)
{
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kGsc, "maps/mp/gametypes/dm.gsc", "main() { x = 1; }")
        .Record(ffb::kCsc, "clientscripts/mp/a.csc", "csc data")
        .Record(ffb::kRmb, "x.rmb", std::string("r\0m\xff", 4))
        .Record(ffb::kShock, "shock/s.shock", "shock")
        .Record(ffb::kVision, "vision/v.vision", "vision")
        .Record(ffb::kMenu, "ui/main.menu", "menu data that is long");
    Extract(ffb::kVersion5, builder);
    EXPECT_EQ(ReadText(Out("maps/mp/gametypes/dm.gsc")), "main() { x = 1; }");
    EXPECT_EQ(ReadText(Out("clientscripts/mp/a.csc")), "csc data");
    EXPECT_EQ(ReadText(Out("x.rmb")), std::string("r\0m\xff", 4));
    EXPECT_EQ(ReadText(Out("shock/s.shock")), "shock");
    EXPECT_EQ(ReadText(Out("vision/v.vision")), "vision");
    EXPECT_EQ(ReadText(Out("ui/main.menu")), "menu");  // a menu is always 4 bytes
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(ExtractionTest, SoundsWithDataGoIntoTheSoundFolderAndOthersAreOnlyListed)
{
    ffb::ZoneBuilder builder;
    builder.SoundB(std::string("fx") + '\0' + "boom.wav", "RIFFdata")
        .SoundA("voice/hello.wav")
        .SoundBWithLength("amb/ref.wav", 0, "");
    Extract(ffb::kVersion387, builder);
    EXPECT_EQ(ReadText(Out("sound/fx/boom.wav")), "RIFFdata");
    EXPECT_FALSE(Exists(Out("sound/voice/hello.wav")));
    EXPECT_FALSE(Exists(Out("sound/amb/ref.wav")));
    EXPECT_EQ(ReadText(Out("Refrenced_Sounds.txt")),
              std::string(kSoundListHeader) + "voice/hello.wav\namb/ref.wav\n");
}

TEST_F(ExtractionTest, EntriesOfSizeOneOrLessCreateNoFile)
{
    ffb::ZoneBuilder builder;
    builder.RecordWithLength("zero.gsc", 0, "")
        .RecordWithLength("one.gsc", 1, "x")
        .RecordWithLength("negative.rmb", -5, "")
        .Record(ffb::kGsc, "two.gsc", "ab");
    Extract(ffb::kVersion5, builder);
    EXPECT_FALSE(Exists(Out("zero.gsc")));
    EXPECT_FALSE(Exists(Out("one.gsc")));
    EXPECT_FALSE(Exists(Out("negative.rmb")));
    EXPECT_EQ(ReadText(Out("two.gsc")), "ab");
    EXPECT_FALSE(Exists(Out("Refrenced_Sounds.txt")));
}

TEST_F(ExtractionTest, CompressedScriptsAreInflatedLessTheirLastByte)
{
    const std::string hundred = Text(100, 1);
    ffb::ZoneBuilder builder;
    builder.CompressedScript("exact.gsc", hundred, 100)
        .CompressedScript("short.csc", Text(80, 2), 100)
        .CompressedScript("long.gsc", Text(101, 3), 100)
        .CompressedScript("empty.gsc", "", 100)
        .CompressedScript("zero.gsc", "abc", 0)
        .Record(ffb::kGsc, "plain.rmb.gsc", std::string(16, '\x07'))  // not a zlib stream
        .Record(ffb::kRmb, "raw.rmb", "not inflated");
    Extract(ffb::kOtherVersion, builder);
    EXPECT_EQ(ReadText(Out("exact.gsc")), hundred.substr(0, 99));
    EXPECT_EQ(ReadText(Out("short.csc")), Text(80, 2).substr(0, 79));
    for (const char* empty : {"long.gsc", "empty.gsc", "zero.gsc", "plain.rmb.gsc"}) {
        EXPECT_TRUE(Exists(Out(empty))) << empty;
        EXPECT_EQ(ReadText(Out(empty)), "") << empty;
    }
    EXPECT_EQ(ReadText(Out("raw.rmb")), "not inflated");
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(ExtractionTest, Version387ScriptsAreWrittenAsTheyLie)
{
    const ffb::Bytes stream = ffb::Compress(ffb::ToBytes(Text(100, 4)));
    ffb::ZoneBuilder builder;
    builder.CompressedScript("c.gsc", Text(100, 4));
    Extract(ffb::kVersion387, builder);
    std::string expected("\x64\0\0\0", 4);
    expected += char(stream.size());
    expected += std::string(3, '\0');
    expected.append(stream.begin(), stream.end());
    EXPECT_EQ(ReadText(Out("c.gsc")), expected);
}

TEST_F(ExtractionTest, HugeStatedLengthsNeitherCrashNorHoldTheirMemory)
{
    // The last one's compressed length reaches over 2 MB of zone that follow its stream.
    ffb::ZoneBuilder builder;
    builder.CompressedScript("huge.gsc", Text(50, 5), 0xFFFFFFF0u)
        .CompressedScript("big.gsc", Text(50, 6), 0x7FFFFFFF)
        .CompressedScript("over.gsc", Text(50, 7), 0x7FFFFFFF, 0xFFFFFFFFu)
        .Raw(std::string(2 << 20, 'z'));
    Extract(ffb::kOtherVersion, builder);
    EXPECT_EQ(ReadText(Out("huge.gsc")), Text(50, 5).substr(0, 49));
    EXPECT_EQ(ReadText(Out("big.gsc")), Text(50, 6).substr(0, 49));
    EXPECT_EQ(ReadText(Out("over.gsc")), Text(50, 7).substr(0, 49));
    EXPECT_LT(zone.scratchCapacity, 1 << 20);
}

TEST_F(ExtractionTest, ScratchBufferOnlyGrowsAndOutlivesTheJob)
{
    const std::string large = Text(300000, 7);
    ffb::ZoneBuilder builder;
    builder.CompressedScript("large.gsc", large).CompressedScript("small.gsc", "tiny!");
    Extract(ffb::kOtherVersion, builder);
    EXPECT_EQ(ReadText(Out("large.gsc")), large.substr(0, large.size() - 1));
    EXPECT_EQ(ReadText(Out("small.gsc")), "tiny");
    const int32_t capacity = zone.scratchCapacity;
    EXPECT_GE(capacity, 300000);
    ResetZone(zone);
    EXPECT_EQ(zone.scratchCapacity, capacity);

    ffb::ZoneBuilder second;
    second.CompressedScript("again.gsc", "small again");
    Extract(ffb::kOtherVersion, second, "patch.ff");
    EXPECT_EQ(ReadText(Out("again.gsc")), "small agai");
    EXPECT_EQ(zone.scratchCapacity, capacity);
}

TEST_F(ExtractionTest, DataOutsideTheZoneIsNeverWritten)
{
    ffb::ZoneBuilder builder;
    builder.RecordWithLength("tail.gsc", 100000, "only this");  // claims far past the zone's end
    Extract(ffb::kVersion5, builder);
    EXPECT_EQ(ReadText(Out("tail.gsc")), "only this");

    // Entries the scan would never produce, but which the stage must still survive.
    const int32_t size = zone.zoneSize;
    zone.entries.clear();
    zone.entries.push_back({"past.rmb", size + 10, 50, Rmb});
    zone.entries.push_back({"before.rmb", -20, 24, Rmb});
    zone.entries.push_back({"wrap.rmb", 0x7FFFFFF0, 0x7FFFFFFF, Rmb});
    zone.entries.push_back({"script.gsc", size - 4, 64, Gsc});
    zone.kind = OtherVersion;  // the script header itself lies partly outside
    WriteFiles(zone);
    EXPECT_EQ(ReadText(Out("past.rmb")), "");
    EXPECT_EQ(ReadText(Out("before.rmb")), std::string(reinterpret_cast<char*>(zone.zoneData), 4));
    EXPECT_EQ(ReadText(Out("wrap.rmb")), "");
    EXPECT_EQ(ReadText(Out("script.gsc")), "");
}

TEST_F(ExtractionTest, AStopRequestEndsTheStageAtTheNextEntryAndLeavesBothListsAsTheyWere)
{
    // The refusal of the third entry is logged in the middle of the stage: the stop is
    // asked for right then, as another thread could ask for it at any moment.
    struct StopOnLine : LogLineObserver {
        StopOnLine(std::atomic<bool>& stop, std::string line) : stop(stop), line(std::move(line)) {}
        void OnLogLine(const char* written) override { stop = stop || line == written; }
        std::atomic<bool>& stop;
        const std::string line;
    } stopper(stop, "Unsafe path refused: ../stop.gsc");
    theLog.SetLineObserver(&stopper);
    ffb::ZoneBuilder builder;
    builder.SoundA("before.wav")
        .Record(ffb::kGsc, "a.gsc", "aaaa")
        .Record(ffb::kGsc, "../stop.gsc", "xx")
        .SoundA("after.wav")
        .Record(ffb::kGsc, "b.gsc", "bbbb")
        .Strings({"s"});
    request.stringTable = true;
    const std::string earlier = std::string(kSoundListHeader) + "before.wav\nafter.wav\n";  // an earlier run's
    std::filesystem::create_directories(dir / "patch");
    ASSERT_TRUE(ffb::WriteFile(Out("Refrenced_Sounds.txt"), ffb::ToBytes(earlier)));
    Extract(ffb::kVersion387, builder);
    theLog.SetLineObserver(&log);
    EXPECT_EQ(ReadText(Out("a.gsc")), "aaaa");
    EXPECT_FALSE(Exists(Out("b.gsc")));
    EXPECT_EQ(ReadText(Out("Refrenced_Sounds.txt")), earlier);
    EXPECT_FALSE(Exists(Out("StringTable.txt")));
    EXPECT_EQ(tally.refused, 1);
}

// A script that inflates to many times its bytes in the zone, stopped while it is measured
// or once its first block is handed over: no more of it is inflated or written, nothing of
// it is left on disk, and the walk ends there.
TEST_F(ExtractionTest, AStopInTheMiddleOfAHugeScriptLeavesNoPartOfIt)
{
    // The output folder, asking for the stop when the script is begun or once it is handed bytes.
    struct StoppingDisk : DiskDestination {
        StoppingDisk(const std::string& folder, std::atomic<bool>& stop, bool atBegin)
            : DiskDestination(folder), stop(stop), atBegin(atBegin) {}
        bool BeginFile(const ExportedFile& file) override
        {
            stop = stop || atBegin;
            return DiskDestination::BeginFile(file);
        }
        void WriteBytes(const uint8_t* bytes, size_t size) override
        {
            DiskDestination::WriteBytes(bytes, size);
            handedOver += int64_t(size);
            stop = true;
        }
        std::atomic<bool>& stop;
        const bool atBegin;
        int64_t handedOver = 0;
    };
    const int64_t length = 3 * kStopCheckBytes + 2;
    ffb::ZoneBuilder builder;
    builder.CompressedScript("maps/huge.gsc", std::string(size_t(length), 'h')).Record(ffb::kGsc, "after.gsc", "after");
    ASSERT_TRUE(ffb::WriteFile(dir / "patch.ff", ffb::FastFile(ffb::kOtherVersion, builder.Build())));
    for (const bool atBegin : {true, false}) {
        SCOPED_TRACE(atBegin ? "stopped while it is measured" : "stopped after its first block");
        FFZone fresh;
        fresh.path = dir / "patch.ff";
        fresh.name = "patch.ff";
        fresh.folder = dir.Path();
        ASSERT_EQ(LoadAndLocate(fresh), 0);
        stop = false;
        StoppingDisk disk(OutputFolder(fresh), stop, atBegin);
        ExportFiles(fresh, request, disk, &stop);
        EXPECT_EQ(disk.handedOver, atBegin ? 0 : kStopCheckBytes);
        EXPECT_EQ(fresh.scratchCapacity >= length, !atBegin) << "how far the script was measured";
        EXPECT_FALSE(Exists(Out("maps/huge.gsc")));
        EXPECT_FALSE(Exists(Out("after.gsc")));
    }
    EXPECT_TRUE(log.Lines().empty()) << "a stop is no failure";
}

// The glob rules hold, and a match's work stays within the glob's length times the
// name's: the stars of a hostile glob over a long name never try every way they could
// stretch.
TEST(GlobMatches, FollowsItsRulesWithWorkThatGrowsWithTheName)
{
    const std::string underscores = "maps/" + std::string(1000, '_') + "y";
    const std::string as(1000, 'a');
    const struct {
        const char* glob;
        std::string path;
        bool matches;
    } cases[] = {
        {"*", "maps/dm.gsc", false},        {"**/*.gsc", "a.gsc", true},        {"x/**/y", "x/y", true},
        {"[]a]x", "]x", true},              {"[!a-c]x", "bx", false},           {"[a", "[a", true},
        {"maps/*_*x", underscores, false},  {"maps/*_*y", underscores, true},   {"**a**a**a**b", as, false},
        {"*a*a*a*a", as, true},
    };
    for (const auto& c : cases) {
        size_t work = 0;
        EXPECT_EQ(GlobMatches(c.glob, c.path, &work), c.matches) << c.glob;
        EXPECT_LE(work, 2 * (strlen(c.glob) + 1) * (c.path.size() + 1)) << c.glob;
    }
}
