#include "alarm/alerts.h"

#include <ctime>
#include <memory>

#include "support/error_trap.h"
#include "support/number_format.h"

namespace bb {
namespace {

std::string WhereOf(const StationRecord& r) {
    std::string text =
        FixedDecimals(r.Distance, 1, DecimalSeparator()) + " km, " + Whole(r.Bearing) + "\u00B0";
    if (const std::string latitude = r.LatitudeText(); !latitude.empty())
        text += ", " + latitude + " " + r.LongitudeText();
    return text;
}

void AddButtons(DesktopNote& note, const StationRecord* r) {
    note.actions.emplace_back("show", "Show");
    if (r && r->HasQSY) note.actions.emplace_back("tune", "Tune");
}

bool HasPosition(const StationRecord& r) {
    return r.Latitude != 0 || r.Longitude != 0;
}

}  // namespace

StationAlerts::StationAlerts(StationBoard& board, const SettingValues& settings,
                             StationActions& actions, Scheduler* scheduler)
    : board_(board),
      settings_(settings),
      actions_(actions),
      scheduler_(scheduler),
      self_(std::make_shared<StationAlerts*>(this)) {
    SettingsChanged();
}

StationAlerts::~StationAlerts() {
    if (notifier_) notifier_->SetHandler(nullptr);
}

void StationAlerts::SetNotifier(DesktopNotifier* notifier) {
    if (notifier_) notifier_->SetHandler(nullptr);
    notifier_ = notifier;
    if (notifier_)
        notifier_->SetHandler([this](const std::string& callsign, const std::string& action) {
            NoteEvent(callsign, action);
        });
}

void StationAlerts::SettingsChanged() {
    if (settings_.AlertWatch != watchText_) {
        watchText_ = settings_.AlertWatch;
        watch_ = WatchList(watchText_);
        std::erase_if(watched_, [&](const auto& w) { return !watch_.Matches(w.first); });
    }
    // The quiet times follow the minutes as they are now.
    dues_.clear();
    for (auto& [callsign, w] : watched_)
        SetDue(callsign, w);
    Arm();
}

void StationAlerts::SetDue(const std::string& callsign, Watch& w) {
    if (w.dueMs >= 0) dues_.erase({w.dueMs, callsign});
    w.dueMs = -1;
    if (settings_.AlertQuietMinutes <= 0) return;
    w.dueMs = w.lastMs + settings_.AlertQuietMinutes * 60'000LL;
    dues_.emplace(w.dueMs, callsign);
}

void StationAlerts::StationHeard(const std::string& callsign) {
    const bool watched = watch_.Matches(callsign);
    const bool nearOn = settings_.AlertNearKm > 0 && !near_.contains(callsign);
    if (!watched && !nearOn) return;
    const StationTable& table = board_.Table();
    const std::int32_t index = table.find_station(callsign);
    if (index < 0) return;
    const StationRecord& r = table[index];
    const std::int64_t now = Now();
    bool tell = false;
    if (watched) {
        const auto [it, first] = watched_.try_emplace(callsign);
        Watch& w = it->second;
        const std::int64_t silence = settings_.AlertQuietMinutes > 0
                                         ? settings_.AlertQuietMinutes * 60'000LL
                                         : kDefaultSilenceMs;
        tell = first || now - w.lastMs >= silence;
        w.lastMs = now;
        SetDue(callsign, w);
        Arm();
    }
    if (nearOn && HasPosition(r) && r.Distance <= settings_.AlertNearKm) {
        near_.insert(callsign);
        tell = true;
    }
    if (tell) Raise(callsign, HeardNote(r));
}

void StationAlerts::Arm() {
    if (!scheduler_ || dues_.empty()) return;
    const std::int64_t due = dues_.begin()->first;
    // A check already waiting comes sooner: it arms the next one.
    if (armedMs_ >= 0 && armedMs_ <= due) return;
    armedMs_ = due;
    const std::weak_ptr<StationAlerts*> alive = self_;
    const std::int64_t delay = std::max<std::int64_t>(0, due - Now());
    scheduler_->Later(static_cast<int>(std::min<std::int64_t>(delay, 24LL * 3600 * 1000)),
                      [alive, due] {
                          if (const auto self = alive.lock()) (*self)->QuietCheck(due);
                      });
}

void StationAlerts::QuietCheck(std::int64_t dueMs) {
    if (dueMs == armedMs_) armedMs_ = -1;
    const std::int64_t now = Now();
    Trap("StationAlerts.QuietCheck", [&] {
        while (!dues_.empty() && dues_.begin()->first <= now) {
            const std::string callsign = dues_.begin()->second;
            dues_.erase(dues_.begin());
            Watch& w = watched_[callsign];
            w.dueMs = -1;  // told once, until heard again
            const StationTable& table = board_.Table();
            const std::int32_t index = table.find_station(callsign);
            Raise(callsign, QuietNote(callsign, settings_.AlertQuietMinutes,
                                      index >= 0 ? &table[index] : nullptr));
        }
    });
    Arm();
}

void StationAlerts::Raise(const std::string& callsign, const DesktopNote& note) {
    // The emergency notifications' switch is the desktop's switch.
    if (!notifier_ || !settings_.EmergencyNotify) return;
    notifier_->Show(callsign, note);
}

DesktopNote StationAlerts::HeardNote(const StationRecord& r) {
    DesktopNote note;
    note.urgent = false;
    note.summary = r.Callsign + " heard";
    note.body = WhereOf(r);
    if (!r.Comment().empty()) (note.body += "\n") += r.Comment();
    AddButtons(note, &r);
    return note;
}

DesktopNote StationAlerts::QuietNote(const std::string& callsign, int minutes,
                                     const StationRecord* r) {
    DesktopNote note;
    note.urgent = false;
    note.summary = callsign + " not heard for " + std::to_string(minutes) + " min";
    if (r) {
        // HeardTime counts the local clock's seconds.
        const std::time_t heard = r->HeardTime;
        std::tm t{};
        gmtime_r(&heard, &t);
        char when[32];
        std::strftime(when, sizeof when, "%H:%M", &t);
        note.body = std::string("Last heard at ") + when + ", " + WhereOf(*r);
    }
    AddButtons(note, r);
    return note;
}

void StationAlerts::NoteEvent(const std::string& callsign, const std::string& action) {
    if (action == "show") {
        Trap("StationAlerts.Show", [&] { actions_.ShowStation(callsign); });
    } else if (action == "tune") {
        Trap("StationAlerts.Tune", [&] { actions_.Tune(callsign); });
    }
}

}  // namespace bb
