// The settings file and the process-wide setting values. Every setting is
// read once at start-up (a key missing from the file is written with its
// default at once) and all are written back on demand; in between, the rest
// of the program reads and changes the values in memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace bb {

class clsLanguage;

// The setting values in memory. Until ReadSettings they are all false or 0.
struct SettingValues {
    bool EmergencyScan = false;
    bool EmergencyPlot = false;
    bool EmergencyAlarm = false;
    bool EmergencyZoom = false;  // read and written back only
    bool EmergencyIgnoreOnDistance = false;
    double EmergencyIgnoreDistance = 0;
    // Each unacknowledged emergency is also a desktop notification.
    bool EmergencyNotify = false;
    bool FormatAgeMMSS = false;
    std::int16_t FormatLocator = 0;
    bool PHGPlotOnMap = false;
    // Tuning also sets the announced tone, tone squelch or DCS and repeater offset.
    bool SetToneAndOffset = false;
    // The stations the user cares about: callsigns and patterns with "*",
    // comma-separated, as kept in the file.
    std::string AlertWatch;
    // A station first heard this near home (km) is an alert; 0: off.
    std::int32_t AlertNearKm = 0;
    // A watched station silent this long (minutes) is an alert; 0: off.
    std::int32_t AlertQuietMinutes = 0;
    // What the grid shows.
    enum class StationView { All, Watched, Near };
    StationView AlertView = StationView::All;
    bool HideWeatherAndDigipeaters = false;
};

// The text of a view as kept under "View" ("All", "Watched", "Near", each
// optionally followed by ",NoWxDigi"); and back, false for a text that is
// none of them.
std::string ViewText(SettingValues::StationView view, bool hideWeatherAndDigipeaters);
bool ParseView(std::string_view text, SettingValues::StationView& view,
               bool& hideWeatherAndDigipeaters);

// The values of this process.
SettingValues& Settings();

// The visible flags of the grid's columns, which the column table owns.
class ColumnVisibility {
  public:
    virtual ~ColumnVisibility() = default;
    // The highest column number (17).
    virtual int UpperBound() const = 0;
    virtual bool Visible(int column) const = 0;
    virtual void SetVisible(int column, bool visible) = 0;
};

// The columns' visible flags as the settings file has them, held until the
// grid that shows them is made; error 9 for a column past `upperBound`.
class ColumnChoice final : public ColumnVisibility {
  public:
    explicit ColumnChoice(int upperBound)
        : visible_(static_cast<std::size_t>(upperBound) + 1, false) {}
    int UpperBound() const override { return static_cast<int>(visible_.size()) - 1; }
    bool Visible(int column) const override;
    void SetVisible(int column, bool visible) override;

  private:
    std::vector<bool> visible_;
};

// What reading and writing the settings work on.
struct SettingsBinding {
    std::filesystem::path file;  // SettingsFilePath
    ColumnVisibility* columns = nullptr;
    clsLanguage* language = nullptr;
    SettingValues* values = &Settings();
};

inline constexpr std::size_t kIniBufferSize = 500;

std::string ReadIniString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view defaultValue);
// Reads a key and writes its default back when the value read is the
// default (so a missing key is added).
std::string GetSetIniValue(const std::filesystem::path& file, std::string_view section,
                           std::string_view key, std::string_view defaultValue);
bool IniToBool(std::string_view text);
std::string BoolToIni(bool value);

// Errors (other than unwritable files, which are logged) pass to the caller.
void ReadSettings(const SettingsBinding& binding);
void WriteSettings(const SettingsBinding& binding);
// Keeps the language chosen from the menu, the one setting the menus change;
// an empty name (no language file was found) keeps what is stored, and an
// unchanged one writes nothing.
void SaveLanguageChoice(const std::filesystem::path& file, const std::string& language);
// Keeps the watch list and the view, which the menus change.
void SaveAlertChoices(const std::filesystem::path& file, const SettingValues& values);

}  // namespace bb
