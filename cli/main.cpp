// vandrel: the command-line front end. Extracts FastFiles on the same background worker
// and with the same messages as the main window; lists them, prints one file of one,
// compares what two of them would write, or searches what they would write.
#include "cat_mode.h"
#include "cli_options.h"
#include "diff_mode.h"
#include "extract_mode.h"
#include "grep_mode.h"
#include "list_mode.h"
#include "program_log.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>

namespace {

struct Mode {
    int (*run)(const CliOptions& options);
    int failureStatus;  // when the mode cannot go on (no memory, for one)
};

Mode ChosenMode(const CliOptions& options)
{
    if (options.list)
        return {RunListMode, 1};
    if (!options.catPath.empty())
        return {RunCatMode, 1};
    if (options.diff)
        return {RunDiffMode, 2};
    if (options.grep)
        return {RunGrepMode, 2};
    return {RunExtractMode, 1};
}

int Run(int argc, char** argv, int& failureStatus)
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
    const Mode mode = ChosenMode(options);
    failureStatus = mode.failureStatus;
    return mode.run(options);
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef SIGXFSZ
    // Past a file-size limit a write then fails with EFBIG, and that file is lost and
    // counted as any write that fails, instead of the signal ending the program halfway.
    signal(SIGXFSZ, SIG_IGN);
#endif
    // Whatever a mode throws (an allocation a large archive makes fail, for one) ends it
    // with its failure status and a line that says why, never with a terminated program.
    int failureStatus = 1;
    try {
        return Run(argc, argv, failureStatus);
    } catch (const std::bad_alloc&) {
        fputs("vandrel: not enough memory\n", stderr);
    } catch (const std::length_error&) {
        fputs("vandrel: not enough memory\n", stderr);
    } catch (const std::exception& e) {
        fprintf(stderr, "vandrel: %s\n", e.what());
    } catch (...) {
        fputs("vandrel: unexpected failure\n", stderr);
    }
    return failureStatus;
}
