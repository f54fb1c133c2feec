#include "support/settings.h"

#include "support/diagnostic_log.h"
#include "support/error_trap.h"
#include "support/language.h"
#include "support/system_api.h"
#include "support/vbtypes.h"
#include "support/watch_list.h"

#include <charconv>

namespace bb {

namespace {

constexpr const char* kProcReadSettings = "A_GetSetIniFile.ReadSettings";

// A settings file that cannot be written loses the values silently, so the
// first reason of each read or write of all settings goes to the log, once.
struct WriteFailures {
    int depth = 0;
    std::string first;
};

WriteFailures& Failures() {
    static WriteFailures f;
    return f;
}

class FailureBatch {
  public:
    FailureBatch() { ++Failures().depth; }
    ~FailureBatch() {
        auto& f = Failures();
        if (--f.depth > 0 || f.first.empty()) return;
        const std::string reason = std::move(f.first);
        f.first.clear();
        try {
            WriteErrorLog("Settings not saved: " + reason);
        } catch (...) {
        }
    }
    FailureBatch(const FailureBatch&) = delete;
    FailureBatch& operator=(const FailureBatch&) = delete;
};

void WriteIni(const std::filesystem::path& file, std::string_view section, std::string_view key,
              std::string_view value) {
    auto* profile = sys::Current().profile;
    if (profile->WritePrivateProfileStringA(section, key, value, file)) return;
    FailureBatch batch;
    if (Failures().first.empty()) Failures().first = profile->LastWriteError();
}

void Require(const SettingsBinding& b) {
    if (!b.columns || !b.language || !b.values) Raise(err::kObjectNotSet, "settings binding");
}

// A number read from the file that does not fit its value (an overflow)
// would end start-up; it is logged and the default used instead.
template <class Convert>
auto Number(std::string_view text, std::string_view defaultText, Convert convert) {
    decltype(convert(text)) value{};
    TrapWith([&] { value = convert(text); },
             [&](std::int16_t number) {
                 LogError(number, kProcReadSettings);
                 value = convert(defaultText);
             });
    return value;
}

// A whole number of the [Alerts] section, 0 (off) to `most`; anything
// else is logged and reads as off.
std::int32_t AlertNumber(const std::filesystem::path& file, const char* key, std::int32_t most) {
    const std::string text = GetSetIniValue(file, "Alerts", key, "0");
    const std::string_view t = Trim(text);
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec == std::errc() && end == t.data() + t.size() && value >= 0 && value <= most)
        return value;
    if (!t.empty())
        WriteErrorLog("Settings: [Alerts] " + std::string(key) + "=" + text +
                      " is not a whole number from 0 to " + std::to_string(most) +
                      "; read as 0 (off)");
    return 0;
}

constexpr std::pair<SettingValues::StationView, std::string_view> kViews[] = {
    {SettingValues::StationView::All, "All"},
    {SettingValues::StationView::Watched, "Watched"},
    {SettingValues::StationView::Near, "Near"}};
constexpr std::string_view kNoWxDigi = ",NoWxDigi";

}  // namespace

std::string ViewText(SettingValues::StationView view, bool hideWeatherAndDigipeaters) {
    std::string text = "All";
    for (const auto& [v, name] : kViews)
        if (v == view) text = name;
    if (hideWeatherAndDigipeaters) text += kNoWxDigi;
    return text;
}

bool ParseView(std::string_view text, SettingValues::StationView& view,
               bool& hideWeatherAndDigipeaters) {
    std::string t = UCase(Trim(text));
    const std::string hide = UCase(kNoWxDigi);
    const bool hides = t.size() >= hide.size() && t.ends_with(hide);
    if (hides) t.resize(t.size() - hide.size());
    for (const auto& [v, name] : kViews)
        if (t == UCase(name)) {
            view = v;
            hideWeatherAndDigipeaters = hides;
            return true;
        }
    return false;
}

SettingValues& Settings() {
    static SettingValues values;
    return values;
}

std::string ReadIniString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view defaultValue) {
    return sys::Current().profile->GetPrivateProfileStringA(section, key, defaultValue,
                                                            kIniBufferSize, file);
}

std::string GetSetIniValue(const std::filesystem::path& file, std::string_view section,
                           std::string_view key, std::string_view defaultValue) {
    std::string value = ReadIniString(file, section, key, defaultValue);
    if (value == defaultValue) WriteIni(file, section, key, defaultValue);
    return value;
}

bool IniToBool(std::string_view text) {
    const std::string u = UCase(text);
    return u == "TRUE" || u == "YES" || u == "1" || u == "ON";
}

std::string BoolToIni(bool value) {
    return value ? "TRUE" : "FALSE";
}

namespace {

// The language of a first start: the one of the languages found that the
// user's locale names (its own name for it, or the code of a shipped one
// where the locale is not installed), else English.
std::string FirstLanguage(const clsLanguage& language) {
    std::string wanted = LocaleInfo::GetLocaleLanguage();
    static constexpr std::pair<const char*, const char*> kShipped[] = {
        {"NL", "Nederlands"}, {"DE", "Deutsch"}, {"EN", "English"}};
    for (const auto& [code, name] : kShipped)
        if (UCase(wanted) == code) wanted = name;
    for (const LanguageRecord& r : language.LanguageList())
        if (!wanted.empty() && UCase(r.name) == UCase(wanted)) return r.name;
    return "English";
}

}  // namespace

bool ColumnChoice::Visible(int column) const {
    if (column < 0 || column > UpperBound()) Raise(err::kSubscript, "column");
    return visible_[static_cast<std::size_t>(column)];
}

