#include "support/pass_gate.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/fakes/fake_scheduler.h"

namespace bb {
namespace {

// A pass that records its start and may ask for another from inside, as an event in a pause would.
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
        deepest = std::max(deepest, ++depth);
        if (during) during();
        --depth;
    }
};

TEST(PassGate, EveryPassKeepsTheGapAndRunsTheFirstAfterAQuietSpellAtOnce) {
    Recorder r(PassGate::Spacing::EveryPass);
    const std::int64_t t0 = r.scheduler.NowMsValue();
    r.gate.Request();  // at once
    // A burst: nine requests 10 ms apart become one more pass, a gap later.
    for (int i = 0; i < 9; ++i) {
        r.scheduler.Advance(10);
        r.gate.Request();
    }
    r.scheduler.Advance(1200);
    r.gate.Request();  // after a quiet spell: at once again
    for (auto& at : r.starts)
        at -= t0;
    EXPECT_EQ(r.starts, (std::vector<std::int64_t>{0, 100, 1290}));
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
    EXPECT_TRUE(r.gate.Waiting());
    r.gate.Request();  // the waiting pass covers this one
    r.scheduler.Advance(99);
    EXPECT_EQ(r.starts.size(), 3u);
    r.scheduler.Advance(1);
    EXPECT_EQ(r.starts.size(), 4u);
    EXPECT_FALSE(r.gate.Waiting());
    EXPECT_EQ(r.deepest, 1) << "a pass ran inside another";
}

TEST(PassGate, WithoutASchedulerWhatWasAskedDuringAPassFollowsIt) {
    int passes = 0, depth = 0, deepest = 0;
    PassGate* self = nullptr;
    PassGate gate(100, [&] {
        deepest = std::max(deepest, ++depth);
        if (++passes < 3) self->Request();  // asked again from inside, twice
        --depth;
    });
    self = &gate;
    gate.Request();
    EXPECT_EQ(std::tuple(passes, deepest, gate.Busy()), std::tuple(3, 1, false));
}

TEST(PassGate, WorkRunUnderTheGateHoldsRequestsBackUntilItEnds) {
    Recorder r(PassGate::Spacing::AfterOverlap);
    r.gate.RunExclusive([&] {
        r.gate.Request();
        EXPECT_TRUE(r.gate.Busy());
    });
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
    Recorder r(PassGate::Spacing::AfterOverlap);
    r.during = [] { throw std::runtime_error("pass failed"); };
    EXPECT_THROW(r.gate.Request(), std::runtime_error);
    EXPECT_FALSE(r.gate.Busy());
    r.during = nullptr;
    r.scheduler.Advance(100);
    r.gate.Request();
    EXPECT_EQ(r.starts.size(), 2u);
}

}  // namespace
}  // namespace bb
