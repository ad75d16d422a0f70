// The HTTP downloader against the local test server: the URL and version tests, resume
// with a byte range, a complete file, overwrite, the 1024-byte reply, abort, a connection
// that ends half-way, chunked and error answers, and the log line.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "KestDownloader.h"
#include "program_log.h"
#include "test_http_server.h"

namespace {

using updatetest::Pattern;
using updatetest::ReadFile;
using updatetest::Server;
using updatetest::WriteFile;

struct Progress {
    uint32_t total;
    uint32_t done;
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

    // A /data/ URL unique to this test, so the server's record of it is ours alone.
    std::string DataUrl(const std::string& query) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name) {
            if (!isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        path = "/data/" + name + "-" + std::to_string(++urls) + "?" + query;
        return Server().Url(path);
    }
    std::vector<std::string> RangesSeen() {
        std::vector<std::string> ranges;
        for (const auto& request : Server().RequestsTo(path)) ranges.push_back(request.range);
        return ranges;
    }
    std::string Output() { return ReadFile(downloader.outputFile); }

    // The message Download (or DownloadToString) threw, or "" when it returned.
    std::string DownloadFails(const std::string& url, bool overwrite = true) {
        try {
            downloader.Download(url, nullptr, overwrite, &RecordProgress);
        } catch (const KestDownloadError& error) {
            return error.Message();
        }
        return std::string();
    }
    std::string ReplyFails(const std::string& url) {
        try {
            std::string reply;
            downloader.DownloadToString(url, reply);
        } catch (const KestDownloadError& error) {
            return error.Message();
        }
        return std::string();
    }

    updatetest::TempFolder folder;
    KestDownloader downloader;
    std::string path;
    int urls = 0;
};

TEST_F(DownloaderTest, ResumesAPartialFileFromItsEndWithARangeRequest) {
    WriteFile(downloader.outputFile, Pattern(0, 500));
    const std::string url = DataUrl("size=30000");
    ASSERT_TRUE(downloader.Download(url, nullptr, false, &RecordProgress));

    EXPECT_EQ(Pattern(0, 30000), Output());
    EXPECT_EQ(std::vector<std::string>{"Range:bytes=500-"}, RangesSeen());
    ASSERT_FALSE(g_progress.empty());
    const Progress first = g_progress.front();
    EXPECT_EQ(30000u, first.total) << "500 plus the remaining length";
    EXPECT_GT(first.done, 500u);
    EXPECT_LE(first.done, 500u + KestDownloader::kChunkSize) << "500 plus the first chunk";
    for (const Progress& p : g_progress) EXPECT_EQ(30000u, p.total);
    EXPECT_EQ(30000u, g_progress.back().done);
}

TEST_F(DownloaderTest, AFileAsLongAsTheWholeAnswerIsCompleteAndNothingIsRead) {
    // The server ignores the range and offers the whole file again.
    WriteFile(downloader.outputFile, Pattern(0, 2000));
    ASSERT_TRUE(downloader.Download(DataUrl("size=2000&ignore_range=1"), nullptr, false, &RecordProgress));

    ASSERT_EQ(1u, g_progress.size());
    EXPECT_EQ(2000u, g_progress[0].total);
    EXPECT_EQ(2000u, g_progress[0].done);
    EXPECT_EQ(Pattern(0, 2000), Output());
    EXPECT_EQ(std::vector<std::string>{"Range:bytes=2000-"}, RangesSeen());
}

TEST_F(DownloaderTest, ARangeThatStartsAtTheEndFindsTheFileComplete) {
    WriteFile(downloader.outputFile, Pattern(0, 1000));
    ASSERT_TRUE(downloader.Download(DataUrl("size=1000"), nullptr, false, &RecordProgress));

    ASSERT_EQ(1u, g_progress.size());
    EXPECT_EQ(1000u, g_progress[0].total);
    EXPECT_EQ(1000u, g_progress[0].done);
    EXPECT_EQ(Pattern(0, 1000), Output());
}

TEST_F(DownloaderTest, ARemainderAsLongAsThePartHeldIsStillFetched) {
    // 500 of 1000 bytes held: the server's partial answer is 500 bytes long, which
    // must not be read as "the whole file is here".
    WriteFile(downloader.outputFile, Pattern(0, 500));
    ASSERT_TRUE(downloader.Download(DataUrl("size=1000"), nullptr, false, &RecordProgress));

    EXPECT_EQ(Pattern(0, 1000), Output());
    ASSERT_FALSE(g_progress.empty());
    EXPECT_EQ(1000u, g_progress.back().total);
    EXPECT_EQ(1000u, g_progress.back().done);
}

TEST_F(DownloaderTest, AServerThatIgnoresTheRangeRestartsThePartialFile) {
    WriteFile(downloader.outputFile, Pattern(0, 700));
    ASSERT_TRUE(downloader.Download(DataUrl("size=3000&ignore_range=1"), nullptr, false, &RecordProgress));

    EXPECT_EQ(Pattern(0, 3000), Output()) << "the first 700 bytes are not repeated";
    EXPECT_EQ(3000u, g_progress.back().total);
}

TEST_F(DownloaderTest, OverwriteTruncatesFirstAndStillSendsRangeFromZero) {
    WriteFile(downloader.outputFile, std::string(5000, 'z'));
    ASSERT_TRUE(downloader.Download(DataUrl("size=1200"), nullptr, true, &RecordProgress));

    EXPECT_EQ(Pattern(0, 1200), Output());
    EXPECT_EQ(std::vector<std::string>{"Range:bytes=0-"}, RangesSeen());
    EXPECT_EQ(1200u, g_progress.back().done);
}

TEST_F(DownloaderTest, ReadsInChunksOfAtMost10240Bytes) {
    ASSERT_TRUE(downloader.Download(DataUrl("size=50000"), nullptr, true, &RecordProgress));
    EXPECT_EQ(Pattern(0, 50000), Output());
    ASSERT_GE(g_progress.size(), 5u);
    uint32_t previous = 0;
    for (const Progress& p : g_progress) {
        EXPECT_EQ(50000u, p.total);
        EXPECT_GT(p.done, previous);
        EXPECT_LE(p.done - previous, KestDownloader::kChunkSize);
        previous = p.done;
    }
}

TEST_F(DownloaderTest, AbortDuringADownloadEndsItAfterTheChunkAndKeepsThePartialFile) {
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
    ASSERT_FALSE(g_progress.empty());
    const std::string partial = Output();
    EXPECT_EQ(g_progress.back().done, partial.size());
    EXPECT_LT(partial.size(), 200000u);
    EXPECT_EQ(Pattern(0, partial.size()), partial);
}

TEST_F(DownloaderTest, AConnectionThatEndsHalfWayFailsAndKeepsWhatArrivedForAResume) {
    const std::string failure = DownloadFails(DataUrl("size=20000&cut=5000"));
    EXPECT_EQ("Error occurred during download", failure);
    EXPECT_EQ(Pattern(0, 5000), Output());
    EXPECT_TRUE(::DeleteFileA(downloader.outputFile.c_str())) << "the file was closed";

    WriteFile(downloader.outputFile, Pattern(0, 5000));
    ASSERT_TRUE(downloader.Download(DataUrl("size=20000"), nullptr, false, &RecordProgress));
    EXPECT_EQ(Pattern(0, 20000), Output());
    EXPECT_EQ(std::vector<std::string>{"Range:bytes=5000-"}, RangesSeen());
}

struct RefusedAnswer {
    const char* name;
    const char* query;
    const char* message;
};

void PrintTo(const RefusedAnswer& answer, std::ostream* os) { *os << answer.name; }

const RefusedAnswer kRefusedAnswers[] = {
    {"Http10", "size=100&http10=1", "HTTP/1.1 not supported"},
    {"Chunked", "size=100&chunked=1", "HTTP Header Not Found"},
    {"NotFound", "size=100&status=404", "HTTP Error Status: 404"},
    {"ServerError", "size=100&status=500", "HTTP Error Status: 500"},
};

class DownloaderRefusesTest : public DownloaderTest, public ::testing::WithParamInterface<RefusedAnswer> {};

TEST_P(DownloaderRefusesTest, BothOperationsThrowTheMessageAndWriteNothing) {
    const RefusedAnswer& answer = GetParam();
    WriteFile(downloader.outputFile, "old");
    EXPECT_EQ(answer.message, DownloadFails(DataUrl(answer.query)));
    EXPECT_EQ("", Output()) << "truncated by overwrite, then nothing written";
    EXPECT_TRUE(g_progress.empty());
    EXPECT_EQ(answer.message, ReplyFails(DataUrl(answer.query)));
}

INSTANTIATE_TEST_SUITE_P(Answers, DownloaderRefusesTest, ::testing::ValuesIn(kRefusedAnswers),
                         [](const ::testing::TestParamInfo<RefusedAnswer>& info) { return info.param.name; });

struct UrlCase {
    const char* name;
    const char* url;  // "PORT" stands for the server's port
    const char* message;
};

void PrintTo(const UrlCase& c, std::ostream* os) { *os << c.name; }

const UrlCase kUrlCases[] = {
    {"CapitalHttp", "HTTP://127.0.0.1:PORT/DATA/X", "Must be HTTP url"},
    {"LowercaseLetterAtIndex6", "012345http://127.0.0.1:PORT/data/x", "Must be HTTP url"},
    {"LowercaseLetterAtIndex5PassesTheTest", "01234http://127.0.0.1:PORT/data/x", "Can't open url"},
    {"FtpPassesTheTest", "ftp://127.0.0.1:1/x", "Can't open url"},
    {"NothingListening", "http://127.0.0.1:1/x", "Can't open url"},
    {"ReservedInvalidName", "http://update.vandrel.invalid/php/UpdateCheck.php", "Can't open url"},
};

class DownloaderUrlTest : public DownloaderTest, public ::testing::WithParamInterface<UrlCase> {};

TEST_P(DownloaderUrlTest, BothOperationsGiveTheMessage) {
    std::string url = GetParam().url;
    const size_t port = url.find("PORT");
    if (port != std::string::npos) url.replace(port, 4, std::to_string(Server().Port()));
    EXPECT_EQ(GetParam().message, DownloadFails(url));
    EXPECT_EQ(GetParam().message, ReplyFails(url));
}

INSTANTIATE_TEST_SUITE_P(Urls, DownloaderUrlTest, ::testing::ValuesIn(kUrlCases),
                         [](const ::testing::TestParamInfo<UrlCase>& info) { return info.param.name; });

TEST_F(DownloaderTest, DownloadNeedsAnOutputFileItCanOpen) {
    const std::string url = DataUrl("size=10");
    downloader.outputFile.clear();
    EXPECT_EQ("Output File Not Set", DownloadFails(url));
    downloader.outputFile = folder / "missing\\out.bin";
    EXPECT_EQ("KestDownloader:: Can't open output file: ", DownloadFails(url));
    EXPECT_TRUE(RangesSeen().empty()) << "no request is made";
}

TEST_F(DownloaderTest, DownloadLogsTheUrlItFetches) {
    theLog.ClearHistory();
    const std::string url = DataUrl("size=10");
    ASSERT_TRUE(downloader.Download(url, nullptr, true, nullptr));
    EXPECT_EQ(std::vector<std::string>{"Downloading File: " + url}, theLog.History());
}

TEST_F(DownloaderTest, AReplyIsTheFirst1024BytesAtMost) {
    const struct {
        size_t size;
        size_t kept;
    } cases[] = {{3000, 1024}, {1024, 1024}, {5, 5}};
    for (const auto& c : cases) {
        std::string reply = "previous";
        ASSERT_TRUE(downloader.DownloadToString(DataUrl("size=" + std::to_string(c.size)), reply));
        EXPECT_EQ(Pattern(0, c.kept), reply) << c.size << " bytes served";
        EXPECT_EQ(std::vector<std::string>{"-"}, RangesSeen()) << "no range is asked for";
    }
    std::string reply = "previous";
    ASSERT_TRUE(downloader.DownloadToString(DataUrl("size=0"), reply));
    EXPECT_EQ("previous", reply) << "an empty body leaves the reply as it was";
}

TEST(HttpVersionTextTest, OnlyVersionsFrom11WithinVersionOnePass) {
    const struct {
        const char* text;
        bool passes;
    } cases[] = {
        {"HTTP/1.1", true}, {"HTTP/1.2", true}, {"HTTP/1.10", true}, {"HTTP/2.1", true},
        {"HTTP/1.0", false}, {"HTTP/0.9", false}, {"HTTP/2.0", false},
        {"HTTP1.1", false}, {"HTTP/1", false}, {"HTTP/2", false}, {"HTTP/x.1", false}, {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.passes, IsHttp11VersionText(c.text)) << '"' << c.text << '"';
}

TEST(ReservedInvalidHostTest, NamesUnderInvalidNeverResolve) {
    const struct {
        const char* host;
        bool reserved;
    } cases[] = {
        {"update.vandrel.invalid", true}, {"UPDATE.VANDREL.INVALID.", true}, {"invalid", true},
        {"invalid.example.org", false},   {"notinvalid", false},           {"127.0.0.1", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.reserved, IsReservedInvalidHost(c.host)) << '"' << c.host << '"';
}

TEST(KestDownloadErrorTest, KeepsAtMost79Characters) {
    const std::string longMessage(120, 'm');
    EXPECT_EQ(std::string(79, 'm'), KestDownloadError(longMessage.c_str()).Message());
    EXPECT_STREQ("Can't connect", KestDownloadError("Can't connect").Message());
}

}  // namespace
