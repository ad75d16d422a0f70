// Runs the vandrel command as a separate process and collects what it did.
#pragma once

#include <string>
#include <vector>

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program with the arguments (each quoted for the shell), in folder `cwd` when given.
CommandResult RunVandrel(const std::vector<std::string>& args, const std::string& cwd = "");

std::vector<std::string> Lines(const std::string& text);
