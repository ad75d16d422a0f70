#include "cli_options.h"

#include "file_wildcards.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

const char kUsage[] =
    "usage: vandrel [OPTIONS] FASTFILE...\n"
    "       vandrel --list [--json] FASTFILE...\n"
    "       vandrel --cat PATH FASTFILE\n"
    "       vandrel --diff [--json] OLD.ff NEW.ff\n"
    "       vandrel --grep PATTERN [-F] [-i] [-l] [--json] FASTFILE...\n"
    "\n"
    "Extracts the scripts, menus, sounds and other files of each FastFile into a folder\n"
    "named after it, next to the FastFile.\n"
    "\n"
    "  -d, --dump             also write the whole decompressed zone to FASTFILE.dump\n"
    "  -s, --string-table     also write the zone's strings to StringTable.txt\n"
    "  -l, --local            write into a folder beside this program instead\n"
    "  -o, --output-dir DIR   write the per-archive folder under DIR\n"
    "      --only TYPES       only files of these types: a comma list of gsc, csc,\n"
    "                         menu, rmb, shock, vision, wav\n"
    "      --filter GLOB      only files whose path matches GLOB (* ? ** [...]);\n"
    "                         may be given more than once\n"
    "  -j, --jobs N           extract up to N FastFiles at once (default 1)\n"
    "      --list             list what each FastFile holds; write nothing\n"
    "      --cat PATH         write the file a full extraction puts at PATH to stdout\n"
    "      --diff             list what two FastFiles' extractions write differently\n"
    "      --grep PATTERN     print the lines of the files extraction would write\n"
    "                         that match PATTERN, an extended regular expression,\n"
    "                         as FASTFILE:PATH:LINE:TEXT; write nothing to disk\n"
    "  -F, --fixed-strings    with --grep: PATTERN is a plain string\n"
    "  -i, --ignore-case      with --grep: ASCII letters match in either case\n"
    "  -l, --files-with-matches\n"
    "                         with --grep: print FASTFILE:PATH of each file that\n"
    "                         matches instead of its lines\n"
    "      --json             one JSON object per FastFile (per path with --diff, per\n"
    "                         line or file with --grep) on stdout\n"
    "      --log FILE         also append the program log to FILE\n"
    "  -q, --quiet            no live progress display\n"
    "  -h, --help             show this help\n"
    "      --version          show the program's version\n";

namespace {

// The options that take a value, in their long and short spellings.
struct ValueOption {
    const char* longName;
    char shortName;
};
const ValueOption kValueOptions[] = {{"output-dir", 'o'}, {"log", 0},  {"only", 0},  {"filter", 0},
                                     {"cat", 0},          {"jobs", 'j'}, {"grep", 0}};

const ValueOption* FindValueOption(const std::string& longName, char shortName)
{
    for (const ValueOption& option : kValueOptions)
        if ((shortName && option.shortName == shortName) || (!shortName && longName == option.longName))
            return &option;
    return nullptr;
}

bool AddTypes(const std::string& list, EntrySelection& selection, std::string& error)
{
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string word = list.substr(start, end - start);
        EntryType type;
        if (!EntryTypeFromWord(word, type)) {
            error = "unknown type '" + word + "' for --only (gsc, csc, menu, rmb, shock, vision, wav)";
            return false;
        }
        selection.AddType(type);
        start = end + 1;
    }
    return true;
}

bool ParseJobs(const std::string& value, int& jobs, std::string& error)
{
    errno = 0;
    char* end = nullptr;
    const long number = strtol(value.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value[0] < '0' || value[0] > '9' || number < 1 || number > INT_MAX) {
        error = "--jobs takes a number of jobs from 1 up, not '" + value + "'";
        return false;
    }
    jobs = int(number);
    return true;
}

bool ApplyValue(const ValueOption& option, const std::string& value, CliOptions& options, std::string& error)
{
    const std::string name = option.longName;
    if (name == "grep") {
        options.grep = true;
        options.grepPattern = value;  // an empty pattern matches every line
        return true;
    }
    if (value.empty()) {
        error = std::string("option --") + option.longName + " needs a non-empty value";
        return false;
    }
    if (name == "output-dir")
        options.outputDir = value;
    else if (name == "log")
        options.logFile = value;
    else if (name == "only")
        return AddTypes(value, options.selection, error);
    else if (name == "filter")
        options.selection.AddGlob(value);
    else if (name == "cat")
        options.catPath = value;
    else if (name == "jobs")
        return ParseJobs(value, options.jobs, error);
    return true;
}

