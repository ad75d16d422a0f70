#include "message_queue.h"

MessageQueue::~MessageQueue()
{
    for (const PostedMessage& message : messages_)
        ReleasePostedMessage(message);
}

bool MessageQueue::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return PostFrom(0, message, wParam, lParam);
}

void MessageQueue::JobEnded(const JobOutcome& outcome)
{
    JobEndedFrom(0, outcome);
}

bool MessageQueue::PostFrom(int32_t sender, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (closed_)
            return false;
        messages_.push_back(PostedMessage{message, wParam, lParam, sender});
    }
    arrived_.notify_one();
    return true;
}

void MessageQueue::JobEndedFrom(int32_t sender, const JobOutcome& outcome)
{
    JobOutcome* copy = new JobOutcome(outcome);
    if (!PostFrom(sender, kJobEndedReport, reinterpret_cast<uintptr_t>(copy), 0))
        delete copy;
}

bool MessageQueue::Pop(PostedMessage& message)
{
    std::unique_lock<std::mutex> hold(lock_);
    arrived_.wait(hold, [this] { return !messages_.empty() || closed_; });
    if (messages_.empty())
        return false;
    message = messages_.front();
    messages_.pop_front();
    return true;
}

bool MessageQueue::PopFor(PostedMessage& message, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> hold(lock_);
    if (!arrived_.wait_for(hold, timeout, [this] { return !messages_.empty() || closed_; }) || messages_.empty())
        return false;
    message = messages_.front();
    messages_.pop_front();
    return true;
}

bool MessageQueue::TryPop(PostedMessage& message)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (messages_.empty())
        return false;
    message = messages_.front();
    messages_.pop_front();
    return true;
}

void MessageQueue::Close()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        closed_ = true;
    }
    arrived_.notify_all();
}
