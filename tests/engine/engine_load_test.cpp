// Opening FastFiles: header classes, the two-pass inflation, load failures and the .dump.
#include "fastfile_load.h"

#include "ff_builder.h"
#include "output_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#ifndef _WIN32
#include <sys/resource.h>
#endif

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

TEST(LoadFastFile, SmallZoneInOnePassLargeZoneInTwoWithTheSameBytes)
{
    TempFolder folder;
    FFZone zone;
    const ffb::Bytes small = Pattern(300);
    ASSERT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, small)));
    EXPECT_EQ(small, ZoneBytes(zone));
    EXPECT_EQ(kFirstInflateWindow, zone.zoneCapacity);

    const ffb::Bytes large = Pattern(3 * 1024 * 1024 + 17);
    ASSERT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion387, large, ffb::Body::TrailingGarbage)));
    EXPECT_EQ(large, ZoneBytes(zone));
    EXPECT_EQ(int32_t(large.size()), zone.zoneCapacity);

    // A zone of exactly the first window needs no second pass.
    ResetZone(zone);
    const ffb::Bytes exact = Pattern(kFirstInflateWindow);
    ASSERT_EQ(0, LoadBytes(zone, folder, ffb::FastFile(ffb::kVersion5, exact)));
    EXPECT_EQ(exact, ZoneBytes(zone));
}

TEST(LoadFastFile, OnePassIntoAGrowingBufferGivesTheZoneAndTheCodesOfTwoPasses)
{
    TempFolder folder;
    const std::vector<ffb::Bytes> files = {
        ffb::FastFile(ffb::kVersion387, Pattern(300)),
        ffb::FastFile(ffb::kVersion387, Pattern(3 * 1024 * 1024 + 17), ffb::Body::TrailingGarbage),
        ffb::FastFile(ffb::kVersion5, ffb::Bytes(5 * 1024 * 1024, 'z')),  // far beyond the first guess
        ffb::FastFile(ffb::kVersion387, Pattern(100000), ffb::Body::Truncated),
        ffb::FastFile(ffb::kVersion387, Pattern(100000), ffb::Body::NotZlib),
        ffb::FastFile(ffb::kVersion387, Pattern(100), ffb::Body::Empty),
    };
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        FFZone twoPasses, onePass;
        const int32_t expected = LoadBytes(twoPasses, folder, files[i]);
        onePass.path = twoPasses.path;
        EXPECT_EQ(expected, LoadFastFile(onePass, nullptr, ZoneInflation::Growing));
        EXPECT_LE(onePass.zoneSize, onePass.zoneCapacity);
        if (expected == 0) {
            EXPECT_TRUE(ZoneBytes(twoPasses) == ZoneBytes(onePass));
        }
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
    const bool passed = testsupport::RunInChild(
        [] {
            const rlimit limit{200000, RLIM_INFINITY};
            return signal(SIGXFSZ, SIG_IGN) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &limit) == 0;
        },
        [&] { return WriteDump(zone, dump) == 6 && !testsupport::Exists(dump); });
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
