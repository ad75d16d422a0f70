// Where output goes: the per-archive folder, the program's folder, refused names, and
// what a target that cannot be written does.
#include "extraction_fixture.h"
#include "output_folder.h"
#include "sound_list.h"

#ifdef _WIN32
#include <windows.h>
#endif

using testsupport::Exists;
using testsupport::kSep;
using testsupport::ReadText;

TEST(OutputFolder, IsTheArchiveFolderThenTheNameLessItsExtension)
{
    FFZone zone;
    zone.folder = std::string("zone") + kSep + "sub";
    zone.name = "patch.ff";
    EXPECT_EQ(OutputFolder(zone), zone.folder + kSep + "patch" + kSep);
    zone.name = "ff";  // shorter than an extension: no crash, no name
    EXPECT_EQ(OutputFolder(zone), zone.folder + kSep + kSep);
}

TEST(OutputFolder, AnEmptyFolderMeansTheProgramsFolder)
{
    std::string program = GetProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_NE(program.back(), kSep);
    std::error_code error;
    EXPECT_TRUE(std::filesystem::is_directory(program, error));
#ifdef _WIN32
    EXPECT_TRUE(Exists(program + kSep + "output_tests.exe"));
#else
    EXPECT_TRUE(Exists(program + kSep + "output_tests"));
#endif
    FFZone zone;
    zone.name = "patch.ff";
    EXPECT_EQ(OutputFolder(zone), program + kSep + "patch" + kSep);
}

// On Windows "a." and "a " name "a" (a..ff and a.ff share an output folder), and case
// does not count; elsewhere every byte does.
TEST(OutputFolder, PathsThatNameTheSameFileHaveTheSameKey)
{
    const struct {
        const char* a;
        const char* b;
        bool sameOnWindows;
    } cases[] = {{"maps/Dm.gsc", "maps/dm.gsc", true}, {"zone/a./x.gsc", "zone/a/x.gsc", true},
                 {"zone\\a .\\", "zone\\a\\", true}, {"../x", "x", false}, {"a.b/x", "a/x", false}};
    for (const auto& c : cases) {
#ifdef _WIN32
        EXPECT_EQ(PathKey(c.a) == PathKey(c.b), c.sameOnWindows) << c.a << " and " << c.b;
#else
        EXPECT_NE(PathKey(c.a), PathKey(c.b));
#endif
    }
}

TEST(EntryNames, ThoseThatCouldLeaveTheOutputFolderAreUnsafe)
{
    for (const char* name : {"maps/mp/dm.gsc", "a\\b.gsc", "x.gsc", ".hidden.gsc", "a/./b.gsc", "a..b.gsc", "..a.gsc"})
        EXPECT_TRUE(IsSafeEntryName(name)) << name;
    for (const char* name : {"", "../x.gsc", "a/../../x.gsc", "a\\..\\x.gsc", "..", "/abs.gsc", "\\abs.gsc",
                             "\\\\server\\share\\x.gsc", "C:/x.gsc", "c:x.gsc", "x.gsc:stream", "dir/", "dir\\",
                             "a/.../x.gsc", "a/. ./x.gsc", "a/.. /x.gsc", ".", "a/.", "a\\."})
        EXPECT_FALSE(IsSafeEntryName(name)) << name;
}

TEST_F(ExtractionTest, UnsafeNamesAreRefusedLoggedAndNotWritten)
{
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kGsc, "../escape.gsc", "evil")
        .Record(ffb::kGsc, "maps/../../escape2.gsc", "evil")
        .Record(ffb::kCsc, "C:/escape3.csc", "evil")
        .Record(ffb::kRmb, "/tmp/escape4.rmb", "evil")
        .Record(ffb::kGsc, "maps\\..\\..\\escape5.gsc", "evil")
        .RecordWithLength("../listed.gsc", 0, "")
        .Record(ffb::kGsc, "maps/safe.gsc", "good");
    Extract(ffb::kVersion387, builder);

    EXPECT_FALSE(Exists(dir / "escape.gsc"));
    EXPECT_FALSE(Exists(dir / "escape2.gsc"));
    EXPECT_FALSE(Exists(dir / "escape5.gsc"));
    EXPECT_FALSE(Exists(Out("C:/escape3.csc")));
    EXPECT_FALSE(Exists(Out("tmp/escape4.rmb")));
    EXPECT_FALSE(Exists("/tmp/escape4.rmb"));
    EXPECT_TRUE(log.Contains("Unsafe path refused: ../escape.gsc"));
    EXPECT_TRUE(log.Contains("Unsafe path refused: maps/../../escape2.gsc"));
    EXPECT_TRUE(log.Contains("Unsafe path refused: C:/escape3.csc"));
    EXPECT_TRUE(log.Contains("Unsafe path refused: /tmp/escape4.rmb"));
    EXPECT_TRUE(log.Contains("Unsafe path refused: maps\\..\\..\\escape5.gsc"));
    EXPECT_EQ(tally.refused, 5);
    EXPECT_EQ(tally.writeErrors, 0);
    // Nothing is written for an entry without data, so it is only listed, as always.
    EXPECT_EQ(ReadText(Out("Refrenced_Sounds.txt")), std::string(kSoundListHeader) + "../listed.gsc\n");
    EXPECT_EQ(ReadText(Out("maps/safe.gsc")), "good");
}

