// Support for the update tests: the local HTTP server (http_test_server.py, which each
// test program starts under wine as a Linux process), the pattern its bodies follow,
// the current folder and environment for a scope, and a window that records the update
// thread's messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "output_test_support.h"

namespace updatetest {

// The first bytes from start to end of a /data/ body: byte i is (31 i + 7) mod 256.
std::string Pattern(size_t start, size_t end);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);

// The current folder, or an environment variable (null: unset), for the object's lifetime.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& path);
    ~CurrentFolder();

private:
    std::string previous_;
};
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();

private:
    std::string name_;
    std::string previous_;
    bool hadValue_ = false;
};

struct SeenRequest {
    std::string path;   // path and query
    std::string range;  // "Range:bytes=0-", "-" without one, or "aborted"
};

class TestHttpServer {
public:
    ~TestHttpServer() { Stop(); }
    // Starts the server and waits for its port; on failure returns false with why.
    bool Start(std::string* error);
    // Tells the server to stop, waits for it (bounded) and removes its folder.
    void Stop();

    int Port() const { return port_; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }  // as KEST_UPDATE_HOST takes it
    std::string Url(const std::string& pathAndQuery) const { return "http://" + Host() + pathAndQuery; }
    // A port that never takes a connection: the connect waits as for a host that does
    // not answer.
    std::string UnansweringHost() const { return "127.0.0.1:" + std::to_string(fullPort_); }

    // A file of the update server (version.txt, 7za.exe, ...) with serving options ("cut=5000").
    void PutUpdateFile(const std::string& name, const std::string& content, const std::string& options = "");
    void RemoveUpdateFiles();
    std::vector<SeenRequest> Requests() const;
    std::vector<SeenRequest> RequestsTo(const std::string& pathPrefix) const;
    void ClearRequests();

private:
    testsupport::TempFolder* folder_ = nullptr;
    int port_ = 0;
    int fullPort_ = 0;
};

// The one server of a test program, started on first use and stopped at exit.
TestHttpServer& Server();

// A message-only window that records the WM_USER range messages posted to it.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    HWND hwnd() const { return hwnd_; }
    // Dispatches messages until condition() holds or timeoutMs has passed.
    bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000);
    std::vector<std::pair<UINT, LPARAM>> messages;

private:
    HWND hwnd_ = nullptr;
};

}  // namespace updatetest
