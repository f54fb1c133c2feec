#include "support/clock.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "support/diagnostic_log.h"
#include "support/system_api.h"
#include "support/vbtypes.h"

namespace bb {

namespace {

bool IsLeap(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Days from 1970-01-01 to a civil date (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

DateTime DateSerial(int year, int month, int day, int hour, int minute, int second) {
    std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return static_cast<double>(days) + kUnixEpochSerial +
           (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

CivilTime CivilFromSerial(DateTime serial) {
    std::int64_t secs = std::llround((serial - kUnixEpochSerial) * 86400.0);
    std::int64_t z = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    std::int64_t sod = secs - z * 86400;
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return CivilTime{static_cast<int>(y + (m <= 2)),
                     static_cast<int>(m),
                     static_cast<int>(d),
                     static_cast<int>(sod / 3600),
                     static_cast<int>(sod / 60 % 60),
                     static_cast<int>(sod % 60)};
}

namespace UTC {

std::int16_t MonthDays(std::int16_t m, bool leap) {
    std::int16_t result = 0;
    Trap("UTC.MonthDays", [&] {
        switch (m) {
            case 1:
                result = 0;
                break;
            case 2:
            case 4:
            case 6:
            case 8:
            case 9:
            case 11:
                result = 31;
                break;
            case 3:
                result = leap ? 29 : 28;
                break;
            case 5:
            case 7:
            case 10:
            case 12:
                result = 30;
                break;
            default:
                result = 0;
                break;
        }
    });
    return result;
}

DateTime CurrentTime() {
    // The clock's failure report stamps its own lines with this clock; a
    // failure while that report is being written is not reported again, or the
    // report would never end.
    static bool reporting = false;
    int state = 0;
    sys::SystemTime t{};
    DateTime result = 0;
    TrapWith(
        [&] {
            t = sys::Current().clock->GetSystemTime();
            state = 1;
            const std::int16_t year = Checked<std::int16_t>(t.wYear);
            double days = 36525;
            for (std::int16_t y = 2000; y < year; y = CheckedAdd<std::int16_t>(y, 1)) {
                days += IsLeap(y) ? 366 : 365;
            }
            // A computer without a clock battery starts at 1970.
            for (std::int16_t y = 1999; y >= year; --y) {
                days -= IsLeap(y) ? 366 : 365;
            }
            state = 2;
            const std::int16_t month = Checked<std::int16_t>(t.wMonth);
            for (std::int16_t m = 1; m <= month; m = CheckedAdd<std::int16_t>(m, 1)) {
                days += MonthDays(m, IsLeap(year));
            }
            state = 3;
            days += Checked<std::int16_t>(t.wDay);
            state = 4;
            const double secs = Checked<std::int16_t>(t.wHour) * 3600.0 +
                                Checked<std::int16_t>(t.wMinute) * 60.0 +
                                Checked<std::int16_t>(t.wSecond);
            state = 5;
            result = days + secs / 86400.0;
        },
        [&](std::int16_t number) {
            if (reporting) return;
            reporting = true;
            struct Reset {
                bool& flag;
                ~Reset() { flag = false; }
            } reset{reporting};
            LogError(number, "UTC.CurrentTime, State = " + std::to_string(state));
            WriteErrorLog("   UTCTime.wYear   = " + std::to_string(t.wYear));
            WriteErrorLog("   UTCTime.wMonth  = " + std::to_string(t.wMonth));
            WriteErrorLog("   UTCTime.wDay    = " + std::to_string(t.wDay));
            WriteErrorLog("   UTCTime.wHour   = " + std::to_string(t.wHour));
            WriteErrorLog("   UTCTime.wMinute = " + std::to_string(t.wMinute));
            WriteErrorLog("   UTCTime.wSecond = " + std::to_string(t.wSecond));
        });
    return result;
}

}  // namespace UTC

// ---- TZone ----

namespace {

// The zone table as last loaded, and the registry it came from: the registry
// is read once per process (tests that install another registry load anew).
struct LoadedTable {
    sys::Registry* registry = nullptr;
    sys::OsVersion* os = nullptr;
    std::vector<TimeZoneEntry> table;
    std::string zone;
    std::size_t current = 0;
};
std::unique_ptr<LoadedTable>& Loaded() {
    static std::unique_ptr<LoadedTable> loaded;
    return loaded;
}

constexpr std::size_t kRegTextMax = 2048;

// A registry text as read into the fixed buffer: at most 2048 characters, cut
// at the first NUL.
std::string RegText(const std::optional<std::string>& raw) {
    if (!raw) return {};
    std::string s = raw->substr(0, kRegTextMax);
    auto nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

std::int32_t ReadLe32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return static_cast<std::int32_t>(v);
}
std::uint16_t ReadLe16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

TimeZoneInformation ParseTzi(const std::optional<std::string>& raw) {
    TimeZoneInformation tzi;
    if (!raw || raw->size() < 44) return tzi;
    const std::string& b = *raw;
    tzi.Bias = ReadLe32(b, 0);
    tzi.StandardBias = ReadLe32(b, 4);
    tzi.DaylightBias = ReadLe32(b, 8);
    for (int i = 0; i < 8; ++i) {
        tzi.StandardDate[i] = ReadLe16(b, 12 + 2 * i);
        tzi.DaylightDate[i] = ReadLe16(b, 28 + 2 * i);
    }
    return tzi;
}

}  // namespace

void TZone::ForgetLoadedTable() {
    Loaded().reset();
}

const std::vector<TimeZoneEntry>& TZone::Table() const {
    static const std::vector<TimeZoneEntry> empty;
    return Loaded() ? Loaded()->table : empty;
}

const TimeZoneEntry& TZone::CurrentZone() const {
    static const TimeZoneEntry none;
    const auto& t = Table();
    return current_ < t.size() ? t[current_] : none;
}

bool TZone::IsNT() {
    sys::OsVersionInfo info;
    return sys::Current().os->GetVersionEx(info) && info.dwPlatformId == sys::kPlatformWin32NT;
}

std::string TZone::GetRegValueStr(std::string_view key, std::string_view valueName) {
    sys::Registry& reg = *sys::Current().registry;
    if (!reg.OpenKey(key, sys::kKeyAllAccess)) return {};
    return std::string(Trim(RegText(reg.QueryValue(key, valueName))));
}

void TZone::init() {
    sys::Services& s = sys::Current();
    auto& loaded = Loaded();
    if (!loaded || loaded->registry != s.registry || loaded->os != s.os) {
        sys::Registry& reg = *s.registry;
        const std::string key(IsNT() ? kZonesKeyNT : kZonesKey9x);
        if (!reg.OpenKey(key, sys::kKeyAllAccess)) {
            s.ui->MessageBox(
                "Unable to locate Time Zones information in Registry under the key: \r\n" + key, "",
                sys::kMbOk);
            s.process->EndNow();
        }
        auto fresh = std::make_unique<LoadedTable>();
        fresh->registry = &reg;
        fresh->os = s.os;
        for (std::uint32_t i = 0;; ++i) {
            auto name = reg.EnumKey(key, i);
            if (!name) break;
            std::string path = key + "\\" + RegText(name);
            TimeZoneEntry e;
            if (reg.OpenKey(path, sys::kKeyAllAccess)) {
                e.TZI = ParseTzi(reg.QueryValue(path, "TZI"));
                e.Display = RegText(reg.QueryValue(path, "Display"));
                e.Std = RegText(reg.QueryValue(path, "Std"));
                e.Dlt = RegText(reg.QueryValue(path, "Dlt"));
                e.MapID = RegText(reg.QueryValue(path, "MapID"));
            }
            fresh->table.push_back(std::move(e));
        }
        fresh->zone = GetRegValueStr(kCurrentZoneKey, "StandardName");
        // The last entry whose standard name is the current zone's, else the first.
        for (std::size_t i = 0; i < fresh->table.size(); ++i) {
            if (fresh->table[i].Std == fresh->zone) fresh->current = i;
        }
        loaded = std::move(fresh);
    }
    zone_ = loaded->zone;
    current_ = loaded->current;
}

std::string TZone::DateToUnix(DateTime d) const {
    const double secs = std::nearbyint((d - kUnixEpochSerial) * 86400.0);
    if (!(std::fabs(secs) < 9.0e18)) Raise(err::kOverflow, "DateToUnix");
    return std::to_string(static_cast<long long>(secs));
}

DateTime LocalNow() {
    const sys::SystemTime t = sys::Current().clock->GetLocalTime();
    return DateSerial(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

}  // namespace bb
