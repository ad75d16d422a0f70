// Locating embedded files: record forms, markers, sounds and the kinds that see them.
#include "asset_scan.h"

#include "zone_test_support.h"

#include <gtest/gtest.h>

namespace {

std::vector<ZoneEntry> Scan(FFZone& zone, FastFileKind kind, const ffb::Bytes& bytes)
{
    SetZone(zone, kind, bytes);
    LocateFiles(zone);
    return zone.entries;
}

std::string ZoneText(const FFZone& zone, int32_t offset, int32_t length)
{
    return std::string(reinterpret_cast<const char*>(zone.zoneData) + offset, size_t(length));
}

}  // namespace

TEST(LocateFiles, FindsEveryRecordTypeWithNameOffsetAndSize)
{
    ffb::ZoneBuilder builder;
    builder.Strings({"s"}).Raw(std::string("padding "));
    const size_t gscAt = builder.NextOffset();
    builder.Record(ffb::kGsc, "maps/mp/gametypes/dm.gsc", "main(){}");
    builder.Record(ffb::kCsc, "clientscripts/x.csc", "csc!");
    builder.Record(ffb::kMenu, "ui/main.menu", "0123456789");
    builder.Record(ffb::kRmb, "rumble/a.rmb", "r");
    builder.Record(ffb::kShock, "shock/b.shock", "shock data");
    builder.Record(ffb::kVision, "vision/c.vision", "vision data");
    FFZone zone;
    const auto entries = Scan(zone, Version387, builder.Build());
    ASSERT_EQ(6u, entries.size());
    EXPECT_EQ("maps/mp/gametypes/dm.gsc", entries[0].name);
    EXPECT_EQ(Gsc, entries[0].type);
    EXPECT_EQ(int32_t(gscAt + 8 + 25), entries[0].dataOffset);
    EXPECT_EQ(8, entries[0].size);
    EXPECT_EQ("main(){}", ZoneText(zone, entries[0].dataOffset, entries[0].size));
    EXPECT_EQ(Csc, entries[1].type);
    EXPECT_EQ("csc!", ZoneText(zone, entries[1].dataOffset, entries[1].size));
    EXPECT_EQ(Menu, entries[2].type);
    EXPECT_EQ(4, entries[2].size);  // whatever the length field says
    EXPECT_EQ(Rmb, entries[3].type);
    EXPECT_EQ(1, entries[3].size);
    EXPECT_EQ(Shock, entries[4].type);
    EXPECT_EQ("shock data", ZoneText(zone, entries[4].dataOffset, entries[4].size));
    EXPECT_EQ(Vision, entries[5].type);
    EXPECT_EQ("vision data", ZoneText(zone, entries[5].dataOffset, entries[5].size));
}

TEST(LocateFiles, MenuListWithCommaIsOneEntryFoundByTheLastName)
{
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kMenu, "ui/a.menu,ui/b.menu", "data");
    FFZone zone;
    const auto entries = Scan(zone, Version5, builder.Build());
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("ui/a.menu,ui/b.menu", entries[0].name);
    EXPECT_EQ(Menu, entries[0].type);
    EXPECT_EQ(4, entries[0].size);
}

TEST(LocateFiles, KindsDecideWhichNamesAreLocated)
{
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kMenu, "ui/a.menu", "m");
    builder.SoundB("fx/boom.wav", "RIFF");
    builder.Record(ffb::kGsc, "x.gsc", "g");
    const ffb::Bytes bytes = builder.Build();
    FFZone zone;
    EXPECT_EQ(3u, Scan(zone, Version387, bytes).size());
    auto v5 = Scan(zone, Version5, bytes);
    ASSERT_EQ(2u, v5.size());
    EXPECT_EQ(Menu, v5[0].type);
    auto other = Scan(zone, OtherVersion, bytes);
    ASSERT_EQ(1u, other.size());
    EXPECT_EQ(Gsc, other[0].type);
}

TEST(LocateFiles, SoundFormsAndRefusals)
{
    ffb::ZoneBuilder builder;
    builder.SoundA("voice/hello.wav");
    builder.SoundError();
    builder.SoundB(std::string("fx") + '\0' + "boom.wav", "RIFFdata");
    builder.SoundBWithLength("amb/ref.wav", -1, "");
    builder.Raw(std::string("\xFF\xFF\xFF\xFF" "quote.wav'", 14));
    FFZone zone;
    const auto entries = Scan(zone, Version387, builder.Build());
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("voice/hello.wav", entries[0].name);
    EXPECT_EQ(1, entries[0].size);
    EXPECT_EQ(Sound, entries[0].type);
    EXPECT_EQ("fx/boom.wav", entries[1].name);
    EXPECT_EQ(8, entries[1].size);
    EXPECT_EQ("RIFFdata", ZoneText(zone, entries[1].dataOffset, 8));
    EXPECT_EQ('/', zone.zoneData[entries[1].dataOffset - 1 - 11 + 2]) << "the zero byte inside the name became '/'";
    EXPECT_EQ("amb/ref.wav", entries[2].name);
    EXPECT_EQ(1, entries[2].size);
}

