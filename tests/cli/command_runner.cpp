#include "command_runner.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

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

std::string ReadAll(FILE* file)
{
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    return text;
}

}  // namespace

CommandResult RunVandrel(const std::vector<std::string>& args, const std::string& cwd)
{
    static int counter = 0;
    const std::string errPath = (std::filesystem::temp_directory_path() /
                                 ("vandrel_cli_err_" + std::to_string(getpid()) + "_" + std::to_string(counter++)))
                                    .string();
    std::string command;
    if (!cwd.empty())
        command = "cd " + ShellQuote(cwd) + " && ";
    command += ShellQuote(VANDREL_PROGRAM);
    for (const std::string& arg : args)
        command += " " + ShellQuote(arg);
    command += " 2>" + ShellQuote(errPath) + " </dev/null";

    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    result.out = ReadAll(pipe);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* err = fopen(errPath.c_str(), "rb")) {
        result.err = ReadAll(err);
        fclose(err);
    }
    std::remove(errPath.c_str());
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
    std::vector<std::string> argvText = {VANDREL_PROGRAM};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

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
        execv(VANDREL_PROGRAM, argv.data());
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

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        lines.push_back(line);
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
