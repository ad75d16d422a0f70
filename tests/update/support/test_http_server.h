// Support for the update tests: the local HTTP server (http_test_server.py, started from
// the test under wine as a Linux process), the body pattern it serves, temporary
// folders, and a window that records the update thread's messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace updatetest {

// The byte the server sends at offset i of a /data/ body.
inline char PatternByte(size_t i) { return static_cast<char>((i * 31 + 7) & 0xFF); }
std::string Pattern(size_t start, size_t end);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);

// A fresh folder under the temporary folder, removed with its contents.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Makes a folder the current one for its lifetime.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& path);
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::string previous_;
};

// Sets an environment variable of this process for its lifetime (null: removed).
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::string previous_;
    bool hadValue_ = false;
};

struct SeenRequest {
    std::string path;   // path and query as requested
    std::string range;  // "Range:bytes=0-", "-" without one, or "aborted"
};

class TestHttpServer {
public:
    TestHttpServer() = default;
    ~TestHttpServer() { Stop(); }
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // Starts the server and waits for its port; on failure returns false with why.
    bool Start(std::string* error);
    // Asks the server to stop, waits for it (bounded) and removes its folder.
    void Stop();

    int Port() const { return port_; }
    // "127.0.0.1:port", as KEST_UPDATE_HOST takes it.
    std::string Host() const;
    std::string Url(const std::string& pathAndQuery) const;

    // A file of the update server (version.txt, 7za.exe, FF_Update.zip,
    // Kest_Vandrel_Updater.bat) with optional serving options ("cut=5000").
    void PutUpdateFile(const std::string& name, const std::string& content, const std::string& options = "");
    void RemoveUpdateFiles();

    std::vector<SeenRequest> Requests() const;
    void ClearRequests();
    // Requests whose path starts with prefix.
    std::vector<SeenRequest> RequestsTo(const std::string& prefix) const;

private:
    TempFolder* folder_ = nullptr;
    int port_ = 0;
};

// The one server of a test program, started on first use and stopped at exit.
TestHttpServer& Server();

// A message-only window that records what the update thread posts to it.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Dispatches messages until condition() holds or timeoutMs has passed.
    bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000);
    std::vector<std::pair<UINT, LPARAM>> messages;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

}  // namespace updatetest
