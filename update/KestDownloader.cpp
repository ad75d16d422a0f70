#include "KestDownloader.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "program_log.h"

namespace {

constexpr char kAgentName[] = "downloader";
constexpr size_t kVersionTextSize = 80;
constexpr size_t kUrlTestLimit = 6;
constexpr DWORD kStatusPartialContent = 206;
constexpr DWORD kStatusRangeNotSatisfiable = 416;
constexpr DWORD kFirstErrorStatus = 400;
constexpr DWORD kTimeoutMs = 5000;

[[noreturn]] void Fail(const char* message) { throw KestDownloadError(message); }

// Thrown inside a call when its abort flag ends a wait; Download returns as it does
// when the flag is seen between chunks.
struct Aborted {};

constexpr DWORD kPollMs = 20;
constexpr size_t kCallBufferSize = KestDownloader::kChunkSize > KestDownloader::kReplySize
                                       ? KestDownloader::kChunkSize
                                       : KestDownloader::kReplySize;

// A server that takes the connection and never answers fails the call after a few
// seconds instead of holding its caller (at start-up, the main window) for as long as
// WinINet's defaults allow. The internet handle hands the timeouts down to its
// connections; some WinINet implementations only look for them on the connection.
void SetTimeouts(HINTERNET handle) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD timeout = kTimeoutMs;
        ::InternetSetOptionA(handle, option, &timeout, sizeof timeout);
    }
}

// What WinINet's status callback reports about one call's handles. WinINet works on
// the call on a thread of its own and may go on after the caller has given up on it
// (wine lets a connect or a read run on when its handle is closed), so the record,
// the buffer the reads fill included, lives until WinINet says the last handle that
// reports to it is gone.
struct CallState {
    HANDLE completed = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<DWORD> error{0};
    std::atomic<bool> connected{false};
    HINTERNET lastHandle = nullptr;  // the connection: closed after the request
    DWORD received = 0;              // by the read under way
    char buffer[kCallBufferSize];

    ~CallState() {
        if (completed) ::CloseHandle(completed);
    }
};

void CALLBACK OnCallStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    auto* state = reinterpret_cast<CallState*>(context);
    if (!state) return;
    switch (status) {
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
    case INTERNET_STATUS_SENDING_REQUEST:  // on a connection kept from an earlier call
        state->connected = true;
        break;
    case INTERNET_STATUS_REQUEST_COMPLETE:
        state->error = static_cast<const INTERNET_ASYNC_RESULT*>(info)->dwError;
        ::SetEvent(state->completed);
        break;
    case INTERNET_STATUS_HANDLE_CLOSING:
        if (handle == state->lastHandle) delete state;
        break;
    }
}

// The WinINet handles of one call, opened for asynchronous work: every wait for the
// network ends when the call completes, when the abort flag is set, when the call's
// time limit is reached, or when a connection has not been made within the timeout
// (WinINet's own connect timeout is not kept everywhere). A call given up is closed,
// which ends it at once on Windows.
class InternetCall {
public:
    InternetCall(const std::atomic<bool>* abortFlag, DWORD timeLimitMs)
        : abort_(abortFlag), started_(::GetTickCount()), timeLimitMs_(timeLimitMs) {}
    ~InternetCall() {
        for (HINTERNET handle : {request, connection, internet})
            if (handle) ::InternetCloseHandle(handle);
        // Without a connection no handle reports to the state.
        if (!connection) delete state_;
    }
    InternetCall(const InternetCall&) = delete;
    InternetCall& operator=(const InternetCall&) = delete;

    void Open() {
        if (!state_->completed) Fail("Can't open connection");
        internet = ::InternetOpenA(kAgentName, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC);
        if (!internet) Fail("Can't open connection");
        SetTimeouts(internet);
        ::InternetSetStatusCallbackA(internet, &OnCallStatus);
    }
    DWORD_PTR Context() const { return reinterpret_cast<DWORD_PTR>(state_); }
    void SetConnection(HINTERNET handle) {
        connection = handle;
        state_->lastHandle = handle;
    }

    // Waits for a call that WinINet took on (begun false with ERROR_IO_PENDING); a call
    // that failed or fails is failure.
    void Await(BOOL begun, const char* failure, bool connecting = false) {
        if (begun) return;
        if (::GetLastError() != ERROR_IO_PENDING) Fail(failure);
        const DWORD waitStarted = ::GetTickCount();
        for (;;) {
            if (::WaitForSingleObject(state_->completed, kPollMs) == WAIT_OBJECT_0) {
                if (state_->error.load() != ERROR_SUCCESS) Fail(failure);
                return;
            }
            if (abort_ && abort_->load()) throw Aborted{};
            if (timeLimitMs_ && ::GetTickCount() - started_ >= timeLimitMs_) Fail("Timed out");
            if (connecting && !state_->connected.load() && ::GetTickCount() - waitStarted >= kTimeoutMs)
                Fail("Can't connect");
        }
    }

