#include "alarm/emergency.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "support/diagnostic_log.h"
#include "support/error_trap.h"
#include "support/number_format.h"
#include "support/text_encoding.h"

namespace bb {
namespace {

constexpr int kCascadeStep = 24;

bool Free(const ScreenArea& place, const std::vector<ScreenArea>& taken) {
    return std::none_of(taken.begin(), taken.end(),
                        [&](const ScreenArea& t) { return t.Overlaps(place); });
}

}  // namespace

WindowPlace PlaceEmergencyWindow(int width, int height, const ScreenArea& area,
                                 std::vector<ScreenArea>& taken) {
    const int w = std::max(1, width), h = std::max(1, height);
    const auto at = [&](long long left, long long top) {
        return ScreenArea{area.left + static_cast<int>(left), area.top + static_cast<int>(top), w,
                          h};
    };
    std::optional<ScreenArea> place;
    // The tiling of the pass, from its first place on.
    for (long long k = 0; !place && (k + 1) * w <= area.width && (k / 2 + 1) * h <= area.height;
         ++k) {
        if (Free(at(k * w, k / 2 * h), taken)) place = at(k * w, k / 2 * h);
    }
    // Past the screen's edge: the first free place of a plain tiling.
    const int cols = std::max(1, area.width / w), rows = std::max(1, area.height / h);
    for (int row = 0; !place && row < rows; ++row)
        for (int col = 0; !place && col < cols; ++col)
            if (Free(at(static_cast<long long>(col) * w, static_cast<long long>(row) * h), taken))
                place = at(static_cast<long long>(col) * w, static_cast<long long>(row) * h);
    if (!place) {
        // Every tile is used: cascade from the top left, starting over
        // before a window would leave the area.
        const int overflow = std::max(1, static_cast<int>(taken.size()) - cols * rows + 1);
        const int room = std::max(0, std::min(area.width - w, area.height - h));
        const int steps = std::max(1, room / kCascadeStep + 1);
        const int offset = ((overflow % steps) + 1) * kCascadeStep;
        place = at(std::min(offset, std::max(0, area.width - w)),
                   std::min(offset, std::max(0, area.height - h)));
    }
    taken.push_back(*place);
    return {place->left, place->top};
}

Emergency::Emergency(StationBoard& board, PhgOverlays& map, MessagePump& pump,
                     EmergencyForms& forms, SoundPlayer& sound, CaptionBar& caption,
                     const SettingValues& settings, StationActions& actions, Scheduler* scheduler)
    : board_(board),
      map_(map),
      pump_(pump),
      forms_(forms),
      sound_(sound),
      caption_(caption),
      settings_(settings),
      actions_(actions),
      gate_(
          kAlarmGapMs, [this] { AlarmPass(); }, PassGate::Spacing::EveryPass, scheduler) {}

std::string Emergency::Caption(const std::string& title, std::int32_t rows, std::int32_t records,
                               std::int32_t emergencies) {
    std::string caption = title + " [" + std::to_string(rows) + "/" + std::to_string(records) + "]";
    if (emergencies == 1)
        caption += "  !! 1 Emergency beacon !!";
    else if (emergencies > 1)
        caption += "  !! " + std::to_string(emergencies) + " Emergency beacons !!";
    return caption;
}

void Emergency::CheckEmergencies(std::int32_t rows, std::int32_t emergencies) {
    if (!settings_.EmergencyScan) {
        SweepNotes({});
        return;
    }
    caption_.SetCaption(
        Caption(WindowTitle, rows, board_.Table().StationCount(), board_.EmergencyCount()));
    if (!settings_.EmergencyPlot) SweepNotes({});
    // A pass without emergencies closes the notes left.
    if (!settings_.EmergencyPlot || (emergencies <= 0 && notes_.empty())) return;
    gate_.Request();
}

void Emergency::AlarmPass() {
    // The settings may have changed while this pass waited for its turn.
    if (!settings_.EmergencyScan || !settings_.EmergencyPlot) return;
    StationTable& table = board_.Table();
    StationTable::WalkHold hold(table);
    std::set<std::string> seen;
    bool found = false;
    const bool alarm = settings_.EmergencyAlarm && !soundFile_.empty();
    silent_ = alarm && !sound_.Audible();
    // The new windows go clear of those open, wherever the user put them.
    std::vector<ScreenArea> taken = forms_.EmergencyFrames();
    // Only the records flagged: a table of 50,000 stations is not read twice
    // a second for the few that call for help.
    for (const std::int32_t i : table.EmergencyRecords()) {
        pump_.LetPendingMessagesRun();
        if (!Alarming(table[i])) continue;
        found = true;
        // Copied before the window is made: its events may run a pass of
        // their own.
        const std::string callsign = table[i].Callsign;
        map_.Plot_Circle2(table[i].Longitude, table[i].Latitude, 4);
        const std::string shown = ShownOf(table[i]);
        Notify(table[i], shown, seen);
        // An open window stays the same window, where the user left it: a
        // new record is shown in it, and it comes to the front without
        // taking the keyboard from what the user is doing.
        if (EmergencyForm* open = forms_.OpenEmergencyWindow(callsign)) {
            if (open->Shown() != shown) {
                emergencyIndex_ = i;
                open->Reload();
                open->SetShown(shown);
            }
            open->BringToFront();
            continue;
        }
        // Set right before the window reads it.
        emergencyIndex_ = i;
        EmergencyForm& window = forms_.NewEmergencyWindow();
        const WindowPlace at =
            PlaceEmergencyWindow(window.Width(), window.Height(), forms_.AvailableArea(), taken);
        window.Move(at.left, at.top);
        window.SetTag(callsign);
        window.SetShown(shown);
        window.SetCaption("Emergency beacon from " + callsign);
        window.Show();
    }
    SweepNotes(seen);
    if (!found || !alarm) return;
    if (!silent_) {
        sound_.PlayAsync(soundFile_);
    } else if (!silenceLogged_) {
        silenceLogged_ = true;
        WriteErrorLog(std::string("Emergency alarm cannot be heard: there is no sound output; ") +
                      (notifier_ ? "the desktop notification carries the alarm"
                                 : "only its windows show it"));
    }
}

void Emergency::SetNotifier(DesktopNotifier* notifier) {
    if (notifier_) notifier_->SetHandler(nullptr);
    notes_.clear();
    notifier_ = notifier;
    if (notifier_)
        notifier_->SetHandler([this](const std::string& callsign, const std::string& action) {
            NoteEvent(callsign, action);
        });
}

DesktopNote Emergency::NoteOf(const StationRecord& r) {
    // The window's own texts, so both say the same.
    DesktopNote note;
    note.summary = "Emergency beacon from " + r.Callsign;
    note.body = "dist: " + FixedDecimals(r.Distance, 2, DecimalSeparator()) +
                " km   dir: " + Whole(r.Bearing) + " degrees";
    // A desktop note shows a few lines: a comment of many kilobytes (no radio
    // sends one, a host may pass one on) would cover the screen.
    constexpr std::size_t kNoteCommentChars = 400;
    if (!r.Comment().empty()) {
        const std::string_view shown = LeftChars(r.Comment(), kNoteCommentChars);
        note.body += "\n" + std::string(shown);
        if (shown.size() < r.Comment().size()) note.body += "\xE2\x80\xA6";  // an ellipsis
    }
    note.actions.emplace_back("ack", "ack");
    if (r.HasQSY) note.actions.emplace_back("tune", "Tune");
    return note;
}

void Emergency::Notify(const StationRecord& r, const std::string& shown,
                       std::set<std::string>& seen) {
    if (!notifier_ || !(settings_.EmergencyNotify || silent_)) return;
    seen.insert(r.Callsign);
    const auto [it, added] = notes_.try_emplace(r.Callsign);
    Note& note = it->second;
    // The note of this record is up, or the user closed it: not again.
    if (!added && note.heard == r.HeardTime && note.shown == shown) return;
    note = Note{r.HeardTime, shown, true};
    notifier_->Show(r.Callsign, NoteOf(r));
}

void Emergency::SweepNotes(const std::set<std::string>& seen) {
    // Acknowledged, reporting no emergency now, gone from the table, or the
    // notifications switched off: nothing alarms for these any more.
    for (auto it = notes_.begin(); it != notes_.end();) {
        if (seen.contains(it->first)) {
            ++it;
            continue;
        }
        if (notifier_) notifier_->Close(it->first);
        it = notes_.erase(it);
    }
}

void Emergency::CloseNote(const std::string& callsign) {
    const auto it = notes_.find(callsign);
    if (it == notes_.end()) return;
    if (notifier_) notifier_->Close(callsign);
    notes_.erase(it);
}

void Emergency::NoteEvent(const std::string& callsign, const std::string& action) {
    if (action.empty()) {
        if (const auto it = notes_.find(callsign); it != notes_.end()) it->second.open = false;
        return;
    }
    if (action == "ack") {
        Trap("Emergency.Acknowledge", [&] {
            // As the window's ack: the live record, and its window goes.
            Acknowledge(callsign);
            forms_.CloseFormByTag("Form2", callsign);
        });
    } else if (action == "tune") {
        Trap("Emergency.Tune", [&] { actions_.Tune(callsign); });
    }
}

void Emergency::PlotMarkers() {
    if (!settings_.EmergencyScan || !settings_.EmergencyPlot) return;
    StationTable& table = board_.Table();
    StationTable::WalkHold hold(table);
    for (const std::int32_t i : table.EmergencyRecords()) {
        pump_.LetPendingMessagesRun();
        if (Alarming(table[i])) map_.Plot_Circle2(table[i].Longitude, table[i].Latitude, 4);
    }
}

void Emergency::Acknowledge(std::string_view callsign) {
    const std::int32_t index = board_.Table().find_station(callsign);
    if (index < 0) Raise(err::kSubscript, "Form2.Command2_Click");
    board_.Table().Edit(index).EmergencyAcknowledged = true;
    CloseNote(std::string(callsign));
}

std::string Emergency::ShownOf(const StationRecord& r) {
    // The fields the window copies when it loads, apart.
    std::string shown;
    const std::string latitude = r.LatitudeText(), longitude = r.LongitudeText();
    for (const std::string_view text :
         {r.Callsign.view(), std::string_view(latitude), std::string_view(longitude), r.Comment(),
          r.Symbol.view()}) {
        shown += text;
        shown += '\x1f';
    }
    char number[64];
    const auto end = std::to_chars(number, number + sizeof number, r.Distance).ptr;
    shown.append(number, end);
    shown += '\x1f' + std::to_string(r.Bearing) + (r.HasQSY ? "\x1fQSY" : "");
    return shown;
}

}  // namespace bb