TEST(LocateFiles, RecordsBackToBackAndLengthsOfEveryKind)
{
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kGsc, "a.gsc", "aaaa");
    builder.Record(ffb::kGsc, "b.gsc", "bbbb");
    builder.RecordWithLength("zero.rmb", 0, "");
    builder.RecordWithLength("neg.rmb", -20, "");
    builder.Record(ffb::kShock, "after.shock", "s");
    builder.RecordWithLength("huge.vision", 0x7FFFFFFF, "tail");
    FFZone zone;
    const auto entries = Scan(zone, Version387, builder.Build());
    ASSERT_EQ(6u, entries.size());
    EXPECT_EQ("a.gsc", entries[0].name);
    EXPECT_EQ("b.gsc", entries[1].name);
    EXPECT_EQ(0, entries[2].size);
    EXPECT_EQ(-20, entries[3].size);
    EXPECT_EQ("after.shock", entries[4].name);
    EXPECT_EQ(0x7FFFFFFF, entries[5].size);
}

TEST(LocateFiles, LongestMarkerRunUsesItsLastFourBytes)
{
    // length field, then five 0xFF: the length is read from the 4 bytes before the last four.
    ffb::Bytes bytes = ffb::ZoneBuilder().Build();
    const uint8_t record[] = {0x03, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'x', '.', 'g', 's', 'c', 0, 'a', 'b', 'c'};
    bytes.insert(bytes.end(), record, record + sizeof record);
    FFZone zone;
    const auto entries = Scan(zone, OtherVersion, bytes);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(int32_t(0xFF000000), entries[0].size);  // 00 00 00 FF read as the length
    EXPECT_EQ("x.gsc", entries[0].name);
}

TEST(LocateFiles, CandidatesWithoutMarkerOrRoomAreSkipped)
{
    FFZone zone;
    EXPECT_TRUE(Scan(zone, Version387, ffb::ToBytes("no marker: a.gsc b.menu c.wav d.vision")).empty());
    // A marker at the very start has no room for a length field before it.
    EXPECT_TRUE(Scan(zone, Version387, ffb::ToBytes("\xFF\xFF\xFF\xFF" "a.gsc")).empty());
    // Extensions cut by the zone's end, and ".menu"/".wav" with nothing after them.
    EXPECT_TRUE(Scan(zone, Version387, ffb::ToBytes("\x01\0\0\0\xFF\xFF\xFF\xFF" "a.gs")).empty());
    EXPECT_TRUE(Scan(zone, Version387, ffb::Bytes{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'a', '.', 'm', 'e', 'n', 'u'}).empty());
    // A name unreadable before the zone's end still gives an entry, with an empty name.
    const auto cut = Scan(zone, Version387, ffb::Bytes{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'a', '.', 'g', 's', 'c'});
    ASSERT_EQ(1u, cut.size());
    EXPECT_EQ("", cut[0].name);
    // Case matters; ".gscx" still counts as ".gsc".
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kGsc, "upper.GSC", "x").Record(ffb::kGsc, "odd.gscx", "y");
    const auto typed = Scan(zone, Version387, builder.Build());
    ASSERT_EQ(1u, typed.size());
    EXPECT_EQ("odd.gscx", typed[0].name);
}

TEST(LocateFiles, RefusedSoundRecordGivesNoEntryForTheWavNameAfterIt)
{
    // The name after "ERROR" has no marker of its own: its ".wav" leads back to the
    // refused record's marker, and the scan goes on after that dot.
    ffb::ZoneBuilder builder;
    builder.SoundError("fx/refused.wav").SoundB("fx/next.wav", "RIFF");
    FFZone zone;
    const auto entries = Scan(zone, Version387, builder.Build());
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("fx/next.wav", entries[0].name);
    EXPECT_EQ("RIFF", ZoneText(zone, entries[0].dataOffset, entries[0].size));
}

TEST(ReadSoundName, FindsAWavThatStartsWithinItsFirst1024Bytes)
{
    // prefix length: ".wav" starts at that offset; the last examined offset is 1023.
    for (size_t prefix : {size_t(0), size_t(1020), size_t(1021), size_t(1022), size_t(1023), size_t(1024),
                          size_t(1025)}) {
        SCOPED_TRACE(prefix);
        FFZone zone;
        const std::string name = std::string(prefix, 'a') + ".wav";
        SetZone(zone, Version387, ffb::ToBytes(name + "!"));
        zone.cursor = 0;
        if (prefix <= 1023) {
            EXPECT_EQ(name, ReadSoundName(zone));
            EXPECT_EQ(int32_t(prefix + 5), zone.cursor);
        } else {
            EXPECT_EQ("", ReadSoundName(zone));
            EXPECT_EQ(0, zone.cursor);
        }
    }
}

TEST(ReadSoundName, NameCutByTheZonesEndIsUnreadable)
{
    FFZone zone;
    SetZone(zone, Version387, ffb::ToBytes("end.wa"));
    EXPECT_EQ("", ReadSoundName(zone));
    EXPECT_EQ(0, zone.cursor);
}
