#include "test_http_server.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace updatetest {

namespace {

constexpr DWORD kServerStartMs = 20000;
constexpr DWORD kServerStopMs = 5000;
constexpr DWORD kPollMs = 20;

// Wine's own conversions between Windows and Linux paths.
template <class Function>
Function WineExport(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name)));
}

std::string UnixPathOf(const std::string& windowsPath) {
    auto toUnix = WineExport<char*(CDECL*)(const WCHAR*)>("wine_get_unix_file_name");
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* unixPath = toUnix ? toUnix(wide.c_str()) : nullptr;
    if (!unixPath) return std::string();
    std::string result = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}

std::string DosPathOf(const std::string& unixPath) {
    auto toDos = WineExport<WCHAR*(CDECL*)(const char*)>("wine_get_dos_file_name");
    WCHAR* dos = toDos ? toDos(unixPath.c_str()) : nullptr;
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

LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg < WM_USER || msg >= WM_APP || !g_recording) return ::DefWindowProcA(hwnd, msg, wp, lp);
    g_recording->emplace_back(msg, lp);
    return 0;
}

}  // namespace

std::string Pattern(size_t start, size_t end) {
    std::string bytes;
    for (size_t i = start; i < end; ++i) bytes += static_cast<char>((i * 31 + 7) & 0xFF);
    return bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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
    previous_ = previous;
    ::SetEnvironmentVariableA(name, value);
}

ScopedEnvironment::~ScopedEnvironment() { ::SetEnvironmentVariableA(name_.c_str(), hadValue_ ? previous_.c_str() : nullptr); }

bool TestHttpServer::Start(std::string* error) {
    folder_ = new testsupport::TempFolder;
    ::CreateDirectoryA((*folder_ / "update").c_str(), nullptr);
    const std::string unixFolder = UnixPathOf(folder_->Path());
    const std::string python = DosPathOf(VANDREL_PYTHON3);
    if (unixFolder.empty() || python.empty()) {
        *error = "no Linux paths: the update tests run under wine";
        return false;
    }
    // Wine starts a Linux program detached from this process; it is stopped through its folder.
    std::string command = "python3 \"" VANDREL_HTTP_TEST_SERVER "\" --dir \"" + unixFolder + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(python.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        *error = "cannot start " + python + ", error " + std::to_string(::GetLastError());
        return false;
    }
    if (process.hThread) ::CloseHandle(process.hThread);
    if (process.hProcess) ::CloseHandle(process.hProcess);
    if (!WaitFor([&] { return FileExists(*folder_ / "port"); }, kServerStartMs)) {
        *error = "the server wrote no port: " + ReadFile(*folder_ / "server.log");
        return false;
    }
    port_ = std::stoi(ReadFile(*folder_ / "port"));
    fullPort_ = std::stoi(ReadFile(*folder_ / "full_port"));  // written first
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

void TestHttpServer::PutUpdateFile(const std::string& name, const std::string& content, const std::string& options) {
    const std::string path = *folder_ / ("update\\" + name);
    WriteFile(path, content);
    WriteFile(path + ".options", options);
}

void TestHttpServer::RemoveUpdateFiles() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(*folder_ / "update", ignored))
        std::filesystem::remove(entry.path(), ignored);
}

std::vector<SeenRequest> TestHttpServer::Requests() const { return RequestsTo("/"); }

std::vector<SeenRequest> TestHttpServer::RequestsTo(const std::string& pathPrefix) const {
    std::vector<SeenRequest> seen;
    std::istringstream lines(ReadFile(*folder_ / "requests.log"));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t tab = line.find('\t');
        if (tab != std::string::npos && line.compare(0, pathPrefix.size(), pathPrefix) == 0)
            seen.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return seen;
}

void TestHttpServer::ClearRequests() { ::DeleteFileA((*folder_ / "requests.log").c_str()); }

TestHttpServer& Server() {
    static TestHttpServer server;  // stopped when the test program ends
    std::string error;
    if (server.Port() == 0 && !server.Start(&error)) throw std::runtime_error("test HTTP server: " + error);
    return server;
}

MessageRecorder::MessageRecorder() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &RecorderProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "VandrelUpdateRecorder";
    ::RegisterClassA(&wc);  // fails harmlessly once registered
    hwnd_ = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    g_recording = &messages;
}

MessageRecorder::~MessageRecorder() {
    g_recording = nullptr;
    ::DestroyWindow(hwnd_);
}

bool MessageRecorder::PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        if (condition()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    }
}

}  // namespace updatetest
