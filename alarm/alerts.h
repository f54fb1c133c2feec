// Alerts for the stations the user cares about, as desktop notifications:
// a watched station heard (first since start, or again after a silence),
// any station first heard near home, and a watched station gone quiet.
// Each beacon costs a match against the watch list and, for a watched
// station, one step in the ordered list of quiet times; the quiet check
// runs from the scheduler when the next of those times falls due.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "alarm/desktop_notifier.h"
#include "stations/board.h"
#include "stations/station_actions.h"
#include "support/scheduler.h"
#include "support/settings.h"
#include "support/watch_list.h"

namespace bb {

class StationAlerts {
  public:
    // Without QuietMinutes, a watched station heard again after an hour's
    // silence is told again.
    static constexpr std::int64_t kDefaultSilenceMs = 60LL * 60 * 1000;

    // `scheduler` is the clock of silences and the runner of quiet checks;
    // without one nothing goes quiet.
    // The notifications' buttons ask `actions` to show or tune the station.
    StationAlerts(StationBoard& board, const SettingValues& settings, StationActions& actions,
                  Scheduler* scheduler = nullptr);
    ~StationAlerts();
    StationAlerts(const StationAlerts&) = delete;
    StationAlerts& operator=(const StationAlerts&) = delete;

    void SetNotifier(DesktopNotifier* notifier);
    // The watch list, distance or minutes have changed.
    void SettingsChanged();
    // A beacon of `callsign` has been taken in.
    void StationHeard(const std::string& callsign);

    const WatchList& Watched() const { return watch_; }

    static DesktopNote HeardNote(const StationRecord& r);
    static DesktopNote QuietNote(const std::string& callsign, int minutes, const StationRecord* r);

  private:
    struct Watch {
        std::int64_t lastMs = 0;
        std::int64_t dueMs = -1;  // when it is quiet; -1: not checked
    };
    std::int64_t Now() const { return scheduler_ ? scheduler_->NowMs() : 0; }
    void SetDue(const std::string& callsign, Watch& w);
    void Arm();
    void QuietCheck(std::int64_t dueMs);
    void Raise(const std::string& callsign, const DesktopNote& note);
    void NoteEvent(const std::string& callsign, const std::string& action);

    StationBoard& board_;
    const SettingValues& settings_;
    StationActions& actions_;
    Scheduler* scheduler_ = nullptr;
    DesktopNotifier* notifier_ = nullptr;
    WatchList watch_;
    std::string watchText_;
    std::unordered_map<std::string, Watch> watched_;
    // Watched stations by the time they go quiet.
    std::set<std::pair<std::int64_t, std::string>> dues_;
    // The time of the earliest quiet check waiting on the scheduler.
    std::int64_t armedMs_ = -1;
    // Stations already told as near home.
    std::unordered_set<std::string> near_;
    // Goes with this object: a waiting check finds it gone.
    std::shared_ptr<StationAlerts*> self_;
};

}  // namespace bb
