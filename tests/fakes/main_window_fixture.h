// The main window on the in-process fake host and a fake system: the main-window tests' fixture.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"

namespace bb::testing {

class FakeConnection final : public app::HostConnection {
  public:
    explicit FakeConnection(FakeHost& host) : host_(host) {}
    bool GetStation(HostStation& s) override { return host_.GetStation(s); }
    bool SymbolToClipboard(const std::string& t, const std::string& s, const std::string& o,
                           std::int16_t f) override {
        return host_.SymbolToClipboard(t, s, o, f);
    }
    std::optional<bool> SymbolPicture(const std::string& t, const std::string& s,
                                      const std::string& o, Picture& p) override {
        return host_.SymbolPicture(t, s, o, p);
    }
    HostMap& Map() override { return host_.Map(); }
    std::int16_t HostStationCount() override { return host_.HostStationCount(); }
    std::string HostStationLine(std::int16_t i) override { return host_.HostStationLine(i); }
    void SetNotify(bool on) override { host_.SetNotify(on); }
    void SetEvents(HostEvents* e, MapEvents* m, app::LinkEvents* l) override {
        events = e;
        mapEvents = m;
        linkEvents = l;
    }
    void Release() override {}
    HostEvents* events = nullptr;
    MapEvents* mapEvents = nullptr;
    app::LinkEvents* linkEvents = nullptr;

  private:
    FakeHost& host_;
};

// A sound output that is always there, whatever this machine has.
struct Speaker final : SoundPlayer {
    int plays = 0;
    void PlayAsync(const std::filesystem::path&) override { ++plays; }
};

class MainWindow : public ::testing::Test {
  protected:
    FakeSystem fs;
    Speaker speaker;
    FakeHost host;
    FakeConnection* connection = nullptr;

    void SetUp() override {
        fs.clock.Set(2026, 12, 6, 12, 0, 0);
        Settings() = SettingValues{};
        std::filesystem::copy(BB_SOURCE_DATA "/language", fs.folder.path() / "language");
    }
    app::Form1::HostFactory Factory() {
        return [this]() -> std::unique_ptr<app::HostConnection> {
            auto c = std::make_unique<FakeConnection>(host);
            connection = c.get();
            return c;
        };
    }
    void Station(const std::string& cs, int agoSeconds, const std::string& text = "!x") {
        HostStation& s = host.Know(cs);
        s.BeaconText = text;
        s.CommentStart = 2;
        s.Symbol = "/-";
        s.Speed = -99999;
        s.Course = -32768;
        s.ReportDate = DateSerial(2026, 12, 6, 12, 0, 0) - agoSeconds / 86400.0;
        host.lines.push_back(" " + cs + " line");
    }
    std::string Ini() const { return testing::ReadFile(fs.folder.path() / "Beaconboard.INI"); }
};

}  // namespace bb::testing
