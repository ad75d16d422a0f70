// One path given on the command line and, once accepted, its job's row as the main
// window would show it, with what the job could not write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct JobRow {
    std::string file;       // the path made absolute
    std::string rejection;  // empty when accepted
    std::string cells[5];   // Name, Status, Size, Files, Strings
    uint32_t colour = 0;    // of the Status cell, COLORREF
    std::vector<int32_t> progress;
    bool ended = false;     // the worker reported the job's end
    int32_t writeErrors = 0;
    int32_t refused = 0;
    int32_t selected = 0;   // entries' files written or attempted

    bool Accepted() const { return rejection.empty(); }
    // "Done" with every file written: the one outcome the exit status counts as success.
    bool Succeeded() const { return Accepted() && ended && cells[1] == "Done" && writeErrors == 0 && refused == 0; }
};
