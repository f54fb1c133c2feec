// The emergency check that ends every grid rebuild: the caption counts the
// stations in emergency, and each unacknowledged one gets a red marker on
// the host's map, its own emergency window and the alarm sound.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "alarm/desktop_notifier.h"
#include "map/phg_overlays.h"
#include "stations/board.h"
#include "stations/station_actions.h"
#include "support/caption_bar.h"
#include "support/message_pump.h"
#include "support/pass_gate.h"
#include "support/scheduler.h"
#include "support/settings.h"
#include "support/sound.h"

namespace bb {

struct ScreenArea {
    int left = 0, top = 0, width = 0, height = 0;
    bool Overlaps(const ScreenArea& o) const {
        return left < o.left + o.width && o.left < left + width && top < o.top + o.height &&
               o.top < top + height;
    }
};
struct WindowPlace {
    int left = 0, top = 0;
    bool operator==(const WindowPlace&) const = default;
};

// Where a new emergency window of `width` by `height` (frame included) goes
// on the screen's available `area`, clear of the windows in `taken` (their
// places on the screen, frames included), which it joins. The places are
// those of the tiling the windows of one pass take, side by side with a new
// row every second window (left = k x width, top = (k \ 2) x height), the
// first that is free; past the screen's edge the free places of a plain
// tiling of the area, and once it is full the window cascades inside it.
// Every window stays whole on the screen.
WindowPlace PlaceEmergencyWindow(int width, int height, const ScreenArea& area,
                                 std::vector<ScreenArea>& taken);

// The emergency window as the check sees it.
class EmergencyForm {
  public:
    virtual ~EmergencyForm() = default;
    // The outer size, frame included.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Its place on the screen, frame included.
    virtual ScreenArea Frame() const = 0;
    // Puts the frame's top left corner there.
    virtual void Move(int left, int top) = 0;
    virtual void SetTag(const std::string& tag) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // What the window shows of its record (Emergency::ShownOf), to tell
    // later whether it is still up to date.
    virtual void SetShown(const std::string& shown) = 0;
    virtual std::string Shown() const = 0;
    // Loads again, in place, from the record at EmergencyIndex.
    virtual void Reload() = 0;
    // The first appearance: in front, without taking the keyboard.
    virtual void Show() = 0;
    // In front again (back from minimised), without taking the keyboard.
    virtual void BringToFront() = 0;
};

// The program's loaded windows.
class EmergencyForms {
  public:
    virtual ~EmergencyForms() = default;
    // Name and tag compared exactly.
    virtual bool IsFormOpen(std::string_view name, std::string_view tag) = 0;
    virtual void CloseFormByTag(std::string_view name, std::string_view tag) = 0;
    // The open emergency window of `tag`; null when there is none.
    virtual EmergencyForm* OpenEmergencyWindow(std::string_view tag) = 0;
    // Where the open emergency windows stand, frames included.
    virtual std::vector<ScreenArea> EmergencyFrames() const = 0;
    // Creating the window loads it from the record at EmergencyIndex.
    virtual EmergencyForm& NewEmergencyWindow() = 0;
    virtual ScreenArea AvailableArea() const = 0;
};

class Emergency {
  public:
    // The least time between two window passes: a burst of beacons updates
    // the emergency windows at most twice a second.
    static constexpr int kAlarmGapMs = 500;

    // Without a scheduler every window pass runs at once.
    Emergency(StationBoard& board, PhgOverlays& map, MessagePump& pump, EmergencyForms& forms,
              SoundPlayer& sound, CaptionBar& caption, const SettingValues& settings,
              StationActions& actions, Scheduler* scheduler = nullptr);

    // The program's title, which the caption's counts follow.
    void SetWindowTitle(std::string title) { WindowTitle = std::move(title); }
    // The alarm sound; an empty path plays nothing.
    const std::filesystem::path& SoundFile() const { return soundFile_; }
    void SetSoundFile(std::filesystem::path file) { soundFile_ = std::move(file); }

    // After a rebuild that shows `rows` stations, `emergencies` of them in
    // emergency: without any, there is no window to open or raise.
    void CheckEmergencies(std::int32_t rows, std::int32_t emergencies);
    // The markers again, after the host has redrawn its map.
    void PlotMarkers();
    // The window's "ack": the live record of the callsign is acknowledged;
    // error 9 when the station is no longer in the table.
    void Acknowledge(std::string_view callsign);

    // Each alarming record is also a desktop notification (while
    // EmergencyNotify is on, or the alarm's sound cannot be heard), whose
    // buttons do what the window's do (its "Tune" through `actions`); null: none.
    void SetNotifier(DesktopNotifier* notifier);
    // What a station's notification says.
    static DesktopNote NoteOf(const StationRecord& r);

    // The record a new emergency window loads from.
    std::int32_t EmergencyIndex() const { return emergencyIndex_; }
    PassGate& AlarmGate() { return gate_; }

    static std::string Caption(const std::string& title, std::int32_t rows, std::int32_t records,
                               std::int32_t emergencies);
    // What an emergency window shows of a record: the same for a window that
    // is up to date.
    static std::string ShownOf(const StationRecord& r);

  private:
    // The record a station's notification was raised for; `open` false once
    // the user closed it, so that record does not raise it again.
    struct Note {
        std::int32_t heard = 0;
        std::string shown;
        bool open = true;
    };

    void AlarmPass();
    void Notify(const StationRecord& r, const std::string& shown, std::set<std::string>& seen);
    // Closes the notes of stations that no longer alarm.
    void SweepNotes(const std::set<std::string>& seen);
    void CloseNote(const std::string& callsign);
    void NoteEvent(const std::string& callsign, const std::string& action);
    bool Alarming(const StationRecord& r) const {
        return r.Emergency && !r.Deleted && !r.EmergencyAcknowledged && !r.Callsign.empty();
    }

    std::string WindowTitle;
    std::filesystem::path soundFile_;
    std::int32_t emergencyIndex_ = 0;
    StationBoard& board_;
    PhgOverlays& map_;
    MessagePump& pump_;
    EmergencyForms& forms_;
    SoundPlayer& sound_;
    CaptionBar& caption_;
    const SettingValues& settings_;
    StationActions& actions_;
    PassGate gate_;
    DesktopNotifier* notifier_ = nullptr;
    std::map<std::string, Note> notes_;
    // The alarm's sound cannot be heard in this pass: the notes carry it.
    bool silent_ = false;
    bool silenceLogged_ = false;
};

}  // namespace bb
