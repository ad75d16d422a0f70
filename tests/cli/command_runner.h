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

// Runs the program with the arguments (each quoted for the shell), in folder `cwd` when given.
CommandResult RunVandrel(const std::vector<std::string>& args, const std::string& cwd = "");

// As RunVandrel, with stderr on a pseudo-terminal (so that the program sees a terminal
// there) and stdout on a pipe.
CommandResult RunVandrelOnTerminal(const std::vector<std::string>& args, const std::string& cwd);

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
