// The HTTP downloader against the local test server.
#include <gtest/gtest.h>

#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "KestDownloader.h"
#include "import_patch.h"
#include "test_http_server.h"

namespace {

using updatetest::Pattern;
using updatetest::ReadFile;
using updatetest::Server;

struct Progress {
    uint32_t total, done;
};
std::vector<Progress> g_progress;
std::atomic<int> g_progressCalls{0};
void RecordProgress(uint32_t total, uint32_t done) {
    g_progress.push_back({total, done});
    ++g_progressCalls;
}

class DownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_progress.clear();
        g_progressCalls = 0;
        downloader.outputFile = folder / "out.bin";
    }
    // A /data/ URL of its own, so that the server's record of it is this test's alone.
    std::string DataUrl(const std::string& query) {
        path = "/data/" + std::to_string(::GetTickCount()) + "-" + std::to_string(++urls) + "?" + query;
        return Server().Url(path);
    }
    std::vector<std::string> RangesSeen() {
        std::vector<std::string> ranges;
        for (const auto& request : Server().RequestsTo(path)) ranges.push_back(request.range);
        return ranges;
    }
    std::string Output() { return ReadFile(downloader.outputFile); }
    // The message either operation throws, or "" when it returns.
    std::string Fails(const std::string& url, bool toString = false) {
        try {
            std::string reply;
            if (toString) {
                downloader.DownloadToString(url, reply);
            } else {
                downloader.Download(url, nullptr, true, &RecordProgress);
            }
        } catch (const KestDownloadError& error) {
            return error.Message();
        }
        return std::string();
    }

    testsupport::TempFolder folder;
    KestDownloader downloader;
    std::string path;
    int urls = 0;
};

struct FileCase {
    const char* name;
    std::string held;  // the output file before the call
    const char* query;
    bool overwrite;
    const char* range;  // the Range header the server saw
    uint32_t start;     // where the bytes read begin
    uint32_t size;      // the file afterwards: the first size bytes of the pattern
    int callbacks;      // -1: one per chunk
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

const FileCase kFileCases[] = {
    {"ResumesFromTheEndOfAPartialFile", Pattern(0, 500), "size=30000", false, "Range:bytes=500-", 500, 30000, -1},
    // The server ignores the range and offers the whole file again: nothing is read.
    {"AFileAsLongAsTheWholeAnswerIsComplete", Pattern(0, 2000), "size=2000&ignore_range=1", false,
     "Range:bytes=2000-", 2000, 2000, 1},
    {"ARangeFromTheEndFindsItComplete", Pattern(0, 1000), "size=1000", false, "Range:bytes=1000-", 1000, 1000, 1},
    // 500 of 1000 held: a partial answer as long as the part held is not "complete".
    {"ARemainderAsLongAsThePartHeldIsFetched", Pattern(0, 500), "size=1000", false, "Range:bytes=500-", 500, 1000,
     -1},
    {"AnIgnoredRangeRestartsTheFile", Pattern(0, 700), "size=3000&ignore_range=1", false, "Range:bytes=700-", 0,
     3000, -1},
    {"OverwriteTruncatesAndStillSendsRangeFromZero", std::string(5000, 'z'), "size=1200", true, "Range:bytes=0-", 0,
     1200, -1},
    {"ReadsInChunksOfAtMost10240Bytes", "", "size=50000", true, "Range:bytes=0-", 0, 50000, -1},
};

class DownloadFileTest : public DownloaderTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(DownloadFileTest, WritesTheFileAndReportsEachChunk) {
    const FileCase& c = GetParam();
    updatetest::WriteFile(downloader.outputFile, c.held);
    ASSERT_TRUE(downloader.Download(DataUrl(c.query), nullptr, c.overwrite, &RecordProgress));

