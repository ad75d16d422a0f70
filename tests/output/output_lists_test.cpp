// Refrenced_Sounds.txt and StringTable.txt.
#include "extraction_fixture.h"
#include "output_folder.h"
#include "sound_list.h"

using testsupport::Exists;
using testsupport::kSep;
using testsupport::ReadText;

TEST_F(ExtractionTest, OnlyVersion387ArchivesGetASoundList)
{
    for (const uint8_t* version : {ffb::kVersion5, ffb::kOtherVersion}) {
        ffb::ZoneBuilder builder;
        builder.RecordWithLength("empty.gsc", 0, "").SoundBWithLength("ref.wav", 0, "");
        Extract(version, builder);
        EXPECT_FALSE(Exists(Out("Refrenced_Sounds.txt")));
        ResetZone(zone);
    }
}

TEST_F(ExtractionTest, SoundListWithoutEntriesHoldsTheHeaderAlone)
{
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kGsc, "a.gsc", "data");
    Extract(ffb::kVersion307, builder);
    EXPECT_EQ(ReadText(Out("Refrenced_Sounds.txt")), "// Kest_Ryn: Vandrel - Sound Refrence List\n\n");
}

TEST_F(ExtractionTest, SoundListNamesEveryEntryWithoutDataAsTheZoneHoldsIt)
{
    ffb::ZoneBuilder builder;
    builder.SoundA(std::string("voice") + '\0' + "hi.wav")
        .RecordWithLength("maps/none.gsc", 1, "x")
        .RecordWithLength("neg.vision", -3, "")
        .SoundA(std::string("voice") + '\0' + "hi.wav")
        .SoundError()
        .Record(ffb::kGsc, "with/data.gsc", "yes");
    Extract(ffb::kVersion387, builder);
    EXPECT_EQ(ReadText(Out("Refrenced_Sounds.txt")),
              "// Kest_Ryn: Vandrel - Sound Refrence List\n\nvoice/hi.wav\nmaps/none.gsc\nneg.vision\nvoice/hi.wav\n");
}

TEST_F(ExtractionTest, AFailedListIsLoggedAndTheNextJobGetsItsOwn)
{
    std::filesystem::create_directories(Out("Refrenced_Sounds.txt"));  // a folder in the way
    ffb::ZoneBuilder builder;
    builder.SoundA("first.wav").Record(ffb::kGsc, "a.gsc", "data");
    Extract(ffb::kVersion387, builder);
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(tally.writeErrors, 1);
    EXPECT_EQ(ReadText(Out("a.gsc")), "data");
    ResetZone(zone);

    ffb::ZoneBuilder second;
    second.SoundA("second.wav");
    Extract(ffb::kVersion387, second, "other.ff");
    EXPECT_EQ(ReadText(dir / "other/Refrenced_Sounds.txt"),
              "// Kest_Ryn: Vandrel - Sound Refrence List\n\nsecond.wav\n");
}

TEST_F(ExtractionTest, StringTableHoldsEveryStringInOrder)
{
    ffb::ZoneBuilder builder;
    builder.Strings({"mp_crash", "", "sun"}).Record(ffb::kGsc, "a.gsc", "data");
    request.stringTable = true;
    Extract(ffb::kVersion387, builder);
    EXPECT_EQ(tally.writeErrors, 0);
    EXPECT_EQ(ReadText(Out("StringTable.txt")), "// Kest_Ryn: Vandrel - String Table Dump\n\nmp_crash\n\nsun\n");
}

TEST_F(ExtractionTest, NoStringTableWithoutStrings)
{
    ffb::ZoneBuilder builder;
    builder.Strings({"never", "read"}).Record(ffb::kGsc, "a.gsc", "data");
    request.stringTable = true;
    Extract(ffb::kVersion5, builder);  // such archives have no string list
    EXPECT_EQ(tally.writeErrors, 0);
    EXPECT_FALSE(Exists(Out("StringTable.txt")));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(ExtractionTest, StringTableDoesNotCreateTheFolder)
{
    ffb::ZoneBuilder builder;
    builder.Strings({"one"});
    request.stringTable = true;
    Extract(ffb::kOtherVersion, builder);  // no file written, no sound list opened
    EXPECT_EQ(tally.writeErrors, 1);
    EXPECT_FALSE(Exists(dir / "patch"));
    EXPECT_TRUE(log.Contains("Failed To write: " + Out("StringTable.txt")));
}
