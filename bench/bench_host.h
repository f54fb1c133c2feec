// A host for the benchmarks that knows every station and answers each query
// with the same realistic beacon, so that the figures are the board's own
// and not a lookup in the stand-in.
#pragma once

#include <string>
#include <vector>

#include "stations/host.h"
#include "support/message_pump.h"
#include "tests/fakes/fake_host.h"

namespace bb {

inline std::string Callsign(int n) {
    std::string callsign = "ST";
    callsign.append(std::to_string(n)).append("-").append(std::to_string(n % 16));
    return callsign;
}

class BenchHost final : public HostMain, public MessagePump {
  public:
    explicit BenchHost(int stations) {
        beacon_.Symbol = "/>";
        beacon_.BeaconText = "!5230.00N/00453.20E>PHG5132 Mobile 145.625MHz T088 via digi";
        beacon_.CommentStart = 21;
        beacon_.Latitude = 3150.0f;
        beacon_.Longitude = 293.2f;
        beacon_.ReportDate = DateSerial(2026, 12, 6, 12, 0, 0);
        for (int n = 0; n < stations; ++n) {
            std::string line = "X";
            lines_.push_back(line.append(Callsign(n)).append(" 5230.00N"));
        }
    }
    bool GetStation(HostStation& station) override {
        std::string callsign = std::move(station.Callsign);
        station = beacon_;
        station.Callsign = std::move(callsign);
        if (spreadHeard) station.ReportDate += static_cast<double>(heard_++) / 86400.0;
        return true;
    }
    // Each station heard a second after the one before, as on the air,
    // rather than all at once: their ages differ.
    bool spreadHeard = false;
    bool SymbolToClipboard(const std::string&, const std::string&, const std::string&,
                           std::int16_t) override {
        return false;
    }
    HostMap& Map() override { return map_; }
    std::int16_t HostStationCount() override { return static_cast<std::int16_t>(lines_.size()); }
    std::string HostStationLine(std::int16_t i) override {
        return lines_[static_cast<std::size_t>(i)];
    }
    void SetNotify(bool) override {}
    void LetPendingMessagesRun() override {}

  private:
    HostStation beacon_;
    std::vector<std::string> lines_;
    int heard_ = 0;
    testing::FakeMap map_;
};

}  // namespace bb
