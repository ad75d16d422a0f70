// QueuedLogView: the program log's view of a window on the user-interface thread. The
// log hands it each new line from whichever thread logged, with the log lock held;
// it keeps a copy and nudges the window with a posted message, and the window takes
// the waiting lines when the nudge arrives.
//
// How it works: the waiting lines sit in a queue under a mutex of their own, held
// only to add or take lines, so the logging thread never waits for the user-interface
// thread. A nudge is posted only when the queue turns non-empty, so a burst of lines
// costs one message. The nudge carries nothing: the lines belong to this object and
// are freed with it, whether or not the window ever took them, and a nudge that
// reaches a window already gone is simply dropped by the system. A failed post leaves
// the lines waiting; the next line posts again.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <string>

#include "program_log.h"

class QueuedLogView : public LogView {
public:
    // At most this many lines wait; older ones are dropped, as the window keeps no
    // more than that either.
    static constexpr size_t kMaxWaiting = kLogHistoryLines;

    QueuedLogView(HWND window, UINT nudgeMessage) : window_(window), nudgeMessage_(nudgeMessage) {}

    // The log's side: any thread, log lock held.
    void AppendLogText(const std::string& text) override;

    // The window's side: every waiting text, oldest first, joined into one.
    std::string TakeWaitingText();
    // Forgets the waiting lines (the log was cleared).
    void DropWaiting();

private:
    const HWND window_;
    const UINT nudgeMessage_;
    std::mutex mutex_;
    std::deque<std::string> waiting_;
    bool nudged_ = false;
};
