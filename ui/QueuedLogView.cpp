#include "QueuedLogView.h"

void QueuedLogView::AppendLogText(const std::string& text) {
    std::lock_guard<std::mutex> hold(mutex_);
    while (waiting_.size() >= kMaxWaiting) waiting_.pop_front();
    waiting_.push_back(text);
    if (!nudged_) nudged_ = ::PostMessageA(window_, nudgeMessage_, 0, 0) != FALSE;
}

std::string QueuedLogView::TakeWaitingText() {
    std::deque<std::string> taken;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        taken.swap(waiting_);
        nudged_ = false;
    }
    std::string text;
    for (const std::string& one : taken) text += one;
    return text;
}

void QueuedLogView::DropWaiting() {
    std::lock_guard<std::mutex> hold(mutex_);
    waiting_.clear();
}
