#include "test_http_server.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#ifndef VANDREL_PYTHON3
#error "VANDREL_PYTHON3 names the Python interpreter that runs the test server"
#endif

namespace updatetest {

namespace {

constexpr DWORD kServerStartMs = 20000;
constexpr DWORD kServerStopMs = 5000;
constexpr DWORD kPollMs = 20;

// Wine's own conversions between Windows and Linux paths.
using ToUnix = char*(CDECL*)(const WCHAR*);
using ToDos = WCHAR*(CDECL*)(const char*);

std::string UnixPathOf(const std::string& windowsPath) {
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* unixPath = toUnix(wide.c_str());
    if (!unixPath) return std::string();
    std::string result = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}

std::string DosPathOf(const std::string& unixPath) {
    auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (!toDos) return std::string();
    WCHAR* dos = toDos(unixPath.c_str());
    if (!dos) return std::string();
    char narrow[MAX_PATH * 2] = {};
    ::WideCharToMultiByte(CP_ACP, 0, dos, -1, narrow, sizeof narrow, nullptr, nullptr);
    ::HeapFree(::GetProcessHeap(), 0, dos);
    return narrow;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > timeoutMs) return condition();
        ::Sleep(kPollMs);
    }
    return true;
}

std::vector<std::pair<UINT, LPARAM>>* g_recording = nullptr;

}  // namespace

std::string Pattern(size_t start, size_t end) {
    std::string bytes;
    for (size_t i = start; i < end; ++i) bytes += PatternByte(i);
    return bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TempFolder::TempFolder() {
    static int counter = 0;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    for (;;) {
        path_ = std::string(temp) + "vandrel-update-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        if (::CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

CurrentFolder::CurrentFolder(const std::string& path) {
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    previous_ = previous;
    ::SetCurrentDirectoryA(path.c_str());
}

CurrentFolder::~CurrentFolder() { ::SetCurrentDirectoryA(previous_.c_str()); }

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name) {
    char previous[1024] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, previous, sizeof previous);
    hadValue_ = length > 0 && length < sizeof previous;
    if (hadValue_) previous_ = previous;
    ::SetEnvironmentVariableA(name, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    ::SetEnvironmentVariableA(name_.c_str(), hadValue_ ? previous_.c_str() : nullptr);
}

bool TestHttpServer::Start(std::string* error) {
    folder_ = new TempFolder;
    ::CreateDirectoryA((*folder_ / "update").c_str(), nullptr);
    const std::string unixFolder = UnixPathOf(folder_->Path());
    const std::string python = DosPathOf(VANDREL_PYTHON3);
    if (unixFolder.empty() || python.empty()) {
        *error = "no Linux path for the server (not running under wine?)";
        return false;
    }
    // Wine starts a Linux program as a process of its own, detached from this one; it
    // is stopped through its folder.
    std::string command = "python3 \"" VANDREL_HTTP_TEST_SERVER "\" --dir \"" + unixFolder + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(python.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        *error = "cannot start " + python + " (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    if (process.hThread) ::CloseHandle(process.hThread);
    if (process.hProcess) ::CloseHandle(process.hProcess);
    const std::string portFile = *folder_ / "port";
    if (!WaitFor([&] { return FileExists(portFile); }, kServerStartMs)) {
        *error = "the server wrote no port: " + ReadFile(*folder_ / "server.log");
        return false;
    }
    port_ = std::stoi(ReadFile(portFile));
    return true;
}

void TestHttpServer::Stop() {
    if (!folder_) return;
    WriteFile(*folder_ / "quit", "quit\n");
    WaitFor([&] { return FileExists(*folder_ / "stopped"); }, kServerStopMs);
    delete folder_;
    folder_ = nullptr;
    port_ = 0;
}

std::string TestHttpServer::Host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string TestHttpServer::Url(const std::string& pathAndQuery) const { return "http://" + Host() + pathAndQuery; }

void TestHttpServer::PutUpdateFile(const std::string& name, const std::string& content,
                                   const std::string& options) {
    const std::string path = *folder_ / ("update\\" + name);
    WriteFile(path, content);
    if (options.empty()) {
        ::DeleteFileA((path + ".options").c_str());
    } else {
        WriteFile(path + ".options", options);
    }
}

void TestHttpServer::RemoveUpdateFiles() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(*folder_ / "update", ignored))
        std::filesystem::remove(entry.path(), ignored);
}

std::vector<SeenRequest> TestHttpServer::Requests() const {
    std::vector<SeenRequest> seen;
    std::istringstream lines(ReadFile(*folder_ / "requests.log"));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        seen.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return seen;
}

void TestHttpServer::ClearRequests() { ::DeleteFileA((*folder_ / "requests.log").c_str()); }

std::vector<SeenRequest> TestHttpServer::RequestsTo(const std::string& prefix) const {
    std::vector<SeenRequest> matching;
    for (const SeenRequest& request : Requests()) {
        if (request.path.compare(0, prefix.size(), prefix) == 0) matching.push_back(request);
    }
    return matching;
}

TestHttpServer& Server() {
    // Stopped by the destructor of the static object when the test program ends.
    static TestHttpServer server;
    if (server.Port() == 0) {
        std::string error;
        if (!server.Start(&error)) throw std::runtime_error("test HTTP server: " + error);
    }
    return server;
}

MessageRecorder::MessageRecorder() {
    static const char* className = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &MessageRecorder::Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "VandrelUpdateRecorder";
        ::RegisterClassA(&wc);
        return "VandrelUpdateRecorder";
    }();
    hwnd_ = ::CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ::GetModuleHandleA(nullptr),
                              nullptr);
    g_recording = &messages;
}

MessageRecorder::~MessageRecorder() {
    // Drop what is still queued for the window before it goes.
    MSG msg;
    while (::PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE)) {
    }
    g_recording = nullptr;
    ::DestroyWindow(hwnd_);
}

bool MessageRecorder::PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (condition()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    }
}

LRESULT CALLBACK MessageRecorder::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg >= WM_USER && msg < WM_APP && g_recording) {
        g_recording->emplace_back(msg, lp);
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace updatetest