void ColumnChoice::SetVisible(int column, bool visible) {
    if (column < 0 || column > UpperBound()) Raise(err::kSubscript, "column");
    visible_[static_cast<std::size_t>(column)] = visible;
}

void ReadSettings(const SettingsBinding& b) {
    Require(b);
    FailureBatch batch;
    const auto& f = b.file;
    std::error_code ec;
    const bool firstStart = !std::filesystem::exists(f, ec) && !ec;
    auto flag = [&](const char* section, const char* key) {
        return IniToBool(GetSetIniValue(f, section, key, "TRUE"));
    };
    const int columns = b.columns->UpperBound();
    for (int n = 1; n <= columns; ++n) {
        b.columns->SetVisible(n, flag("Columns", ("Visible_" + std::to_string(n)).c_str()));
    }
    b.language->language(GetSetIniValue(f, "Language", "CurrentLanguage",
                                        firstStart ? FirstLanguage(*b.language) : "English"));

    auto& v = *b.values;
    v.EmergencyScan = flag("Emergency", "Scan");
    v.EmergencyPlot = flag("Emergency", "Plot");
    v.EmergencyAlarm = flag("Emergency", "Alarm");
    v.EmergencyZoom = flag("Emergency", "Zoom");
    v.EmergencyIgnoreOnDistance = flag("Emergency", "IgnoreOnDistance");
    v.EmergencyIgnoreDistance = Number(GetSetIniValue(f, "Emergency", "IgnoreDistance", "1000"),
                                       "1000", [](std::string_view t) { return Val(t); });
    v.EmergencyNotify = flag("Emergency", "Notify");
    v.FormatAgeMMSS = flag("Option_Units", "FormatAgeMMSS");
    v.FormatLocator = Number(GetSetIniValue(f, "Locator", "FormatLocator", "6"), "6",
                             [](std::string_view t) { return CInt(Val(t)); });
    v.PHGPlotOnMap = flag("PHG", "PlotOnMap");
    v.SetToneAndOffset = flag("Radio", "SetToneAndOffset");
    v.AlertWatch =
        NormalWatchList(GetSetIniValue(f, "Alerts", "Watch", ""), "Settings: [Alerts] Watch");
    v.AlertNearKm = AlertNumber(f, "NearKm", 20000);
    v.AlertQuietMinutes = AlertNumber(f, "QuietMinutes", 7 * 24 * 60);
    const std::string view = GetSetIniValue(f, "Alerts", "View", "All");
    v.AlertView = SettingValues::StationView::All;
    v.HideWeatherAndDigipeaters = false;
    if (!ParseView(view, v.AlertView, v.HideWeatherAndDigipeaters) && !Trim(view).empty())
        WriteErrorLog("Settings: [Alerts] View=" + view + " is no view; read as All");
}

void WriteSettings(const SettingsBinding& b) {
    Require(b);
    FailureBatch batch;
    const auto& f = b.file;
    WriteIni(f, "SETUP", "LEFT", "0");
    WriteIni(f, "SETUP", "TOP", "0");
    WriteIni(f, "SETUP", "MINIMIZED", "FALSE");
    const int columns = b.columns->UpperBound();
    for (int n = 1; n <= columns; ++n) {
        WriteIni(f, "Columns", "Visible_" + std::to_string(n), BoolToIni(b.columns->Visible(n)));
    }
    // No language file found for the stored name: the user's choice stays
    // in the file, not an empty one.
    if (!b.language->get_language().empty())
        WriteIni(f, "Language", "CurrentLanguage", b.language->get_language());

    const auto& v = *b.values;
    WriteIni(f, "Emergency", "Scan", BoolToIni(v.EmergencyScan));
    WriteIni(f, "Emergency", "Plot", BoolToIni(v.EmergencyPlot));
    WriteIni(f, "Emergency", "Alarm", BoolToIni(v.EmergencyAlarm));
    WriteIni(f, "Emergency", "Zoom", BoolToIni(v.EmergencyZoom));
    WriteIni(f, "Emergency", "IgnoreOnDistance", BoolToIni(v.EmergencyIgnoreOnDistance));
    WriteIni(f, "Emergency", "IgnoreDistance", NumberText(v.EmergencyIgnoreDistance));
    WriteIni(f, "Emergency", "Notify", BoolToIni(v.EmergencyNotify));
    WriteIni(f, "Option_Units", "FormatAgeMMSS", BoolToIni(v.FormatAgeMMSS));
    WriteIni(f, "Locator", "FormatLocator", std::to_string(v.FormatLocator));
    WriteIni(f, "PHG", "PlotOnMap", BoolToIni(v.PHGPlotOnMap));
    WriteIni(f, "Radio", "SetToneAndOffset", BoolToIni(v.SetToneAndOffset));
    WriteIni(f, "Alerts", "Watch", v.AlertWatch);
    WriteIni(f, "Alerts", "NearKm", std::to_string(v.AlertNearKm));
    WriteIni(f, "Alerts", "QuietMinutes", std::to_string(v.AlertQuietMinutes));
    WriteIni(f, "Alerts", "View", ViewText(v.AlertView, v.HideWeatherAndDigipeaters));
}

void SaveAlertChoices(const std::filesystem::path& file, const SettingValues& v) {
    FailureBatch batch;
    WriteIni(file, "Alerts", "Watch", v.AlertWatch);
    WriteIni(file, "Alerts", "View", ViewText(v.AlertView, v.HideWeatherAndDigipeaters));
}

void SaveLanguageChoice(const std::filesystem::path& file, const std::string& language) {
    if (language.empty()) return;
    if (ReadIniString(file, "Language", "CurrentLanguage", "") == language) return;
    WriteIni(file, "Language", "CurrentLanguage", language);
}

}  // namespace bb
