#include "command_runner.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#define getpid _getpid
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// A file of its own in the temporary folder for one run's stderr (or stdout).
std::string CaptureFile(const char* what)
{
    static int counter = 0;
    return (std::filesystem::temp_directory_path() /
            ("vandrel_cli_" + std::string(what) + "_" + std::to_string(getpid()) + "_" + std::to_string(counter++)))
        .string();
}

std::string ReadAll(FILE* file)
{
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    return text;
}

// Reads and removes a capture file.
std::string TakeCapture(const std::string& path)
{
    std::string text;
    if (FILE* file = fopen(path.c_str(), "rb")) {
        text = ReadAll(file);
        fclose(file);
    }
    std::remove(path.c_str());
    return text;
}

}  // namespace

#ifdef _WIN32
namespace {

// The program as the build named it, as a Windows program under wine sees that path.
std::string ProgramPath()
{
    std::string path = VANDREL_PROGRAM;
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// Quotes an argument so that the runtime's command-line parser gives it back unchanged.
std::string WindowsQuote(const std::string& arg)
{
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

}  // namespace

CommandResult RunVandrel(const std::vector<std::string>& args, const std::string& cwd)
{
    CommandResult result;
    std::string command = WindowsQuote(ProgramPath());
    for (const std::string& arg : args)
        command += " " + WindowsQuote(arg);
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherited, 0))
        return result;
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    const std::string errPath = CaptureFile("err");
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE nothing = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = outWrite;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        cwd.empty() ? nullptr : cwd.c_str(), &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(err);
    CloseHandle(nothing);
    if (started) {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(outRead, buffer, sizeof buffer, &n, nullptr) && n > 0)
            result.out.append(buffer, n);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        result.status = int(status);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(outRead);
    result.err = TakeCapture(errPath);
    return result;
}

#else
namespace {

std::string ShellQuote(const std::string& arg)
{
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// The program and its arguments as execv takes them.
class ProgramArgv {
public:
    explicit ProgramArgv(const std::vector<std::string>& args) : text_{VANDREL_PROGRAM}
    {
        text_.insert(text_.end(), args.begin(), args.end());
        for (std::string& arg : text_)
            pointers_.push_back(arg.data());
        pointers_.push_back(nullptr);
    }
    char* const* Pointers() { return pointers_.data(); }

private:
    std::vector<std::string> text_;
    std::vector<char*> pointers_;
};

// The program and its arguments as one shell command, in folder cwd when given.
std::string ShellCommand(const std::vector<std::string>& args, const std::string& cwd)
{
    std::string command;
    if (!cwd.empty())
        command = "cd " + ShellQuote(cwd) + " && ";
    command += ShellQuote(VANDREL_PROGRAM);
    for (const std::string& arg : args)
        command += " " + ShellQuote(arg);
    return command;
}

CommandResult RunShell(const std::string& command, const std::string& errPath)
{
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    result.out = ReadAll(pipe);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = TakeCapture(errPath);
    return result;
}

}  // namespace

CommandResult RunVandrel(const std::vector<std::string>& args, const std::string& cwd)
{
    const std::string errPath = CaptureFile("err");
    return RunShell(ShellCommand(args, cwd) + " 2>" + ShellQuote(errPath) + " </dev/null", errPath);
}

CommandResult RunVandrelLimited(const std::vector<std::string>& args, const std::string& cwd, const std::string& limit)
{
    const std::string errPath = CaptureFile("err");
    const std::string command =
        "ulimit " + limit + " && " + ShellCommand(args, cwd) + " 2>" + ShellQuote(errPath) + " </dev/null";
    return RunShell("bash -c " + ShellQuote(command), errPath);
}

CommandResult RunVandrelPipedTo(const std::vector<std::string>& args, const std::string& reader)
{
    const std::string errPath = CaptureFile("err");
    const std::string pipeline =
        ShellCommand(args, "") + " 2>" + ShellQuote(errPath) + " </dev/null | " + reader + "; exit ${PIPESTATUS[0]}";
    return RunShell("bash -c " + ShellQuote(pipeline), errPath);
}

StartedVandrel::StartedVandrel(const std::vector<std::string>& args, const std::string& cwd)
    : outPath_(CaptureFile("out")), errPath_(CaptureFile("err"))
{
    ProgramArgv argv(args);
    pid_ = fork();
    if (pid_ == 0) {
        const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int nothing = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || nothing < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || dup2(nothing, 0) < 0 ||
            chdir(cwd.c_str()) != 0)
            _exit(127);
        execv(VANDREL_PROGRAM, argv.Pointers());
        _exit(127);
    }
}

StartedVandrel::~StartedVandrel()
{
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
}

void StartedVandrel::Signal(int signal)
{
    if (pid_ > 0)
        kill(pid_, signal);
}

uintmax_t StartedVandrel::OutputSize() const
{
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(outPath_, error);
    return error ? 0 : size;
}

CommandResult StartedVandrel::Wait()
{
    CommandResult result;
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_)
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    result.out = TakeCapture(outPath_);
    result.err = TakeCapture(errPath_);
    return result;
}

CommandResult RunVandrelOnTerminal(const std::vector<std::string>& args, const std::string& cwd)
{
    CommandResult result;
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    int out[2];
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0 || pipe(out) != 0)
        return result;
    const std::string terminalName = ptsname(terminal);
    ProgramArgv argv(args);

    const pid_t child = fork();
    if (child == 0) {
        setsid();
        const int side = open(terminalName.c_str(), O_RDWR);
        const int nothing = open("/dev/null", O_RDONLY);
        if (side < 0 || nothing < 0 || dup2(side, 2) < 0 || dup2(out[1], 1) < 0 || dup2(nothing, 0) < 0 ||
            chdir(cwd.c_str()) != 0)
            _exit(127);
        close(terminal);
        close(out[0]);
        execv(VANDREL_PROGRAM, argv.Pointers());
        _exit(127);
    }
    close(out[1]);
    // Read both until each is done: the terminal reports EIO once the program has closed it.
    pollfd sources[2] = {{terminal, POLLIN, 0}, {out[0], POLLIN, 0}};
    std::string* texts[2] = {&result.err, &result.out};
    int reading = 2;
    while (reading > 0 && poll(sources, 2, 30000) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (sources[i].fd < 0 || !(sources[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = read(sources[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                texts[i]->append(buffer, size_t(n));
            } else if (n == 0 || errno != EINTR) {
                sources[i].fd = -1;
                --reading;
            }
        }
    }
    close(terminal);
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

#endif

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        // Text on a Windows program's stdout and stderr ends its lines in CR LF.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void CliTest::SetUp()
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("vandrel_" + std::string(test->test_suite_name()) + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
}

void CliTest::TearDown()
{
    std::filesystem::remove_all(folder_);
}

std::string CliTest::Write(const std::string& name, const ffb::Bytes& bytes)
{
    const std::string path = Path(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_TRUE(ffb::WriteFile(path, bytes));
    return path;
}