bool SetLongFlag(const std::string& name, CliOptions& options)
{
    bool* const flags[] = {&options.createDump, &options.stringTable, &options.localDump,  &options.list,
                           &options.json,       &options.quiet,       &options.help,       &options.version,
                           &options.diff,       &options.fixedString, &options.ignoreCase, &options.filesWithMatches};
    const char* const names[] = {"dump", "string-table",  "local",       "list",          "json",
                                 "quiet", "help",         "version",     "diff",          "fixed-strings",
                                 "ignore-case",           "files-with-matches"};
    for (size_t i = 0; i < sizeof(names) / sizeof(names[0]); ++i) {
        if (name == names[i]) {
            *flags[i] = true;
            return true;
        }
    }
    return false;
}

// -l stands for --local until the whole line is read: with --grep it is --files-with-matches.
bool SetShortFlag(char flag, CliOptions& options, bool& dashL)
{
    switch (flag) {
    case 'd': options.createDump = true; return true;
    case 's': options.stringTable = true; return true;
    case 'l': dashL = true; return true;
    case 'F': options.fixedString = true; return true;
    case 'i': options.ignoreCase = true; return true;
    case 'q': options.quiet = true; return true;
    case 'h': options.help = true; return true;
    default: return false;
    }
}

// --name, --name VALUE or --name=VALUE.
bool ParseLongOption(const std::string& arg, int& i, int argc, const char* const* argv, CliOptions& options,
                     std::string& error)
{
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const ValueOption* option = FindValueOption(name, 0);
    if (!option) {
        if (equals == std::string::npos && SetLongFlag(name, options))
            return true;
        error = "unknown option " + arg;
        return false;
    }
    if (equals != std::string::npos)
        return ApplyValue(*option, arg.substr(equals + 1), options, error);
    if (i + 1 >= argc) {
        error = "option " + arg + " needs a value";
        return false;
    }
    return ApplyValue(*option, argv[++i], options, error);
}

// Bundled short flags such as -ds; -o and -j take their value from the rest of the
// argument or from the next one.
bool ParseShortOptions(const std::string& arg, int& i, int argc, const char* const* argv, CliOptions& options,
                       bool& dashL, std::string& error)
{
    for (size_t k = 1; k < arg.size(); ++k) {
        if (const ValueOption* option = FindValueOption(std::string(), arg[k])) {
            std::string value = arg.substr(k + 1);
            if (value.empty()) {
                if (i + 1 >= argc) {
                    error = std::string("option -") + arg[k] + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            return ApplyValue(*option, value, options, error);
        }
        if (!SetShortFlag(arg[k], options, dashL)) {
            error = std::string("unknown option -") + arg[k];
            return false;
        }
    }
    return true;
}

// The modes that read archives without extracting them, and how many they take.
bool CheckMode(const CliOptions& options, std::string& error)
{
    const int modes = int(options.list) + int(!options.catPath.empty()) + int(options.diff) + int(options.grep);
    if (modes > 1)
        error = "--list, --cat, --diff and --grep go one at a time";
    else if (!options.grep && (options.fixedString || options.ignoreCase || options.filesWithMatches))
        error = "-F, -i and --files-with-matches go with --grep";
    else if (!options.catPath.empty() && options.files.size() != 1)
        error = "--cat takes a path and one FastFile, not " + std::to_string(options.files.size());
    else if (options.diff && options.files.size() != 2)
        error = "--diff takes two FastFiles, the old one and the new one, not " + std::to_string(options.files.size());
    return error.empty();
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, CliOptions& options, std::string& error)
{
    bool onlyFiles = false;
    bool dashL = false;
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
        const bool parsed = arg[1] == '-' ? ParseLongOption(arg, i, argc, argv, options, error)
                                          : ParseShortOptions(arg, i, argc, argv, options, dashL, error);
        if (!parsed)
            return false;
    }
    (options.grep ? options.filesWithMatches : options.localDump) |= dashL;
    if (options.help || options.version)
        return true;
    if (options.files.empty()) {
        error = "no FastFile given";
        return false;
    }
    // The modes count the archives that the wildcards stand for.
    options.files = ExpandFileWildcards(options.files);
    return CheckMode(options, error);
}
