#include "live_display.h"

#include <cstdio>

namespace {

constexpr char kClearLine[] = "\r\033[K";
constexpr int kBarWidth = 24;

}  // namespace

void LiveDisplay::OnLogLine(const char* line)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (!shown_.empty())
        fputs(kClearLine, stderr);
    fprintf(stderr, "%s\n", line);
    if (!shown_.empty())
        fputs(shown_.c_str(), stderr);
    fflush(stderr);
}

void LiveDisplay::Show(const JobRow& row, int32_t percent, size_t number, size_t count)
{
    if (!live_)
        return;
    const int filled = percent * kBarWidth / 100;
    char bar[64];
    snprintf(bar, sizeof bar, "[%.*s%.*s] %3d%%", filled, "########################", kBarWidth - filled,
             "........................", percent);
    std::lock_guard<std::mutex> hold(lock_);
    shown_ = "[" + std::to_string(number) + "/" + std::to_string(count) + "] " + row.cells[0] + "  " + row.cells[1] +
             "  " + bar;
    fprintf(stderr, "%s%s", kClearLine, shown_.c_str());
    fflush(stderr);
}

void LiveDisplay::Finish()
{
    std::lock_guard<std::mutex> hold(lock_);
    if (!shown_.empty())
        fputs(kClearLine, stderr);
    shown_.clear();
    fflush(stderr);
}
