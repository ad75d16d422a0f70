// How the command line prints the bytes of zone names. In JSON, strings are byte
// strings: printable ASCII stands as itself, every other byte as \u00XX, so any zone
// name round-trips. As text, every other byte (and the backslash) stands as \xXX, so that
// no control character reaches the terminal.
#pragma once

#include <string>

std::string JsonString(const std::string& bytes);
std::string Printable(const std::string& bytes);
