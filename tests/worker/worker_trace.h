// The worker's messages as lines of text, so that whole traces compare in one assertion.
#pragma once

#include "worker_messages.h"

#include <cstdio>
#include <string>

// "progress 5", "status Idle..", "row 0 col 1 ff95ff Done", "end row 0 errors 0 refused 0".
inline std::string Describe(const PostedMessage& message)
{
    char text[200];
    switch (message.message) {
    case WM_KEST_PROGRESS:
        snprintf(text, sizeof(text), "progress %d", int(message.lParam));
        return text;
    case WM_KEST_STATUSTEXT:
        return std::string("status ") + reinterpret_cast<const char*>(message.lParam);
    case WM_KEST_ROWUPDATE: {
        const RowUpdate* update = reinterpret_cast<const RowUpdate*>(message.wParam);
        if (update->setColour)
            snprintf(text, sizeof(text), "row %d col %d %06x %s", update->row, int(message.lParam), update->colour,
                     update->text.c_str());
        else
            snprintf(text, sizeof(text), "row %d col %d %s", update->row, int(message.lParam), update->text.c_str());
        return text;
    }
    case kJobEndedReport: {
        const JobOutcome* outcome = reinterpret_cast<const JobOutcome*>(message.wParam);
        snprintf(text, sizeof(text), "end row %d errors %d refused %d", outcome->row, outcome->writeErrors,
                 outcome->refused);
        return text;
    }
    }
    return "unknown";
}

inline bool IsJobEnd(const std::string& line)
{
    return line.compare(0, 4, "end ") == 0;
}
