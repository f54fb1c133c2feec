// A board on the fake host and system, records put straight into its table: the map, alarm and
// window tests start from it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "stations/board.h"
#include "stations/station_actions.h"
#include "support/caption_bar.h"
#include "support/settings.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"

namespace bb::testing {

struct FakeBoard {
    FakeSystem fs;
    FakeHost host;
    StationBoard board{host, host};
    SettingValues settings;

    FakeBoard() { Common::Initialize(); }

    // A live record of `callsign` at the end of the table; its index.
    std::int32_t AddRecord(const std::string& callsign) {
        StationTable& t = board.Table();
        const std::int32_t i = t.Append();
        t.SetCallsign(i, callsign);
        return i;
    }
    StationRecord& Record(std::int32_t index) { return board.Table().Edit(index); }

    // What the windows and notifications asked of the board.
    struct Actions final : StationActions {
        std::map<std::string, std::shared_ptr<const Picture>> pictures;
        std::vector<std::string> tuned, shown;
        std::vector<std::pair<std::string, std::string>> tunedRecords;  // callsign, QSY
        std::shared_ptr<const Picture> SymbolPicture(const std::string& symbol) override {
            const auto it = pictures.find(symbol);
            return it == pictures.end() ? nullptr : it->second;
        }
        void Tune(const std::string& callsign) override { tuned.push_back(callsign); }
        void TuneRecord(const StationRecord& r) override {
            tunedRecords.emplace_back(r.Callsign, r.QSY->Frequency);
        }
        void ShowStation(const std::string& callsign) override { shown.push_back(callsign); }
    } actions;

    struct Caption final : CaptionBar {
        std::string text;
        void SetCaption(const std::string& c) override { text = c; }
    } captionBar;
    // Records counted as emergencies by the grid's rebuild.
    std::int32_t emergencies = 0;
    // What a rebuild showing every live record ends with, and the rows it shows in emergency.
    void RebuildFinished() { board.GridBuilt(emergencies); }
    std::int32_t LiveEmergencies() const {
        std::int32_t n = 0;
        board.Table().ForEachLive(
            [&](std::int32_t, const StationRecord& r) { n += r.Emergency && !r.Callsign.empty(); });
        return n;
    }
};

}  // namespace bb::testing
