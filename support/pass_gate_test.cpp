#include "support/pass_gate.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/fakes/fake_scheduler.h"

namespace bb {
namespace {

// A pass that records when it started and can ask for another from inside,
// as an event in one of its pauses would.
struct Recorder {
    testing::FakeScheduler scheduler;
    std::vector<std::int64_t> starts;
    int depth = 0, deepest = 0;
    std::function<void()> during;
    PassGate gate;

    explicit Recorder(PassGate::Spacing spacing)
        : gate(
              100, [this] { Pass(); }, spacing) {
        gate.SetScheduler(&scheduler);
    }
    void Pass() {
        starts.push_back(scheduler.NowMsValue());
        ++depth;
        deepest = std::max(deepest, depth);
        if (during) during();
        --depth;
    }
};

TEST(PassGate, EveryPassKeepsTheGapAndRunsTheFirstAfterAQuietSpellAtOnce) {
    Recorder r(PassGate::Spacing::EveryPass);
    r.gate.Request();
    ASSERT_EQ(r.starts.size(), 1u) << "the first request runs at once";
    // A burst: nine requests 10 ms apart become one more pass, a gap later.
    for (int i = 0; i < 9; ++i) {
        r.scheduler.Advance(10);
        r.gate.Request();
    }
    r.scheduler.Advance(200);
    ASSERT_EQ(r.starts.size(), 2u);
    EXPECT_EQ(r.starts[1] - r.starts[0], 100);
    // After a quiet spell the next one runs at once again.
    r.scheduler.Advance(1000);
    const std::int64_t at = r.scheduler.NowMsValue();
    r.gate.Request();
    ASSERT_EQ(r.starts.size(), 3u);
    EXPECT_EQ(r.starts[2], at);
}

TEST(PassGate, AfterOverlapDefersOnlyWhatWasAskedDuringAPass) {
    Recorder r(PassGate::Spacing::AfterOverlap);
    r.gate.Request();
    r.gate.Request();  // between passes, right after one: at once
    ASSERT_EQ(r.starts.size(), 2u);
    // Asked during a pass: never inside it, and a gap after it.
    r.during = [&] {
        r.during = nullptr;
        r.gate.Request();
        r.gate.Request();
    };
    r.gate.Request();
    ASSERT_EQ(r.starts.size(), 3u);
    EXPECT_TRUE(r.gate.Waiting());
    r.gate.Request();  // the waiting pass covers this one
    r.scheduler.Advance(99);
    EXPECT_EQ(r.starts.size(), 3u);
    r.scheduler.Advance(1);
    ASSERT_EQ(r.starts.size(), 4u);
    EXPECT_FALSE(r.gate.Waiting());
    EXPECT_EQ(r.deepest, 1) << "a pass ran inside another";
}

TEST(PassGate, WithoutASchedulerWhatWasAskedDuringAPassFollowsIt) {
    int passes = 0, depth = 0, deepest = 0;
    PassGate* self = nullptr;
    PassGate gate(100, [&] {
        ++passes;
        ++depth;
        deepest = std::max(deepest, depth);
        if (passes < 3) self->Request();  // asked again from inside, twice
        --depth;
    });
    self = &gate;
    gate.Request();
    EXPECT_EQ(passes, 3);
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(gate.Busy());
}

TEST(PassGate, WorkRunUnderTheGateHoldsRequestsBackUntilItEnds) {
    Recorder r(PassGate::Spacing::AfterOverlap);
    bool passDuringWork = false;
    r.gate.RunExclusive([&] {
        r.gate.Request();
        passDuringWork = !r.starts.empty();
        EXPECT_TRUE(r.gate.Busy());
    });
    EXPECT_FALSE(passDuringWork);
    EXPECT_TRUE(r.starts.empty());
    r.scheduler.Advance(100);
    EXPECT_EQ(r.starts.size(), 1u);
    // Nothing runs inside a pass, not even other work.
    bool nested = false;
    r.during = [&] { r.gate.RunExclusive([&] { nested = true; }); };
    r.gate.Request();
    EXPECT_FALSE(nested);
}

TEST(PassGate, APassThatFailsLeavesTheGateOpen) {
    testing::FakeScheduler scheduler;
    bool fail = true;
    int passes = 0;
    PassGate gate(100, [&] {
        ++passes;
        if (fail) throw std::runtime_error("pass failed");
    });
    gate.SetScheduler(&scheduler);
    EXPECT_THROW(gate.Request(), std::runtime_error);
    EXPECT_FALSE(gate.Busy());
    fail = false;
    scheduler.Advance(100);
    gate.Request();
    EXPECT_EQ(passes, 2);
}

}  // namespace
}  // namespace bb
