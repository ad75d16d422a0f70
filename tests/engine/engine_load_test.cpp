// Opening FastFiles: header classes, the inflation into a growing zone, load failures and the .dump.
#include "engine_work.h"
#include "fastfile_load.h"

#include "ff_builder.h"
#include "output_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using testsupport::TempFolder;

ffb::Bytes Pattern(size_t length)
{
    ffb::Bytes bytes(length);
    uint32_t state = 12345;
    for (size_t i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = uint8_t(i % 7 == 0 ? state >> 24 : 'a' + i % 26);
    }
    return bytes;
}

int32_t LoadBytes(FFZone& zone, const TempFolder& folder, const ffb::Bytes& file)
{
    zone.path = (folder / "patch.ff");
    EXPECT_TRUE(ffb::WriteFile(zone.path, file));
    return LoadFastFile(zone);
}

ffb::Bytes ZoneBytes(const FFZone& zone) { return ffb::Bytes(zone.zoneData, zone.zoneData + zone.zoneSize); }

}  // namespace

TEST(LoadFastFile, ClassifiesVersionsByBytesEightAndNine)
{
    const uint8_t v5b[4] = {0x05, 0xEE, 0x00, 0x00};
    const uint8_t v387[4] = {0x83, 0x01, 0x77, 0x77};
    const uint8_t v307[4] = {0x33, 0x01, 0x00, 0x00};
    const uint8_t other[4] = {0x83, 0x02, 0x00, 0x00};
    const uint8_t other2[4] = {0x01, 0x01, 0x00, 0x00};
    ffb::Bytes header = ffb::ToBytes("IWffu100");
    auto classify = [&](const uint8_t* version) {
        ffb::Bytes h = header;
        h.insert(h.end(), version, version + 4);
        return ClassifyHeader(h.data(), h.size());
    };
    EXPECT_EQ(Version5, classify(ffb::kVersion5));
    EXPECT_EQ(Version5, classify(v5b));
    EXPECT_EQ(Version387, classify(v387));
    EXPECT_EQ(Version387, classify(v307));
    EXPECT_EQ(OtherVersion, classify(other));
    EXPECT_EQ(OtherVersion, classify(other2));
    ffb::Bytes wrong = ffb::ToBytes("IWffu101");
    wrong.insert(wrong.end(), ffb::kVersion387, ffb::kVersion387 + 4);
    EXPECT_EQ(NotFastFile, ClassifyHeader(wrong.data(), wrong.size()));
    EXPECT_EQ(NotFastFile, ClassifyHeader(header.data(), 11));
}

TEST(LoadFastFile, OtherVersionIsStillInflated)
{
    TempFolder folder;
    FFZone zone;
    const ffb::Bytes content = ffb::ZoneBuilder().Strings({"a"}).Build();
    ASSERT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kOtherVersion, content)));
    EXPECT_EQ(OtherVersion, zone.kind);
    EXPECT_EQ(content, ZoneBytes(zone));
}