    EXPECT_EQ(Pattern(0, c.size), Output());
    EXPECT_EQ(std::vector<std::string>{c.range}, RangesSeen());
    ASSERT_FALSE(g_progress.empty());
    if (c.callbacks >= 0) {
        EXPECT_EQ(static_cast<size_t>(c.callbacks), g_progress.size());
    }
    uint32_t previous = c.start;
    for (const Progress& p : g_progress) {
        EXPECT_EQ(c.size, p.total);
        EXPECT_LE(p.done - previous, KestDownloader::kChunkSize) << "a chunk past " << previous;
        previous = p.done;
    }
    EXPECT_EQ(c.size, g_progress.back().done);
}

INSTANTIATE_TEST_SUITE_P(Files, DownloadFileTest, ::testing::ValuesIn(kFileCases),
                         [](const ::testing::TestParamInfo<FileCase>& info) { return info.param.name; });

TEST_F(DownloaderTest, AbortEndsTheDownloadAfterItsChunkAndKeepsThePartialFile) {
    // 200 KB at 1 KB every 20 ms: about four seconds unless the abort ends it.
    const std::string url = DataUrl("size=200000&slow=20");
    std::atomic<bool> abort{false};
    std::thread aborter([&] {
        while (g_progressCalls.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        abort = true;
    });
    bool returned = false;
    try {
        returned = downloader.Download(url, &abort, true, &RecordProgress);
    } catch (const KestDownloadError& error) {
        ADD_FAILURE() << error.Message();
    }
    aborter.join();
    EXPECT_TRUE(returned);
    const std::string partial = Output();
    EXPECT_EQ(g_progress.back().done, partial.size());
    EXPECT_LT(partial.size(), 200000u);
    EXPECT_EQ(Pattern(0, partial.size()), partial);
}

TEST_F(DownloaderTest, AConnectionThatEndsHalfWayFailsAndKeepsWhatArrivedForAResume) {
    EXPECT_EQ("Error occurred during download", Fails(DataUrl("size=20000&cut=5000")));
    EXPECT_EQ(Pattern(0, 5000), Output());
    ASSERT_TRUE(::CopyFileA(downloader.outputFile.c_str(), (folder / "copy").c_str(), FALSE));
    EXPECT_TRUE(::DeleteFileA(downloader.outputFile.c_str())) << "the file was closed";

    downloader.outputFile = folder / "copy";
    ASSERT_TRUE(downloader.Download(DataUrl("size=20000"), nullptr, false, &RecordProgress));
    EXPECT_EQ(Pattern(0, 20000), Output());
    EXPECT_EQ(std::vector<std::string>{"Range:bytes=5000-"}, RangesSeen());
}

TEST_F(DownloaderTest, RefusedAnswersThrowTheirMessageFromBothOperationsInSecondsAndWriteNothing) {
    const struct {
        const char* query;
        const char* message;
    } answers[] = {
        {"size=100&http10=1", "HTTP/1.1 not supported"},
        {"size=100&chunked=1", "HTTP Header Not Found"},
        {"size=100&status=404", "HTTP Error Status: 404"},
        {"size=100&status=500", "HTTP Error Status: 500"},
        {"size=100&status=416", "HTTP Error Status: 416"},  // from offset 0: refused, not complete
        {"size=100&silent=1", "Can't open url"},  // the server would wait 30 s
    };
    for (const auto& a : answers) {
        const auto start = std::chrono::steady_clock::now();
        updatetest::WriteFile(downloader.outputFile, "old");
        EXPECT_EQ(a.message, Fails(DataUrl(a.query))) << a.query;
        EXPECT_EQ("", Output()) << a.query;
        EXPECT_EQ(a.message, Fails(DataUrl(a.query), true)) << a.query;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: both operations failed after %.1f s\n", a.query, seconds);
    }
    EXPECT_TRUE(g_progress.empty());
}

// The requests the downloader opens and the handles it closes, as it calls WinINet.
std::vector<HINTERNET> g_requests, g_closed;
decltype(&::HttpOpenRequestA) g_openRequest = nullptr;
decltype(&::InternetCloseHandle) g_closeHandle = nullptr;
HINTERNET WINAPI RecordOpenRequest(HINTERNET connection, LPCSTR verb, LPCSTR object, LPCSTR version, LPCSTR referrer,
                                   LPCSTR* types, DWORD flags, DWORD_PTR context) {
    HINTERNET request = g_openRequest(connection, verb, object, version, referrer, types, flags, context);
    g_requests.push_back(request);
    return request;
}
BOOL WINAPI RecordCloseHandle(HINTERNET handle) {
    g_closed.push_back(handle);
    return g_closeHandle(handle);
}

// Whatever the server does, a wait for it ends: by the call's time limit, or when the
// connection is not made within the timeout. The request given up is closed; on
// Windows that ends it at once, while wine lets it run on, unseen.
TEST_F(DownloaderTest, EveryWaitForTheServerEndsByTheTimeLimitOrTheConnectTimeout) {
    uitest::ImportPatch openRequest("wininet.dll", "HttpOpenRequestA", reinterpret_cast<void*>(&RecordOpenRequest));
    uitest::ImportPatch closeHandle("wininet.dll", "InternetCloseHandle", reinterpret_cast<void*>(&RecordCloseHandle));
    g_openRequest = reinterpret_cast<decltype(g_openRequest)>(openRequest.Original());
    g_closeHandle = reinterpret_cast<decltype(g_closeHandle)>(closeHandle.Original());
    const struct {
        const char* name;
        std::string url;
        uint32_t timeLimitMs;
        const char* message;
    } cases[] = {
        {"a byte a second", DataUrl("size=2000&drip=1000"), 1500, "Timed out"},
        {"no connection", "http://" + Server().UnansweringHost() + "/x", 1500, "Timed out"},
        {"no connection, no time limit", "http://" + Server().UnansweringHost() + "/x", 0, "Can't connect"},
    };
    for (const auto& c : cases) {
        g_requests.clear();
        g_closed.clear();
        downloader.timeLimitMs = c.timeLimitMs;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(c.message, Fails(c.url, true)) << c.name;
        std::printf("%s: given up after %.2f s\n", c.name,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        ASSERT_EQ(1u, g_requests.size()) << c.name;
        EXPECT_NE(g_closed.end(), std::find(g_closed.begin(), g_closed.end(), g_requests[0])) << c.name;
    }
}

TEST_F(DownloaderTest, TheUrlTestLooksForLowercaseHTOrPAmongTheFirstSixCharacters) {
    const std::string port = std::to_string(Server().Port());
    const struct {
        std::string url;
        const char* message;
    } urls[] = {
        {"HTTP://127.0.0.1:" + port + "/DATA/X", "Must be HTTP url"},
        {"012345http://127.0.0.1:" + port + "/data/x", "Must be HTTP url"},
        {"01234http://127.0.0.1:" + port + "/data/x", "Can't open url"},  // passes the test
        {"ftp://127.0.0.1:1/x", "Can't open url"},                        // passes the test
        {"http://127.0.0.1:1/x", "Can't open url"},
        {"http://update.vandrel.invalid/php/UpdateCheck.php", "Can't open url"},
    };
    for (const auto& u : urls) {
        EXPECT_EQ(u.message, Fails(u.url)) << u.url;
        EXPECT_EQ(u.message, Fails(u.url, true)) << u.url;
    }
}

TEST_F(DownloaderTest, DownloadNeedsAnOutputFileItCanOpen) {
    const std::string url = DataUrl("size=10");
    downloader.outputFile.clear();
    EXPECT_EQ("Output File Not Set", Fails(url));
    downloader.outputFile = folder / "missing\\out.bin";
    EXPECT_EQ("KestDownloader:: Can't open output file: ", Fails(url));
    EXPECT_TRUE(RangesSeen().empty()) << "no request is made";
}

// A device that takes no byte, as a full disk: a whole chunk fails as it is written, and
// no chunk follows; a small file fails only as it is closed.
TEST_F(DownloaderTest, AFileThatCannotBeWrittenFailsTheDownload) {
    const struct {
        const char* query;
        size_t chunksReported;
    } files[] = {{"size=50000", 0}, {"size=100", 1}};
    downloader.outputFile = "Z:\\dev\\full";
    for (const auto& f : files) {
        g_progress.clear();
        EXPECT_EQ("Error writing file", Fails(DataUrl(f.query))) << f.query;
        EXPECT_EQ(f.chunksReported, g_progress.size()) << f.query;
    }
}

TEST_F(DownloaderTest, AReplyIsTheFirst1024BytesAtMostAndAnEmptyOneChangesNothing) {
    for (size_t size : {3000, 1024, 5, 0}) {
        std::string reply = "previous";
        ASSERT_TRUE(downloader.DownloadToString(DataUrl("size=" + std::to_string(size)), reply));
        EXPECT_EQ(size ? Pattern(0, std::min<size_t>(size, 1024)) : "previous", reply) << size;
        EXPECT_EQ(std::vector<std::string>{"-"}, RangesSeen()) << "no range is asked for";
    }
}

TEST(DownloaderTextTest, VersionTextsAndReservedNames) {
    for (const char* passes : {"HTTP/1.1", "HTTP/1.10", "HTTP/2.1"})
        EXPECT_TRUE(IsHttp11VersionText(passes)) << passes;
    for (const char* fails : {"HTTP/1.0", "HTTP/0.9", "HTTP/2.0", "HTTP1.1", "HTTP/1", "HTTP/x.1", ""})
        EXPECT_FALSE(IsHttp11VersionText(fails)) << fails;
    for (const char* reserved : {"update.vandrel.invalid", "UPDATE.VANDREL.INVALID.", "invalid"})
        EXPECT_TRUE(IsReservedInvalidHost(reserved)) << reserved;
    for (const char* open : {"invalid.example.org", "notinvalid", "127.0.0.1", ""})
        EXPECT_FALSE(IsReservedInvalidHost(open)) << open;
    EXPECT_EQ(std::string(79, 'm'), KestDownloadError(std::string(120, 'm').c_str()).Message());
}

}  // namespace
