// The vandrel command line: what the user asked for, parsed once.
#pragma once

#include "entry_selection.h"

#include <string>
#include <vector>

struct CliOptions {
    bool createDump = false;     // -d, --dump
    bool stringTable = false;    // -s, --string-table
    bool localDump = false;      // -l, --local (-l is --files-with-matches with --grep)
    std::string outputDir;       // -o, --output-dir DIR
    bool list = false;           // --list
    bool json = false;           // --json
    std::string logFile;         // --log FILE
    bool quiet = false;          // -q, --quiet
    bool help = false;           // -h, --help
    bool version = false;        // --version
    EntrySelection selection;    // --only TYPES, --filter GLOB
    std::string catPath;         // --cat PATH
    bool diff = false;           // --diff
    int jobs = 1;                // -j, --jobs N
    bool grep = false;           // --grep PATTERN
    std::string grepPattern;
    bool fixedString = false;    // -F, --fixed-strings
    bool ignoreCase = false;     // -i, --ignore-case
    bool filesWithMatches = false;  // -l with --grep, --files-with-matches
    std::vector<std::string> files;

    bool Filtered() const { return !selection.TakesEverything(); }
    // The selection the walk over an archive's files asks; null when every file is taken.
    const EntrySelection* Selection() const { return Filtered() ? &selection : nullptr; }
};

// Parses argv[1..], FastFile wildcards expanded (ExpandFileWildcards) before the modes
// count the archives. On a usage error returns false and sets error to a one-line message.
bool ParseCommandLine(int argc, const char* const* argv, CliOptions& options, std::string& error);

extern const char kUsage[];