// The zone grows in place and each of its bytes comes out of inflate once; only a zone
// that outgrows the address space it could reserve is measured first, and inflated again.
TEST(InflateZone, GrowsInPlaceAndInflatesEachByteOnce)
{
    constexpr int32_t kStep = kZoneGrowthStep;
    constexpr int kOnce = 1, kTwice = 2, kRefused = 0;
    const ZoneLimits whole;
    const ZoneLimits reservedOneStep{kMaxInflatedLength, kStep};
    const ZoneLimits nothingReserved{kMaxInflatedLength, 0};
    const ZoneLimits largestOneStep{kStep, kZoneReservation};
    const struct {
        const char* what;
        int32_t length;
        ZoneLimits limits;
        int32_t capacity;
        int inflations;  // of the whole zone: its bytes inflated per load, in zone sizes
    } cases[] = {
        {"a few hundred bytes", 300, whole, kFirstInflateWindow, kOnce},
        {"exactly the first window", kFirstInflateWindow, whole, kFirstInflateWindow, kOnce},
        {"a byte past the first window", kFirstInflateWindow + 1, whole, kStep, kOnce},
        {"exactly one growth step", kStep, whole, kStep, kOnce},
        {"a byte past a growth step", kStep + 1, whole, 2 * kStep, kOnce},
        {"past its reservation: measured, then in a block of its size", kStep + 1, reservedOneStep, kStep + 1, kTwice},
        {"no address space reserved: the same", kStep + 1, nothingReserved, kStep + 1, kTwice},
        {"exactly the largest a zone may hold", kStep, largestOneStep, kStep, kOnce},
        {"a byte more than a zone may hold", kStep + 1, largestOneStep, 0, kRefused},
        {"a step more, with nothing reserved", 2 * kStep, ZoneLimits{kStep, 0}, 0, kRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ffb::Bytes content = Pattern(size_t(c.length));
        const ffb::Bytes body = ffb::Compress(content, 1);
        FFZone zone;
        const uint64_t inflatedBefore = EngineWorkDone().inflated;
        const int32_t result = InflateZone(zone, body.data(), int64_t(body.size()), nullptr, c.limits);
        if (c.inflations == kRefused) {
            EXPECT_EQ(Z_MEM_ERROR, result);
            EXPECT_TRUE(zone.zoneData == nullptr && zone.zoneSize == 0 && zone.zoneCapacity == 0) << "half-made";
            continue;
        }
        ASSERT_EQ(0, result);
        EXPECT_EQ(content, ZoneBytes(zone));
        EXPECT_EQ(c.capacity, zone.zoneCapacity);
        EXPECT_EQ(uint64_t(c.inflations) * uint64_t(c.length), EngineWorkDone().inflated - inflatedBefore);
    }
}

TEST(LoadFastFile, ZoneLeftByAFailedJobIsTheNextFirstWindow)
{
    TempFolder folder;
    FFZone zone;
    const ffb::Bytes large = Pattern(100000);
    ASSERT_EQ(Z_DATA_ERROR, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, large, ffb::Body::Truncated)));
    ASSERT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, large)));
    ASSERT_EQ(Z_DATA_ERROR, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, large, ffb::Body::NotZlib)));
    const ffb::Bytes small = Pattern(5000);
    ASSERT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, small)));
    EXPECT_EQ(small, ZoneBytes(zone));
    EXPECT_LE(zone.zoneSize, zone.zoneCapacity);
}

TEST(LoadFastFile, BrokenFilesGiveTheirCodes)
{
    TempFolder folder;
    FFZone zone;
    const ffb::Bytes content = Pattern(20000);
    EXPECT_EQ(3, LoadBytes(zone, folder, ffb::ToBytes("IWffu")));
    EXPECT_EQ(NotFastFile, zone.kind);
    EXPECT_EQ(-3, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, content, ffb::Body::Empty)));
    EXPECT_EQ(-3, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, content, ffb::Body::Truncated)));
    EXPECT_EQ(-3, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, content, ffb::Body::NotZlib)));
    EXPECT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, content, ffb::Body::TrailingGarbage)));

    zone.path = (folder / "missing.ff");
    EXPECT_EQ(6, LoadFastFile(zone));
}

TEST(LoadFastFile, MessagesOfEveryCode)
{
    EXPECT_EQ("Success", ResultMessage(0));
    EXPECT_EQ("FastFile is either corrupt or not a supported Version", ResultMessage(3));
    EXPECT_EQ("File Not Found", ResultMessage(4));
    EXPECT_EQ("File Handel failed due to permissions, please run program as admin", ResultMessage(5));
    EXPECT_EQ("Can't Open File", ResultMessage(6));
    EXPECT_EQ("Zlib Error", ResultMessage(-1));
    EXPECT_EQ("invalid compression level", ResultMessage(-2));
    EXPECT_EQ("invalid or incomplete deflate data", ResultMessage(-3));
    EXPECT_EQ("out of memory", ResultMessage(-4));
    EXPECT_EQ("", ResultMessage(-5));
    EXPECT_EQ("zlib version mismatch!", ResultMessage(-6));
    EXPECT_EQ("", ResultMessage(1));
    EXPECT_EQ("", ResultMessage(2));
    EXPECT_EQ("", ResultMessage(-7));
}

