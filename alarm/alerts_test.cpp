// The alerts on a fake clock: who is told, once, and when a silence counts;
// the notification's buttons reach the board through a shared notifier.
#include "alarm/alerts.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_board.h"
#include "tests/fakes/fake_scheduler.h"

namespace bb {
namespace {

struct Desktop final : DesktopNotifier {
    std::vector<std::pair<std::string, DesktopNote>> shown;
    void Show(const std::string& tag, const DesktopNote& note) override {
        shown.emplace_back(tag, note);
    }
    void Close(const std::string&) override {}
    void SetHandler(Handler) override {}
};

class AlertsTest : public ::testing::Test, protected testing::FakeBoard {
  protected:
    testing::FakeScheduler clock;
    Desktop desktop;
    NotifierRouter router{desktop};
    std::unique_ptr<StationAlerts> alerts;
    void SetUp() override {
        settings.AlertWatch = "PA3*,*-9";
        settings.AlertNearKm = 10;
        settings.AlertQuietMinutes = 30;
        settings.EmergencyNotify = true;
        alerts = std::make_unique<StationAlerts>(board, settings, actions, &clock);
        alerts->SetNotifier(&router.For("alert:"));
    }
    // A beacon of `call` at `km` from home, taken in.
    void Hear(const std::string& call, double km) {
        board.Table().Supersede(call);
        StationRecord& r = Record(AddRecord(call));
        r.Distance = km;
        r.Latitude = 3120;
        r.Longitude = 270;
        r.HasQSY = call == "PA3XYZ";
        alerts->StationHeard(call);
    }
};

TEST_F(AlertsTest, EachStationIsToldOnceUntilItGoesQuiet) {
    struct Step {
        int atMinute;
        const char* call;  // none: the clock only moves on
        double km;
        std::vector<std::string> told;
    };
    const Step steps[] = {
        {0, "PA3XYZ", 50, {"PA3XYZ heard"}},
        {1, "PA3XYZ", 50, {}},
        {1, "G4ABC-9", 200, {"G4ABC-9 heard"}},
        {2, "G4NOP", 200, {}},  // neither watched nor near
        {2, "G4NEAR", 9.5, {"G4NEAR heard"}},
        {3, "G4NEAR", 2, {}},  // near only the first time
        {29, "G4ABC-9", 200, {}},
        {31, nullptr, 0, {"PA3XYZ not heard for 30 min"}},
        {40, "PA3XYZ", 50, {"PA3XYZ heard"}},  // heard again after its silence
        {59, nullptr, 0, {"G4ABC-9 not heard for 30 min"}},
        {70, nullptr, 0, {"PA3XYZ not heard for 30 min"}},
        {500, nullptr, 0, {}},  // a silence is told once
    };
    for (const Step& s : steps) {
        const std::size_t before = desktop.shown.size();
        clock.Advance(s.atMinute * 60'000LL - (clock.NowMsValue() - 10'000));
        if (s.call) Hear(s.call, s.km);
        std::vector<std::string> told;
        for (std::size_t i = before; i < desktop.shown.size(); ++i) {
            const auto& [tag, note] = desktop.shown[i];
            EXPECT_EQ("alert:" + note.summary.substr(0, note.summary.find(' ')), tag);
            told.push_back(note.summary);
        }
        EXPECT_EQ(told, s.told) << "minute " << s.atMinute;
    }
    const DesktopNote& quiet = desktop.shown.back().second;
    EXPECT_TRUE(quiet.body.starts_with("Last heard at ")) << quiet.body;
    EXPECT_NE(quiet.body.find("50.0 km"), std::string::npos) << quiet.body;
    EXPECT_EQ(quiet.actions.size(), 2u);  // Show and Tune: it announced a frequency

    // The emergency switch silences alerts.
    settings.EmergencyNotify = false;
    const std::size_t before = desktop.shown.size();
    Hear("PA3NEW", 1);
    EXPECT_EQ(desktop.shown.size(), before);
}

}  // namespace
}  // namespace bb
