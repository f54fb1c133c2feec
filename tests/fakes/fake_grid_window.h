// The grid's window and the clipboard its pictures cross, as the grid tests see them.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "grid/station_grid.h"
#include "support/diagnostic_log.h"
#include "support/settings.h"

namespace bb::testing {

class FakeWindow final : public GridWindow {
  public:
    std::string caption;
    std::vector<int> popups;
    bool minimized = false;
    int placed[4] = {-1, -1, -1, -1};
    void SetCaption(const std::string& c) override { caption = c; }
    void OpenPopup(int menu) override { popups.push_back(menu); }
    bool Minimized() const override { return minimized; }
    int OuterLeft() const override { return 1500; }
    int OuterTop() const override { return 750; }
    int OuterWidth() const override { return 12000; }
    int OuterHeight() const override { return 8000; }
    void PlaceGrid(int l, int t, int w, int h) override {
        placed[0] = l, placed[1] = t, placed[2] = w, placed[3] = h;
    }
    int GridWidth() const override { return 11850; }
    int CellTop() const override { return 300; }
    int CellHeight() const override { return 240; }
    double TwipsPerPixelX() const override { return 15; }
    double TwipsPerPixelY() const override { return 15; }
    void SetCursorPos(int, int) override {}
};

class FakeClipboard final : public Clipboard {
  public:
    int reads = 0, kept = 0, putBack = 0;
    void Keep() override { ++kept; }
    void PutBack() override {
        ++putBack;
        EXPECT_EQ(putBack, kept);
    }
    std::optional<Picture> GetBitmap() override {
        EXPECT_EQ(kept, putBack + 1);  // read between keeping and putting back
        ++reads;
        return Picture{16, 16, std::vector<std::uint32_t>(256, 0xFF00FF00)};
    }
};

// The grid tests' settings: emergencies scanned, other colours from `ignoreDistance`, ages m:ss.
inline void StartGridSettings(double ignoreDistance) {
    Common::Initialize();
    Settings() = SettingValues{};
    Settings().EmergencyScan = true;
    Settings().EmergencyIgnoreOnDistance = true;
    Settings().EmergencyIgnoreDistance = ignoreDistance;
    Settings().FormatAgeMMSS = true;
}

}  // namespace bb::testing
