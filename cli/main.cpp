// vandrel: the command-line front end. Extracts FastFiles on the same background worker
// and with the same messages as the main window; lists them, prints one file of one,
// compares what two of them would write, or searches what they would write.
#include "cat_mode.h"
#include "cli_options.h"
#include "diff_mode.h"
#include "extract_mode.h"
#include "file_wildcards.h"
#include "grep_mode.h"
#include "list_mode.h"
#include "program_log.h"

#include <cstdio>


int main(int argc, char** argv)
{
    CliOptions options;
    std::string error;
    if (!ParseCommandLine(argc, argv, options, error)) {
        fprintf(stderr, "vandrel: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (options.version) {
        printf("vandrel %s\n", kProgramVersion);
        return 0;
    }
    options.files = ExpandFileWildcards(options.files);
    if (options.list)
        return RunListMode(options);
    if (!options.catPath.empty())
        return RunCatMode(options);
    if (options.diff)
        return RunDiffMode(options);
    if (options.grep)
        return RunGrepMode(options);
    return RunExtractMode(options);
}
