// KestDownloader: fetches one URL at a time over HTTP with WinINet, either into a file
// in 10240-byte chunks (resumable with a byte-range request, with a progress callback and
// an abort flag) or as a short text reply of at most 1024 bytes. Every failure is thrown
// as a KestDownloadError carrying one fixed message; a server that stays silent for five
// seconds (while connecting, sending or receiving) fails the call, and a call may be
// given a time limit of its own.
//
// It runs on its caller's thread; WinINet works on the network asynchronously and the
// caller waits for it, so that the abort flag and the time limit end any wait at once.
// The only input that crosses threads is the abort flag, which another thread may set
// to end a running Download within moments: after its current chunk, or in the middle
// of a wait for the server.
#pragma once

#include <atomic>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

class KestDownloadError {
public:
    // Keeps at most 79 characters of message.
    explicit KestDownloadError(const char* message);
    const char* Message() const { return message_; }

private:
    char message_[80];
};

// (expected total bytes, bytes so far); called after every chunk.
using ProgressCallback = void (*)(uint32_t total, uint32_t done);

class KestDownloader {
public:
    static constexpr size_t kChunkSize = 10240;
    static constexpr size_t kReplySize = 1024;

    KestDownloader() = default;
    ~KestDownloader();
    KestDownloader(const KestDownloader&) = delete;
    KestDownloader& operator=(const KestDownloader&) = delete;

    // GETs url into outputFile. Without overwrite an existing file is continued from its
    // end. Returns true when the transfer has ended, also when abortFlag was set (what
    // was written stays); throws KestDownloadError on failure. abortFlag and callback
    // may be null.
    bool Download(const std::string& url, const std::atomic<bool>* abortFlag, bool overwrite,
                  ProgressCallback callback);
    // GETs url; reply becomes the first 1024 bytes of the body at most (an empty body
    // leaves it unchanged). Throws KestDownloadError on failure.
    bool DownloadToString(const std::string& url, std::string& reply);

    // The file Download writes; set before each call.
    std::string outputFile;
    // When non-zero, a call still under way after this many milliseconds fails with
    // "Timed out", whatever the server does.
    uint32_t timeLimitMs = 0;

private:
    void ReleaseBuffers();

    std::unique_ptr<std::ofstream> stream_;
};

// The response's version text (as HTTP_QUERY_VERSION gives it) names HTTP/1.1 or later
// within version 1: the digit after the first "/" is not 0 and the number after the
// first "." is above 0. A text without either mark is refused.
bool IsHttp11VersionText(const char* version);

// Host names under the reserved top-level name "invalid" can never resolve, so a request
// for one fails at once instead of waiting for the resolver.
bool IsReservedInvalidHost(const std::string& host);
