#include "cli_options.h"

#include <cstring>

const char kUsage[] =
    "usage: vandrel [OPTIONS] FASTFILE...\n"
    "       vandrel --list [--json] FASTFILE...\n"
    "\n"
    "Extracts the scripts, menus, sounds and other files of each FastFile into a folder\n"
    "named after it, next to the FastFile.\n"
    "\n"
    "  -d, --dump             also write the whole decompressed zone to FASTFILE.dump\n"
    "  -s, --string-table     also write the zone's strings to StringTable.txt\n"
    "  -l, --local            write into a folder beside this program instead\n"
    "  -o, --output-dir DIR   write the per-archive folder under DIR\n"
    "      --list             list what each FastFile holds; write nothing\n"
    "      --json             one JSON object per FastFile on stdout\n"
    "      --log FILE         also append the program log to FILE\n"
    "  -q, --quiet            no live progress display\n"
    "  -h, --help             show this help\n"
    "      --version          show the program's version\n";

namespace {

// Options that take a value, in their long and short spellings.
bool TakeValue(const std::string& arg, const char* longName, char shortName, int& i, int argc,
               const char* const* argv, std::string& value, std::string& error, bool& matched)
{
    const std::string longForm = std::string("--") + longName;
    std::string inlineValue;
    bool hasInline = false;
    if (arg == longForm || (shortName && arg.size() == 2 && arg[0] == '-' && arg[1] == shortName)) {
        // value follows as the next argument
    } else if (arg.compare(0, longForm.size() + 1, longForm + "=") == 0) {
        inlineValue = arg.substr(longForm.size() + 1);
        hasInline = true;
    } else {
        return false;
    }
    matched = true;
    if (hasInline) {
        value = inlineValue;
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        error = "option " + arg + " needs a value";
        return false;
    }
    if (value.empty()) {
        error = "option " + longForm + " needs a non-empty value";
        return false;
    }
    return true;
}

bool SetShortFlag(char flag, CliOptions& options)
{
    switch (flag) {
    case 'd': options.createDump = true; return true;
    case 's': options.stringTable = true; return true;
    case 'l': options.localDump = true; return true;
    case 'q': options.quiet = true; return true;
    case 'h': options.help = true; return true;
    default: return false;
    }
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, CliOptions& options, std::string& error)
{
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        bool matched = false;
        if (TakeValue(arg, "output-dir", 'o', i, argc, argv, options.outputDir, error, matched) ||
            TakeValue(arg, "log", 0, i, argc, argv, options.logFile, error, matched))
            continue;
        if (matched)
            return false;

        if (arg == "--dump") options.createDump = true;
        else if (arg == "--string-table") options.stringTable = true;
        else if (arg == "--local") options.localDump = true;
        else if (arg == "--list") options.list = true;
        else if (arg == "--json") options.json = true;
        else if (arg == "--quiet") options.quiet = true;
        else if (arg == "--help") options.help = true;
        else if (arg == "--version") options.version = true;
        else if (arg[1] != '-') {
            // Bundled short flags such as -ds; -o takes its value from the rest or the next argument.
            for (size_t k = 1; k < arg.size(); ++k) {
                if (arg[k] == 'o') {
                    std::string rest = arg.substr(k + 1);
                    if (rest.empty()) {
                        if (i + 1 >= argc) {
                            error = "option -o needs a value";
                            return false;
                        }
                        rest = argv[++i];
                    }
                    if (rest.empty()) {
                        error = "option -o needs a non-empty value";
                        return false;
                    }
                    options.outputDir = rest;
                    break;
                }
                if (!SetShortFlag(arg[k], options)) {
                    error = std::string("unknown option -") + arg[k];
                    return false;
                }
            }
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (!options.help && !options.version && options.files.empty()) {
        error = "no FastFile given";
        return false;
    }
    return true;
}
