// The message target the command line drains in place of the main window.
#include "message_queue.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

TEST(MessageQueue, DeliversAcrossThreadsInPostingOrder)
{
    MessageQueue queue;
    constexpr int kCount = 2000;
    std::thread producer([&queue] {
        for (int i = 0; i < kCount; ++i)
            ASSERT_TRUE(queue.Post(WM_KEST_PROGRESS, 0, i));
    });
    for (int i = 0; i < kCount; ++i) {
        PostedMessage message{};
        ASSERT_TRUE(queue.PopFor(message, 10s));
        EXPECT_EQ(message.message, WM_KEST_PROGRESS);
        EXPECT_EQ(message.lParam, i);
    }
    producer.join();
    PostedMessage extra{};
    EXPECT_FALSE(queue.TryPop(extra));
}

TEST(MessageQueue, PopWaitsUntilAMessageIsPosted)
{
    MessageQueue queue;
    PostedMessage message{};
    EXPECT_FALSE(queue.PopFor(message, 20ms));
    std::thread consumer([&queue] {
        PostedMessage got{};
        ASSERT_TRUE(queue.Pop(got));
        EXPECT_EQ(got.message, WM_KEST_STATUSTEXT);
        EXPECT_STREQ(reinterpret_cast<const char*>(got.lParam), "Idle..");
    });
    queue.Post(WM_KEST_STATUSTEXT, 0, reinterpret_cast<intptr_t>("Idle.."));
    consumer.join();
}

TEST(MessageQueue, ClosedQueueRefusesPostsButDrainsWhatItHolds)
{
    MessageQueue queue;
    RowUpdate* update = new RowUpdate{3, 1, 0x00FF00, "Done"};
    ASSERT_TRUE(queue.Post(WM_KEST_ROWUPDATE, reinterpret_cast<uintptr_t>(update), 1));
    std::thread waiter([&queue] {
        PostedMessage first{};
        ASSERT_TRUE(queue.Pop(first));
        EXPECT_EQ(reinterpret_cast<RowUpdate*>(first.wParam)->text, "Done");
        ReleasePostedMessage(first);
        PostedMessage none{};
        EXPECT_FALSE(queue.Pop(none));  // woken by Close, not left blocked
    });
    queue.Close();
    EXPECT_FALSE(queue.Post(WM_KEST_PROGRESS, 0, 5));
    waiter.join();
}

