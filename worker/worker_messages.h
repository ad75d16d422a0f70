// The three messages by which the worker reports to whoever shows its progress, the record
// that a row message carries, and the target they are posted to.
//
// Ownership: a RowUpdate is allocated by the sender and freed by the receiver after use
// (ReleasePostedMessage), as is a browse session's BrowseReport (browse_session.h). If
// posting fails, the sender frees it. Status texts are constants with static lifetime
// and are never freed.
//
// Beside the three messages, the worker hands each finished job's JobOutcome to its
// target's JobEnded. A window ignores it (its row already says "Done" or the error);
// the command line's queue keeps it in order among the messages, to count jobs and to
// say which of them could not write everything.
#pragma once

#include <cstdint>
#include <string>

constexpr uint32_t kWmUser = 0x0400;
constexpr uint32_t WM_KEST_PROGRESS = kWmUser + 8;     // wParam 0, lParam percent
constexpr uint32_t WM_KEST_STATUSTEXT = kWmUser + 9;   // wParam 0, lParam const char*
constexpr uint32_t WM_KEST_ROWUPDATE = kWmUser + 10;   // wParam RowUpdate*, lParam column

// Columns of the job list a RowUpdate can address.
constexpr int32_t kColumnStatus = 1;
constexpr int32_t kColumnSize = 2;
constexpr int32_t kColumnFiles = 3;
constexpr int32_t kColumnStrings = 4;

struct RowUpdate {
    int32_t row;
    int32_t setColour;  // non-zero: colour becomes the row's Status text colour
    uint32_t colour;    // COLORREF, 0x00BBGGRR
    std::string text;
};

// The end of one job that ran to its end ("Done" or an error text): what its writing
// stages could not do, and how many of its entries' files the selection took. Every
// count is 0 for a failed load.
struct JobOutcome {
    int32_t row;
    int32_t writeErrors;  // "Failed To write: " and "Permissions Required to write: " lines
    int32_t refused;      // "Unsafe path refused: " lines
    int32_t selected;     // entries' files written or attempted
};

// Not a window message: a MessageQueue carries a JobOutcome* in wParam under this number.
constexpr uint32_t kJobEndedReport = kWmUser + 11;

struct PostedMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    int32_t sender = 0;  // which worker posted it, where several share one queue
};

// Where the worker posts. Post must never wait for the receiver; it returns false when
// the message could not be delivered (the receiver is gone).
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // Called on the worker thread after the job's last message ("Idle.."). Must not
    // wait for the receiver. A window has no use for it.
    virtual void JobEnded(const JobOutcome&) {}
};

// The receiver's part of the ownership rule: frees what the message carries.
void ReleasePostedMessage(const PostedMessage& message);