    // Reads up to count bytes (at most the buffer) into Buffer(); a connection that
    // ends first is failure: WinINet then reports a successful read of 0 bytes.
    DWORD Read(DWORD count) {
        state_->received = 0;
        Await(::InternetReadFile(request, state_->buffer, count, &state_->received), "Error occurred during download");
        if (state_->received == 0) Fail("Error occurred during download");
        return state_->received;
    }
    const char* Buffer() const { return state_->buffer; }

    HINTERNET internet = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;

private:
    CallState* state_ = new CallState;
    const std::atomic<bool>* abort_;
    DWORD started_;
    DWORD timeLimitMs_;
};

struct UrlParts {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::string host;
    INTERNET_PORT port = 0;
    std::string object;  // path and query
};

bool CrackUrl(const std::string& url, UrlParts& parts) {
    // Null pointers with non-zero lengths: each part comes back as a place in url.
    URL_COMPONENTSA cracked{};
    cracked.dwStructSize = sizeof cracked;
    cracked.dwHostNameLength = 1;
    cracked.dwUrlPathLength = 1;
    cracked.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlA(url.c_str(), 0, 0, &cracked) || !cracked.lpszHostName) return false;
    parts.scheme = cracked.nScheme;
    parts.host.assign(cracked.lpszHostName, cracked.dwHostNameLength);
    parts.port = cracked.nPort;
    if (cracked.lpszUrlPath) parts.object.assign(cracked.lpszUrlPath, cracked.dwUrlPathLength);
    if (cracked.lpszExtraInfo) parts.object.append(cracked.lpszExtraInfo, cracked.dwExtraInfoLength);
    if (parts.object.empty()) parts.object = "/";
    return true;
}

void OpenConnection(const std::string& url, InternetCall& call) {
    // Only a lowercase h, t or p among the first six characters is looked for.
    if (url.find_first_of("htp") >= kUrlTestLimit) Fail("Must be HTTP url");
    if (::InternetAttemptConnect(0) != ERROR_SUCCESS) Fail("Can't connect");
    call.Open();
}

// Connects, sends the GET with header and waits for the answer's headers.
void OpenUrl(InternetCall& call, const std::string& url, const std::string& header) {
    UrlParts parts;
    if (!CrackUrl(url, parts) || IsReservedInvalidHost(parts.host)) Fail("Can't open url");
    const bool secure = parts.scheme == INTERNET_SCHEME_HTTPS;
    if (parts.scheme != INTERNET_SCHEME_HTTP && !secure) Fail("Can't open url");
    HINTERNET connection = ::InternetConnectA(call.internet, parts.host.c_str(), parts.port, nullptr, nullptr,
                                              INTERNET_SERVICE_HTTP, 0, call.Context());
    if (!connection) Fail("Can't open url");
    call.SetConnection(connection);
    SetTimeouts(connection);
    const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | (secure ? INTERNET_FLAG_SECURE : 0);
    call.request = ::HttpOpenRequestA(connection, "GET", parts.object.c_str(), nullptr, nullptr, nullptr, flags,
                                      call.Context());
    if (!call.request) Fail("Can't open url");
    call.Await(::HttpSendRequestA(call.request, header.empty() ? nullptr : header.c_str(),
                                  static_cast<DWORD>(header.size()), nullptr, 0),
               "Can't open url", true);
}

void CheckHttpVersion(HINTERNET request) {
    char version[kVersionTextSize] = {};
    DWORD size = sizeof version;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_VERSION, version, &size, nullptr) || !IsHttp11VersionText(version))
        Fail("HTTP/1.1 not supported");
}

// An unknown status is taken as success: the body is then judged by its length alone.
DWORD QueryStatus(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return HTTP_STATUS_OK;
    return status;
}

// An error page is not the file that was asked for.
void CheckStatus(DWORD status) {
    if (status < kFirstErrorStatus) return;
    char message[80];
    std::snprintf(message, sizeof message, "HTTP Error Status: %lu", static_cast<unsigned long>(status));
    Fail(message);
}

uint32_t QueryContentLength(HINTERNET request) {
    for (int attempt = 1;; ++attempt) {
        DWORD length = 0;
        DWORD size = sizeof length;
        if (::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr))
            return length;
        const DWORD error = ::GetLastError();
        if (error == ERROR_HTTP_HEADER_NOT_FOUND) Fail("HTTP Header Not Found");
        if (error != ERROR_INSUFFICIENT_BUFFER) Fail("File or content length not found");
        if (attempt == 2) Fail("HTTP Insufficient Buffer");
    }
}

}  // namespace

