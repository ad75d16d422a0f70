#include "command_runner.h"

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

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
