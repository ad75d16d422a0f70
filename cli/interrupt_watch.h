// Ctrl+C, SIGTERM and SIGHUP (on Windows also closing the console) while archives are
// extracted: the first asks the run to stop as closing the main window does, a second one
// ends the process at once. Either way the exit status is kInterruptedStatus.
//
// How it works: the signal handler (on Windows the console handler, which runs on a
// thread of its own) only counts: the first one sets a flag that the run polls, a second
// one calls _exit. Closing the console ends the process as soon as the handler returns,
// so the handler waits there, for a few seconds at most, until the run says it has
// printed what each job reached.
#pragma once

constexpr int kInterruptedStatus = 130;

class InterruptWatch {
public:
    InterruptWatch();   // starts watching
    ~InterruptWatch();  // the default handling again
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool Requested() const;
    // The run has stopped and reported: a waiting console-close handler may return.
    void RunEnded();
};
