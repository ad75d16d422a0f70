// The zone header, the string list and the asset type list.
#include "zone_strings.h"

#include "zone_test_support.h"

#include <gtest/gtest.h>

namespace {

void Parse(FFZone& zone, FastFileKind kind, const ffb::Bytes& bytes)
{
    SetZone(zone, kind, bytes);
    ParseStrings(zone);
    ParseAssetTypes(zone);
}

}  // namespace

TEST(ParseStrings, ReadsStringsThenAssetTypesInZoneOrder)
{
    FFZone zone;
    Parse(zone, Version387, ffb::ZoneBuilder().Strings({"mp_crash", "", "sun"}).AssetTypes({0x20, 0xFFFFFFFF, 3}).Build());
    EXPECT_EQ(3, zone.stringCount);
    EXPECT_EQ(3, zone.assetCount);
    EXPECT_EQ((std::vector<std::string>{"mp_crash", "", "sun"}), zone.strings);
    EXPECT_EQ((std::vector<uint32_t>{0x20, 0xFFFFFFFF, 3}), zone.assetTypes);
}

TEST(ParseStrings, NoStringsPutsTheAssetListAtOffset52)
{
    FFZone zone;
    ffb::Bytes bytes = ffb::ZoneBuilder().AssetTypes({7, 8}).Build();
    Parse(zone, OtherVersion, bytes);
    EXPECT_TRUE(zone.strings.empty());
    EXPECT_EQ((std::vector<uint32_t>{7, 8}), zone.assetTypes);
    bytes[52] = 9;
    Parse(zone, OtherVersion, bytes);
    EXPECT_EQ(9u, zone.assetTypes[0]);
}

TEST(ParseStrings, Version5ReadsNeitherList)
{
    FFZone zone;
    Parse(zone, Version5, ffb::ZoneBuilder().Strings({"a", "b"}).AssetTypes({1}).Build());
    EXPECT_TRUE(zone.strings.empty());
    EXPECT_TRUE(zone.assetTypes.empty());
}

TEST(ParseStrings, LongestStringIsReadAndALongerOneEmptiesTheRest)
{
    FFZone zone;
    const std::string longest(1023, 'x');
    Parse(zone, Version387, ffb::ZoneBuilder().Strings({"a", longest, "b"}).Build());
    EXPECT_EQ((std::vector<std::string>{"a", longest, "b"}), zone.strings);

    const std::string tooLong(1024, 'y');
    Parse(zone, Version387, ffb::ZoneBuilder().Strings({"a", tooLong, "b", "c"}).AssetTypes({5}).Build());
    EXPECT_EQ((std::vector<std::string>{"a", "", "", ""}), zone.strings);
    // The cursor stayed on the long string's first character; the asset list is read from there.
    EXPECT_EQ(uint32_t('y' | 'y' << 8 | 'y' << 16 | 'y' << 24), zone.assetTypes.at(0));
}

TEST(ParseStrings, ShortZonesAndNegativeCountsReadNothing)
{
    FFZone zone;
    ffb::Bytes bytes = ffb::ZoneBuilder().Strings({"a"}).AssetTypes({1}).Build();
    Parse(zone, Version387, ffb::Bytes(bytes.begin(), bytes.begin() + 39));
    EXPECT_EQ(0, zone.stringCount);
    EXPECT_EQ(0, zone.assetCount);
    EXPECT_TRUE(zone.strings.empty() && zone.assetTypes.empty());

    // 40 bytes: the string count is there, the asset count is not.
    Parse(zone, Version387, ffb::Bytes(bytes.begin(), bytes.begin() + 40));
    EXPECT_EQ(1, zone.stringCount);
    EXPECT_EQ(0, zone.assetCount);

    Parse(zone, Version387, ffb::ZoneBuilder().Strings({"a"}).StringCount(-1).AssetTypes({1}).AssetCount(-5).Build());
    EXPECT_TRUE(zone.strings.empty());
    EXPECT_TRUE(zone.assetTypes.empty());
}

TEST(ParseStrings, CountsBeyondTheZoneStopAtItsEnd)
{
    FFZone zone;
    ffb::ZoneBuilder builder;
    builder.Strings({"a", "b"}).AssetTypes({1, 2});
    Parse(zone, Version387, builder.AssetCount(0x7FFFFFFF).Build());
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), zone.strings);
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), zone.assetTypes);

    // Slots alone would need 8 GB: nothing lies inside the zone.
    Parse(zone, Version387, builder.StringCount(0x7FFFFFF0).Build());
    EXPECT_TRUE(zone.strings.empty());
    EXPECT_TRUE(zone.assetTypes.empty());

    // The strings that lie inside the zone are read; the list ends with the zone.
    ffb::ZoneBuilder cut;
    cut.Strings({"a", "b", "c"}).Raw(std::string("unterminated"));
    const ffb::Bytes bytes = cut.Build();
    Parse(zone, Version387, bytes);
    ASSERT_EQ(3u, zone.strings.size());
    Parse(zone, Version387, ffb::Bytes(bytes.begin(), bytes.end() - 12 - 1));  // "c"'s zero byte cut off
    EXPECT_EQ((std::vector<std::string>{"a", "b", ""}), zone.strings);
}

TEST(ReadZoneString, NeverLooksPastTheZoneEnd)
{
    FFZone zone;
    SetZone(zone, Version387, ffb::ToBytes("abc"));
    zone.cursor = 0;
    EXPECT_EQ("", ReadZoneString(zone));
    EXPECT_EQ(0, zone.cursor);
    zone.cursor = 3;
    EXPECT_EQ("", ReadZoneString(zone));
    zone.cursor = -1;
    EXPECT_EQ("", ReadZoneString(zone));
    SetZone(zone, Version387, ffb::Bytes{'a', 0, 0});
    EXPECT_EQ("a", ReadZoneString(zone));
    EXPECT_EQ("", ReadZoneString(zone));
    EXPECT_EQ(3, zone.cursor);
}
