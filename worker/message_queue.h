// A message target of our own where there is no window (the command line, tests): a
// thread-safe first-in, first-out queue that the worker posts to and one consumer drains
// on its own thread, in the order the messages were posted.
//
// How it works: one mutex guards the queue and the closed flag; Post appends and signals,
// Pop waits on the condition until a message arrives or the queue is closed. Post never
// waits for the consumer. A job's end is queued as one more message, kJobEndedReport,
// right behind that job's own messages. Messages still queued when the queue is
// destroyed are released as their receiver would have released them.
#pragma once

#include "worker_messages.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

class MessageQueue : public MessageTarget {
public:
    MessageQueue() = default;
    ~MessageQueue() override;
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // Fails once the queue is closed.
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void JobEnded(const JobOutcome& outcome) override;
    // As Post and JobEnded, with the sender's number in the message.
    bool PostFrom(int32_t sender, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void JobEndedFrom(int32_t sender, const JobOutcome& outcome);

    // Blocks until a message is there; false only when the queue is closed and empty.
    bool Pop(PostedMessage& message);
    // As Pop, but gives up after the time-out.
    bool PopFor(PostedMessage& message, std::chrono::milliseconds timeout);
    bool TryPop(PostedMessage& message);

    // Later posts fail; messages already queued can still be popped.
    void Close();

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<PostedMessage> messages_;
    bool closed_ = false;
};

// One of several workers that share a queue: what it posts carries its number, so the
// consumer can tell whose progress a message reports.
class QueueSender : public MessageTarget {
public:
    QueueSender(MessageQueue& queue, int32_t sender) : queue_(queue), sender_(sender) {}
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        return queue_.PostFrom(sender_, message, wParam, lParam);
    }
    void JobEnded(const JobOutcome& outcome) override { queue_.JobEndedFrom(sender_, outcome); }

private:
    MessageQueue& queue_;
    const int32_t sender_;
};