KestDownloadError::KestDownloadError(const char* message) {
    std::snprintf(message_, sizeof message_, "%s", message ? message : "");
}

bool IsHttp11VersionText(const char* version) {
    const char* slash = std::strchr(version, '/');
    const char* dot = std::strchr(version, '.');
    if (!slash || !dot) return false;
    if (!std::isdigit(static_cast<unsigned char>(slash[1])) || slash[1] == '0') return false;
    return std::strtol(dot + 1, nullptr, 10) > 0;
}

bool IsReservedInvalidHost(const std::string& host) {
    std::string name = host;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!name.empty() && name.back() == '.') name.pop_back();
    static const std::string kReserved = "invalid";
    if (name == kReserved) return true;
    return name.size() > kReserved.size() &&
           name.compare(name.size() - kReserved.size() - 1, std::string::npos, "." + kReserved) == 0;
}

KestDownloader::~KestDownloader() = default;

void KestDownloader::ReleaseBuffers() { stream_.reset(); }

namespace {
// Releases the stream of one call however it ends.
template <class Release>
class AtExit {
public:
    explicit AtExit(Release release) : release_(release) {}
    ~AtExit() { release_(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

private:
    Release release_;
};
}  // namespace

bool KestDownloader::Download(const std::string& url, const std::atomic<bool>* abortFlag, bool overwrite,
                              ProgressCallback callback) {
    theLog.Log("Downloading File: %s", url.c_str());
    ReleaseBuffers();
    AtExit release([this] { ReleaseBuffers(); });
    stream_.reset(new std::ofstream);
    if (outputFile.empty()) Fail("Output File Not Set");

    InternetCall call(abortFlag, timeLimitMs);
    OpenConnection(url, call);
    const std::ios::openmode mode = std::ios::out | std::ios::binary | (overwrite ? std::ios::trunc : std::ios::app);
    stream_->open(outputFile, mode);
    if (!stream_->is_open()) Fail("KestDownloader:: Can't open output file: ");
    stream_->seekp(0, std::ios::end);
    uint32_t start = static_cast<uint32_t>(stream_->tellp());

    try {
        // Sent from offset 0 too: a server that honours it answers every download alike.
        OpenUrl(call, url, "Range:bytes=" + std::to_string(start) + "-");
        CheckHttpVersion(call.request);
        const DWORD status = QueryStatus(call.request);
        if (status == kStatusRangeNotSatisfiable && start > 0) {
            // The range starts at or past the end of the file: nothing is left to fetch.
            // From offset 0 it is a refusal, not a complete file.
            if (callback) callback(start, start);
            return true;
        }
        CheckStatus(status);
        const uint32_t length = QueryContentLength(call.request);

        if (!overwrite) {
            // A partial answer carries only the rest of the file; any other answer
            // carries the whole file, which is complete here when it is as long as ours.
            const bool continued = status == kStatusPartialContent;
            if (length == 0 || (!continued && length == start)) {
                if (callback) callback(start, start);
                return true;
            }
            if (!continued && start > 0) {
                // The server ignored the range: appending would repeat the first bytes.
                stream_->close();
                stream_->open(outputFile, std::ios::out | std::ios::binary | std::ios::trunc);
                if (!stream_->is_open()) Fail("KestDownloader:: Can't open output file: ");
                start = 0;
            }
        }

        uint32_t received = 0;
        while (received < length) {
            const DWORD count = call.Read(static_cast<DWORD>(std::min<uint32_t>(kChunkSize, length - received)));
            stream_->write(call.Buffer(), count);
            if (!*stream_) Fail("Error writing file");
            received += count;
            if (callback) callback(start + length, start + received);
            if (abortFlag && abortFlag->load()) break;
        }
    } catch (const Aborted&) {
        // The flag ended a wait for the server: the download ends as between chunks.
    }
    stream_->close();
    if (stream_->fail()) Fail("Error writing file");
    return true;
}

bool KestDownloader::DownloadToString(const std::string& url, std::string& reply) {
    ReleaseBuffers();
    InternetCall call(nullptr, timeLimitMs);
    OpenConnection(url, call);
    OpenUrl(call, url, std::string());
    CheckHttpVersion(call.request);
    CheckStatus(QueryStatus(call.request));
    const uint32_t length = std::min<uint32_t>(QueryContentLength(call.request), kReplySize);
    if (length == 0) return true;

    std::string received;
    while (received.size() < length)
        received.append(call.Buffer(), call.Read(static_cast<DWORD>(length - received.size())));
    reply = std::move(received);
    return true;
}
