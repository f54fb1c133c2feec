#include "stations/board.h"

#include <unordered_set>

#include "stations/record_fill.h"
#include "support/clock.h"
#include "support/error_trap.h"
#include "support/vbtypes.h"

namespace bb {

void StationBoard::add_beacon(const std::string& strCallsign, float, float) {
    Trap("Form1.add_beacon", [&] {
        TZone zone;
        zone.init();
        table_.CompactIfWorthIt();
        const std::vector<std::int32_t> superseded = table_.Supersede(strCallsign);
        mUivStation.Callsign = strCallsign;
        bool known = false;
        try {
            known = host_.GetStation(mUivStation);
        } catch (...) {
            // The host did not answer (gone or hung): the board keeps what it
            // had rather than lose the station to a failed question.
            table_.Restore(superseded);
            throw;
        }
        if (!known) return;
        // A nested intake during the pause asks the host through the same
        // query object; the fill works from this intake's own answer.
        const HostStation station = std::move(mUivStation);
        // A report stamped before the one on the board (delayed on its way,
        // or a replay looping) is old news: the newer record stays.
        const std::int32_t held = superseded.empty() ? -1 : superseded.back();
        if (station.ReportDate != 0 && held >= 0 && held <= table_.UpperBound() &&
            table_[held].Callsign == strCallsign &&
            CLng(Val(zone.DateToUnix(station.ReportDate))) < table_[held].HeardTime) {
            table_.Restore(superseded);
            return;
        }
        std::int32_t index = 0;
        try {
            index = table_.Append();
        } catch (...) {
            table_.Restore(superseded);  // the station stays on the board
            throw;
        }
        StationTable::PendingFill pending(table_, strCallsign, held);
        pump_.LetPendingMessagesRun();

        table_.SetCallsign(index, strCallsign);
        table_.SetDeleted(index, false);
        // The station beaconed again during the pause: the newer record stays
        // its one live record. Or the host deleted it meanwhile: the delete
        // came last.
        if (table_.HasNewerLive(strCallsign, index) || pending.DeletedMeanwhile())
            table_.SetDeleted(index, true);
        FillRecordFields(table_.Edit(index), station, zone);
    });
}

void StationBoard::remove_beacon(const std::string& strCallsign) {
    Trap("Form1.remove_beacon", [&] { table_.MarkDeleted(strCallsign); });
}

void StationBoard::scan_stations() {
    Trap("Form1.scan_stations", [&] {
        TZone zone;
        zone.init();
        emergencyCount_ = 0;
        if (!hostReady_) return;
        table_.Reset();
        std::unordered_set<std::string> scanned;  // the stations this scan has added
        // Takes one line of the host's list, with what a batch told of its
        // station; false when the line ends the scan.
        const auto take = [&](const std::string& line, const HostListing* listed) {
            if (line.empty()) return false;
            std::string callsign;
            if (!CallsignFromHostLine(line, callsign)) {
                // One line the host wrote oddly costs one station, not the scan.
                LogError(err::kInvalidCall, "Form1.scan_stations");
                return true;
            }
            // A beacon heard during the scan has made this station's record
            // already, as fresh as the host's line: another would show the
            // station twice. A host that lists a station twice still gets two.
            if (!scanned.count(callsign) && table_.find_station(callsign) >= 0) return true;
            const HostStation* station = &mUivStation;
            if (listed && listed->callsign == callsign) {
                if (!listed->known) return true;
                station = &listed->station;
            } else {
                // Read a station at a time, or a line whose callsign the host
                // knows by another name: the station is asked for by the line's.
                mUivStation.Callsign = callsign;
                if (!host_.GetStation(mUivStation)) return true;
            }
            scanned.insert(callsign);
            const std::int32_t index = table_.Append();
            table_.SetCallsign(index, callsign);
            FillRecordFields(table_.Edit(index), *station, zone);
            if (table_[index].Emergency) emergencyCount_ = CheckedAdd(emergencyCount_, 1);
            return true;
        };
        if (host_.ListsInBatches()) {
            // Pending messages run between batches rather than between stations.
            for (std::int32_t first = 0;;) {
                pump_.LetPendingMessagesRun();
                const std::vector<HostListing> batch = host_.HostStations(first, kScanBatch);
                bool more = !batch.empty();
                for (const HostListing& listed : batch) {
                    if (!take(listed.line, &listed)) {
                        more = false;
                        break;
                    }
                }
                if (!more) break;
                first += static_cast<std::int32_t>(batch.size());
            }
        } else {
            const std::int16_t n = host_.HostStationCount();
            for (std::int16_t i = 0; i < n; ++i) {
                pump_.LetPendingMessagesRun();
                if (!take(host_.HostStationLine(i), nullptr)) break;
            }
        }
        if (listener_) listener_->StationsScanned();
    });
}

void StationBoard::AfterEvent(const std::string& callsign) {
    if (listener_) listener_->StationsChanged(callsign);
}

void StationBoard::mUIV_NotifyBeacon(const std::string& strCallsign, float sngLat, float sngLong) {
    Trap("Form1.mUIV_NotifyBeacon", [&] {
        add_beacon(strCallsign, sngLat, sngLong);
        AfterEvent(strCallsign);
    });
}

void StationBoard::mUIV_NotifyBeaconData(const HostStation& cStn) {
    Trap("Form1.mUIV_NotifyBeaconData", [&] {
        const std::string callsign = cStn.Callsign;
        add_beacon(callsign, cStn.Latitude, cStn.Longitude);
        AfterEvent(callsign);
    });
}

void StationBoard::mUIV_NotifyDelete(const std::string& strCallsign) {
    Trap("Form1.mUIV_NotifyDelete", [&] {
        remove_beacon(strCallsign);
        AfterEvent(strCallsign);
    });
}

void StationBoard::mUIV_UIView32IsClosing() {
    Trap("Form1.mUIV_UIView32IsClosing", [&] {
        if (listener_) listener_->HostClosing();
    });
}

}  // namespace bb
