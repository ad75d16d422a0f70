#include "interrupt_watch.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Written by a signal handler or by the console handler's own thread, read by the run:
// an atomic that needs no lock is safe for both.
std::atomic<int> gInterrupts{0};
static_assert(std::atomic<int>::is_always_lock_free, "signal handlers may only touch lock-free atomics");

void CountInterrupt()
{
    if (gInterrupts.fetch_add(1) > 0)
        _exit(kInterruptedStatus);
}

#ifdef _WIN32
// Windows gives a closing console five seconds before it ends the process.
constexpr DWORD kCloseGraceMs = 4500;
HANDLE gRunEnded = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    CountInterrupt();
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(gRunEnded, kCloseGraceMs);
    return TRUE;
}
#else
// A hang-up (the terminal closed, a remote session dropped) is a request to stop too:
// left to its default it would end the program in the middle of a file.
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = int(sizeof kSignals / sizeof kSignals[0]);
struct sigaction gPrevious[kSignalCount];

void OnSignal(int)
{
    CountInterrupt();
}
#endif

}  // namespace

InterruptWatch::InterruptWatch()
{
    gInterrupts = 0;
#ifdef _WIN32
    if (!gRunEnded)
        gRunEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(gRunEnded);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls: a worker's write in progress is never cut short by the signal.
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &action, &gPrevious[i]);
#endif
}

InterruptWatch::~InterruptWatch()
{
#ifdef _WIN32
    RunEnded();
    // A handler still waiting has been released; it returns on its own.
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
#else
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &gPrevious[i], nullptr);
#endif
}

bool InterruptWatch::Requested() const
{
    return gInterrupts > 0;
}

void InterruptWatch::RunEnded()
{
#ifdef _WIN32
    if (gRunEnded)
        SetEvent(gRunEnded);
#endif
}