TEST_F(ExtractionTest, LocalDumpWritesUnderTheProgramsFolder)
{
    std::string name = "vandrel-local-" + std::to_string(VANDREL_GETPID()) + ".ff";
    std::string outFolder = GetProgramFolder() + kSep + name.substr(0, name.size() - 3);
    std::filesystem::remove_all(outFolder);
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kGsc, "maps/mp/gametypes/dm.gsc", "main() {}");
    std::string path = dir / name;
    ASSERT_TRUE(ffb::WriteFile(path, ffb::FastFile(ffb::kVersion5, builder.Build())));
    zone.path = path;
    zone.name = name;
    zone.folder.clear();
    ASSERT_EQ(LoadFastFile(zone), 0);
    LocateFiles(zone);
    WriteFiles(zone);
    std::string target = outFolder + kSep + "maps" + kSep + "mp" + kSep + "gametypes" + kSep + "dm.gsc";
    EXPECT_EQ(ReadText(target), "main() {}");
    EXPECT_FALSE(Exists(dir / name.substr(0, name.size() - 3)));
    std::filesystem::remove_all(outFolder);
}

TEST_F(ExtractionTest, TargetThatIsAFolderLogsTheFullPathAndTheNextEntryIsWritten)
{
    std::filesystem::create_directories(Out("maps/blocked.gsc"));
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kGsc, "maps/blocked.gsc", "lost").Record(ffb::kGsc, "maps/next.gsc", "kept");
    Extract(ffb::kVersion5, builder);
    EXPECT_EQ(tally.writeErrors, 1);
    EXPECT_EQ(tally.refused, 0);
#ifdef _WIN32
    // The Windows runtime reports a folder in the way as access denied.
    EXPECT_TRUE(log.Contains("Permissions Required to write: " + Out("maps/blocked.gsc")));
#else
    EXPECT_TRUE(log.Contains("Failed To write: " + Out("maps/blocked.gsc")));
#endif
    EXPECT_EQ(ReadText(Out("maps/next.gsc")), "kept");
}

// Access denied for a reason that holds for every user: under wine the target is held
// open without sharing; natively the extraction runs as an unprivileged user and the
// target's folder belongs to someone else.
TEST_F(ExtractionTest, TargetThatMayNotBeWrittenLogsPermissionsRequired)
{
    std::filesystem::create_directories(Out("locked"));
    std::filesystem::create_directories(Out("open"));
    const std::string target = Out("locked/a.gsc");
#ifdef _WIN32
    ASSERT_TRUE(ffb::WriteFile(target, ffb::ToBytes("old")));
    HANDLE holder = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
#else
    for (const std::string& folder : {dir.Path(), dir / "patch", Out("locked")})
        testsupport::OpenToOthers(folder);
    std::filesystem::permissions(Out("open"), std::filesystem::perms::all);
#endif
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kGsc, "locked/a.gsc", "new").Record(ffb::kGsc, "open/next.gsc", "kept");
    ASSERT_TRUE(ffb::WriteFile(dir / "patch.ff", ffb::FastFile(ffb::kVersion5, builder.Build())));
#ifndef _WIN32
    testsupport::OpenToOthers(dir / "patch.ff");
#endif
    auto run = [&] {
        ExtractWritten("patch.ff");
        EXPECT_TRUE(log.Contains("Permissions Required to write: " + target));
        EXPECT_EQ(tally.writeErrors, 1);
        EXPECT_EQ(ReadText(Out("open/next.gsc")), "kept");
        return log.Contains("Permissions Required to write: " + target) && tally.writeErrors == 1 &&
               ReadText(Out("open/next.gsc")) == "kept";
    };
#ifdef _WIN32
    run();
    CloseHandle(holder);
    EXPECT_EQ(ReadText(target), "old");
#else
    EXPECT_TRUE(testsupport::RunUnprivileged(run));
    EXPECT_FALSE(Exists(target));
#endif
}

#ifndef _WIN32
// A disk that fills up part way (a file size limit): a file cut short in its writes, or
// only at its close (its bytes still buffered), is removed, logged and counted as one
// that cannot be made, StringTable.txt too, and the job goes on.
TEST_F(ExtractionTest, AFileNotWrittenWholeIsRemovedLoggedAndCounted)
{
    constexpr size_t kLimit = 1000;  // less than the runtime buffers before it writes
    ffb::ZoneBuilder builder;
    builder.Record(ffb::kRmb, "buffered.rmb", std::string(2000, 'b'))
        .Record(ffb::kRmb, "large.rmb", std::string(100000, 'l'))
        .Record(ffb::kRmb, "next.rmb", std::string(kLimit, 'n'))
        .Strings(std::vector<std::string>(100, std::string(20, 's')));
    request.stringTable = true;
    ASSERT_TRUE(ffb::WriteFile(dir / "patch.ff", ffb::FastFile(ffb::kOtherVersion, builder.Build())));
    const std::vector<std::string> lost = {Out("buffered.rmb"), Out("large.rmb"), Out("StringTable.txt")};
    EXPECT_TRUE(testsupport::RunWithFileSizeLimit(kLimit, [&] {
        ExtractWritten("patch.ff");
        return tally.writeErrors == 3 && log.Lines() == std::vector<std::string>{"Failed To write: " + lost[0],
                                                                               "Failed To write: " + lost[1],
                                                                               "Failed To write: " + lost[2]};
    })) << "not counted or not logged";
    for (const std::string& path : lost)
        EXPECT_FALSE(Exists(path)) << path;
    EXPECT_EQ(ReadText(Out("next.rmb")), std::string(kLimit, 'n'));
}
#endif
