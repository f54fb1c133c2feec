// The intake as first written: no index, every lookup a scan from index 0
// over deleted records too, the supersede step repeating the lookup until it
// fails, one record appended per beacon and never dropped. Kept as the
// baseline the indexed table is measured and checked against; it follows
// the indexed intake's rules for pauses and failures, so both must show the
// same live stations in the same order.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "stations/host.h"
#include "stations/record_fill.h"
#include "stations/station_record.h"
#include "support/clock.h"
#include "support/error_trap.h"
#include "support/message_pump.h"
#include "support/vbtypes.h"

namespace bb::bench {

class LiteralTable {
  public:
    std::vector<StationRecord> records{StationRecord{}};
    std::int32_t count = 0;

    std::int32_t find_station(const std::string& callsign) const {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (records[i].Callsign == callsign && !records[i].Deleted)
                return static_cast<std::int32_t>(i);
        }
        return -1;
    }

    // The beacons waiting in their pauses, each true once its station is deleted.
    std::vector<std::pair<std::string, bool>> waiting;

    void remove_beacon(const std::string& callsign) {
        for (StationRecord& r : records) {
            if (r.Callsign == callsign) r.Deleted = true;
        }
        for (auto& w : waiting)
            if (w.first == callsign) w.second = true;
    }

    void add_beacon(const std::string& callsign, HostMain& host, MessagePump& pump,
                    HostStation& query) {
        Trap("Form1.add_beacon", [&] {
            TZone zone;
            zone.init();
            std::vector<std::int32_t> superseded;
            for (std::int32_t i = find_station(callsign); i != -1; i = find_station(callsign)) {
                records[static_cast<std::size_t>(i)].Deleted = true;
                superseded.push_back(i);
            }
            query.Callsign = callsign;
            bool known = false;
            try {
                known = host.GetStation(query);
            } catch (...) {
                for (std::int32_t i : superseded)
                    records[static_cast<std::size_t>(i)].Deleted = false;
                throw;
            }
            if (!known) return;
            const HostStation station = query;
            const std::int32_t newCount = CheckedAdd<std::int32_t>(count, 1);
            records.resize(static_cast<std::size_t>(newCount));
            count = newCount;
            const std::size_t index = static_cast<std::size_t>(count - 1);
            records[index] = StationRecord{};
            waiting.emplace_back(callsign, false);
            const std::size_t waits = waiting.size() - 1;
            pump.LetPendingMessagesRun();
            const bool deletedMeanwhile = waiting[waits].second;
            waiting.pop_back();
            StationRecord& r = records[index];
            r.Callsign = callsign;
            r.Deleted = deletedMeanwhile;
            for (std::size_t j = index + 1; j < records.size(); ++j) {
                if (records[j].Callsign == callsign && !records[j].Deleted) r.Deleted = true;
            }
            FillRecordFields(records[index], station, zone);
        });
    }
};

}  // namespace bb::bench
