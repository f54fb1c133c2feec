// The UTC clock of the diagnostic log, and the time-zone object that turns a
// date-time into seconds since 1970 for the times stations were heard.
//
// Date-times are date serials: days since 30 December 1899 00:00, the time of
// day as the fraction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bb {

using DateTime = double;

inline constexpr double kUnixEpochSerial = 25569.0;  // 1 January 1970

// The date serial of a calendar date and time of day (proleptic Gregorian).
DateTime DateSerial(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Calendar fields of a date serial, rounded to the second.
struct CivilTime {
    int year, month, day, hour, minute, second;
};
CivilTime CivilFromSerial(DateTime serial);

// The computer's local date and time now, whole seconds.
DateTime LocalNow();

namespace UTC {
// The current UTC date-time, whole seconds, from the system clock.
DateTime CurrentTime();
// The length of the month before month `m`, so that the sum over 1..M is the
// number of days before month M.
std::int16_t MonthDays(std::int16_t m, bool leap);
}  // namespace UTC

// The registry's time-zone record of one zone.
struct TimeZoneInformation {
    std::int32_t Bias = 0;
    std::int32_t StandardBias = 0;
    std::int32_t DaylightBias = 0;
    std::uint16_t StandardDate[8] = {};
    std::uint16_t DaylightDate[8] = {};
};

struct TimeZoneEntry {
    TimeZoneInformation TZI;
    std::string Display;
    std::string Std;
    std::string Dlt;
    std::string MapID;
};

// Registry keys the zone table is read from.
inline constexpr std::string_view kZonesKeyNT =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";
inline constexpr std::string_view kZonesKey9x =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Time Zones";
inline constexpr std::string_view kCurrentZoneKey =
    "System\\CurrentControlSet\\Control\\TimeZoneInformation";

// One object per use: create, init, DateToUnix. The zone table is read from
// the registry once per process; a table that cannot be found stops the
// program at the first init, as on every later one.
class TZone {
  public:
    void init();
    // Seconds from 1970-01-01 00:00:00 to `d`, as decimal text; no zone conversion.
    std::string DateToUnix(DateTime d) const;
    bool IsNT();
    std::string GetRegValueStr(std::string_view key, std::string_view valueName);

    const std::string& Zone() const { return zone_; }
    const std::vector<TimeZoneEntry>& Table() const;
    // The table entry of the computer's zone; an empty entry when the table is empty.
    const TimeZoneEntry& CurrentZone() const;

    // Forgets the loaded table, so that the next init reads the registry again.
    static void ForgetLoadedTable();

  private:
    std::string zone_;
    std::size_t current_ = 0;
};

}  // namespace bb
