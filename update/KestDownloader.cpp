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

// The WinINet handles one call owns; all are closed however the call ends.
class InternetHandles {
public:
    InternetHandles() = default;
    ~InternetHandles() {
        for (HINTERNET handle : {request, connection, internet})
            if (handle) ::InternetCloseHandle(handle);
    }
    InternetHandles(const InternetHandles&) = delete;
    InternetHandles& operator=(const InternetHandles&) = delete;

    HINTERNET internet = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
};

[[noreturn]] void Fail(const char* message) { throw KestDownloadError(message); }

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

void OpenConnection(const std::string& url, InternetHandles& handles) {
    // Only a lowercase h, t or p among the first six characters is looked for.
    if (url.find_first_of("htp") >= kUrlTestLimit) Fail("Must be HTTP url");
    if (::InternetAttemptConnect(0) != ERROR_SUCCESS) Fail("Can't connect");
    handles.internet = ::InternetOpenA(kAgentName, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!handles.internet) Fail("Can't open connection");
    SetTimeouts(handles.internet);
}

// Connects, sends the GET with header and waits for the answer's headers.
void OpenUrl(InternetHandles& handles, const std::string& url, const std::string& header) {
    UrlParts parts;
    if (!CrackUrl(url, parts) || IsReservedInvalidHost(parts.host)) Fail("Can't open url");
    const bool secure = parts.scheme == INTERNET_SCHEME_HTTPS;
    if (parts.scheme != INTERNET_SCHEME_HTTP && !secure) Fail("Can't open url");
    handles.connection = ::InternetConnectA(handles.internet, parts.host.c_str(), parts.port, nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    if (!handles.connection) Fail("Can't open url");
    SetTimeouts(handles.connection);
    const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | (secure ? INTERNET_FLAG_SECURE : 0);
    handles.request = ::HttpOpenRequestA(handles.connection, "GET", parts.object.c_str(), nullptr, nullptr, nullptr,
                                         flags, 0);
    if (!handles.request ||
        !::HttpSendRequestA(handles.request, header.empty() ? nullptr : header.c_str(),
                            static_cast<DWORD>(header.size()), nullptr, 0))
        Fail("Can't open url");
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

// Reads until count bytes have arrived. A connection that ends sooner is a failure:
// WinINet then reports a successful read of 0 bytes.
DWORD ReadSome(HINTERNET request, char* into, DWORD count) {
    DWORD got = 0;
    if (!::InternetReadFile(request, into, count, &got) || got == 0) Fail("Error occurred during download");
    return got;
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

void KestDownloader::ReleaseBuffers() {
    stream_.reset();
    chunk_.reset();
    reply_.reset();
}

namespace {
// Releases the stream and buffers of one call however it ends.
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
    chunk_.reset(new char[kChunkSize]);
    stream_.reset(new std::ofstream);
    if (outputFile.empty()) Fail("Output File Not Set");

    InternetHandles handles;
    OpenConnection(url, handles);
    const std::ios::openmode mode = std::ios::out | std::ios::binary | (overwrite ? std::ios::trunc : std::ios::app);
    stream_->open(outputFile, mode);
    if (!stream_->is_open()) Fail("KestDownloader:: Can't open output file: ");
    stream_->seekp(0, std::ios::end);
    uint32_t start = static_cast<uint32_t>(stream_->tellp());

    // Sent from offset 0 too: a server that honours it answers every download alike.
    OpenUrl(handles, url, "Range:bytes=" + std::to_string(start) + "-");
    CheckHttpVersion(handles.request);
    const DWORD status = QueryStatus(handles.request);
    if (status == kStatusRangeNotSatisfiable && start > 0) {
        // The range starts at or past the end of the file: nothing is left to fetch. From
        // offset 0 it is a refusal, not a complete file.
        if (callback) callback(start, start);
        return true;
    }
    CheckStatus(status);
    const uint32_t length = QueryContentLength(handles.request);

    if (!overwrite) {
        // A partial answer carries only the rest of the file; any other answer carries
        // the whole file, which is complete here when it is as long as ours.
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
        const DWORD count = ReadSome(handles.request, chunk_.get(),
                                     static_cast<DWORD>(std::min<uint32_t>(kChunkSize, length - received)));
        stream_->write(chunk_.get(), count);
        if (!*stream_) Fail("Error writing file");
        received += count;
        if (callback) callback(start + length, start + received);
        if (abortFlag && abortFlag->load()) break;
    }
    stream_->close();
    if (stream_->fail()) Fail("Error writing file");
    return true;
}

bool KestDownloader::DownloadToString(const std::string& url, std::string& reply) {
    ReleaseBuffers();
    AtExit release([this] { ReleaseBuffers(); });
    reply_.reset(new char[kReplySize]);

    InternetHandles handles;
    OpenConnection(url, handles);
    OpenUrl(handles, url, std::string());
    CheckHttpVersion(handles.request);
    CheckStatus(QueryStatus(handles.request));
    const uint32_t length = std::min<uint32_t>(QueryContentLength(handles.request), kReplySize);
    if (length == 0) return true;

    uint32_t received = 0;
    while (received < length) received += ReadSome(handles.request, reply_.get() + received, length - received);
    reply.assign(reply_.get(), received);
    return true;
}
