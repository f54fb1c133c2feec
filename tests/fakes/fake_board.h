// A station board on the fake host and system, with its own settings, and
// records put straight into its table: what the map, alarm and window tests
// start from.
#pragma once

#include <string>

#include "stations/board.h"
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
};

}  // namespace bb::testing
