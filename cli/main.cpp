// vandrel: the command-line front end. Lists FastFiles, or extracts them on the same
// background worker and with the same messages as the main window.
#include "cli_options.h"
#include "extract_mode.h"
#include "list_mode.h"
#include "program_log.h"

#include <cstdio>

#ifdef _WIN32
// The Windows command prompt hands "*.ff" over as it stands; the C runtime expands it
// before main when this is set, as a shell would elsewhere.
int _dowildcard = -1;
#endif

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
    if (options.list)
        return RunListMode(options);
    return RunExtractMode(options);
}
