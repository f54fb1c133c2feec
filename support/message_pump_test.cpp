#include "support/message_pump.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_scheduler.h"

namespace bb {
namespace {

struct CountingPump final : MessagePump {
    int runs = 0;
    void LetPendingMessagesRun() override { ++runs; }
};

// However often a pass asks, messages run once a slice: at the first ask
// and at the first one after the slice ends.
TEST(TimeSlicedPump, MessagesRunOnceASlice) {
    testing::FakeScheduler clock;
    clock.Advance(1000);
    CountingPump inner;
    TimeSlicedPump pump(inner, clock, 10000);
    const auto ask = [&](int times) {
        for (int i = 0; i < times; ++i)
            pump.LetPendingMessagesRun();
    };
    ask(1);
    EXPECT_EQ(inner.runs, 1);
    clock.Advance(9);
    ask(1000);
    EXPECT_EQ(inner.runs, 1);
    clock.Advance(1);
    ask(1000);
    EXPECT_EQ(inner.runs, 2);
}

}  // namespace
}  // namespace bb
