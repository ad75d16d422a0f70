// Runs the vandrel command as a separate process and collects what it did.
#pragma once

#include "ff_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program with the arguments (each quoted for the shell, or for the Windows
// runtime under wine), in folder `cwd` when given. stdout is read as bytes.
CommandResult RunVandrel(const std::vector<std::string>& args, const std::string& cwd = "");

#ifndef _WIN32
// As RunVandrel, with stderr on a pseudo-terminal (so that the program sees a terminal
// there) and stdout on a pipe.
CommandResult RunVandrelOnTerminal(const std::vector<std::string>& args, const std::string& cwd);

// As RunVandrel, with stdout piped into the shell command `reader`; out is what the
// reader printed, status the program's own.
CommandResult RunVandrelPipedTo(const std::vector<std::string>& args, const std::string& reader);

// As RunVandrel, with the program's resources limited first by the shell's ulimit
// (limit such as "-v 110000": 110 MB of address space).
CommandResult RunVandrelLimited(const std::vector<std::string>& args, const std::string& cwd, const std::string& limit);

// The program started and left running, to be signalled while it works.
class StartedVandrel {
public:
    StartedVandrel(const std::vector<std::string>& args, const std::string& cwd);
    ~StartedVandrel();  // ends a program still running
    void Signal(int signal);
    // The bytes it has written to stdout so far.
    uintmax_t OutputSize() const;
    CommandResult Wait();

private:
    int pid_ = -1;
    std::string outPath_, errPath_;
};
#endif

// The lines of text, without their line ends (LF, or CR LF from a Windows program).
std::vector<std::string> Lines(const std::string& text);

// A test with a fresh folder of its own for archives and outputs.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    // Writes bytes to name inside the folder (creating its folders) and returns the path.
    std::string Write(const std::string& name, const ffb::Bytes& bytes);

    std::filesystem::path folder_;
};