TEST(InflateMeasured, ReportsTheWholeLengthBeyondTheWindow)
{
    const ffb::Bytes content = Pattern(50000);
    const ffb::Bytes stream = ffb::Compress(content);
    std::vector<uint8_t> window(1000);
    int64_t length = int64_t(window.size());
    EXPECT_EQ(Z_BUF_ERROR, InflateMeasured(window.data(), length, stream.data(), int64_t(stream.size())));
    EXPECT_EQ(50000, length);

    length = 0;
    EXPECT_EQ(Z_BUF_ERROR, InflateMeasured(nullptr, length, stream.data(), int64_t(stream.size())));
    EXPECT_EQ(50000, length);

    window.resize(50000);
    length = 50000;
    EXPECT_EQ(Z_OK, InflateMeasured(window.data(), length, stream.data(), int64_t(stream.size())));
    EXPECT_EQ(content, window);

    const ffb::Bytes empty = ffb::Compress({});
    length = 0;
    EXPECT_EQ(Z_OK, InflateMeasured(nullptr, length, empty.data(), int64_t(empty.size())));
    EXPECT_EQ(0, length);
}

TEST(InflateMeasured, StreamNeedingADictionaryIsADataError)
{
    z_stream stream{};
    ASSERT_EQ(Z_OK, deflateInit(&stream, 6));
    const uint8_t dictionary[] = "dictionary";
    ASSERT_EQ(Z_OK, deflateSetDictionary(&stream, dictionary, sizeof dictionary));
    uint8_t input[] = "dictionary dictionary", output[128];
    stream.next_in = input;
    stream.avail_in = sizeof input;
    stream.next_out = output;
    stream.avail_out = sizeof output;
    ASSERT_EQ(Z_STREAM_END, deflate(&stream, Z_FINISH));
    const int64_t produced = int64_t(stream.total_out);
    deflateEnd(&stream);
    uint8_t window[128];
    int64_t length = sizeof window;
    EXPECT_EQ(Z_DATA_ERROR, InflateMeasured(window, length, output, produced));
}

TEST(WriteDump, WritesTheZoneByteForByteAndReportsOpenFailures)
{
    TempFolder folder;
    FFZone zone;
    ffb::Bytes content = Pattern(70000);
    content[5] = '\n';
    content[6] = '\r';
    ASSERT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, content)));
    const std::string dump = zone.path + ".dump";
    EXPECT_EQ(0, WriteDump(zone, dump));
    EXPECT_EQ(content, ffb::ReadFile(dump));

    EXPECT_EQ(6, WriteDump(zone, (folder / "no/such/folder/x.dump")));
    fs::create_directories((folder / "taken.dump"));
    const int32_t onFolder = WriteDump(zone, (folder / "taken.dump"));
    EXPECT_TRUE(onFolder == 5 || onFolder == 6) << onFolder;
}

#ifndef _WIN32
// A disk that fills up part way, as a file size limit makes it: the dump fails, and the
// part that was written is not left behind as if it were the zone.
TEST(WriteDump, ADumpThatCannotBeWrittenWholeFailsAndIsRemoved)
{
    TempFolder folder;
    FFZone zone;
    ASSERT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, Pattern(kStopCheckBytes + 300000))));
    const std::string dump = zone.path + ".dump";
    const bool passed = testsupport::RunWithFileSizeLimit(
        200000, [&] { return WriteDump(zone, dump) == 6 && !testsupport::Exists(dump); });
    EXPECT_TRUE(passed) << "the dump did not fail, or was left behind";
}
#endif

TEST(ResetZone, ReleasesTheZoneButKeepsKindCountsAndAScratchOfUpTo64MB)
{
    const struct {
        int32_t scratch;
        bool kept;
    } cases[] = {{16, true}, {kScratchKeptUpTo, true}, {kScratchKeptUpTo + 1, false}};
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scratch);
        FFZone zone;
        ASSERT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, Pattern(9000))));
        zone.strings = {"a"};
        zone.assetTypes = {1};
        zone.entries.push_back({"x.gsc", 0, 1, Gsc});
        zone.stringCount = 7;
        zone.cursor = 99;
        zone.scratchData = static_cast<uint8_t*>(malloc(size_t(c.scratch)));
        zone.scratchCapacity = c.scratch;
        ResetZone(zone);
        EXPECT_EQ(nullptr, zone.zoneData);
        EXPECT_EQ(0, zone.zoneSize);
        EXPECT_EQ(0, zone.zoneCapacity);
        EXPECT_EQ(0, zone.cursor);
        EXPECT_TRUE(zone.strings.empty() && zone.assetTypes.empty() && zone.entries.empty());
        EXPECT_EQ(Version387, zone.kind);
        EXPECT_EQ(7, zone.stringCount);
        EXPECT_EQ(c.kept ? c.scratch : 0, zone.scratchCapacity);
        EXPECT_EQ(c.kept, zone.scratchData != nullptr);
    }
}
