// The few JSON pieces the command line prints. Strings are byte strings: printable
// ASCII stands as itself, every other byte as \u00XX, so any zone name round-trips.
#pragma once

#include <string>

std::string JsonString(const std::string& bytes);
