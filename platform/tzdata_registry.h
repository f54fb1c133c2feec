// The registry's time-zone keys, answered from the system's IANA zone
// database: one subkey per zone file (named by the zone, "Europe/Amsterdam"),
// with its standard and daylight names, biases and change rules taken from
// the zone's rule, and the configured zone's standard name as the current
// zone. Every other key is absent. The database is read once, on first use.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/system_api.h"

namespace bb::platform {

class TzdataRegistry final : public sys::Registry {
  public:
    // `zoneinfo`: the zone database's folder. `configuredZone`: the zone
    // name of this computer; empty to take it from TZ or /etc/localtime.
    explicit TzdataRegistry(std::filesystem::path zoneinfo = "/usr/share/zoneinfo",
                            std::string configuredZone = {});

    bool OpenKey(std::string_view path, std::uint32_t access) override;
    std::optional<std::string> EnumKey(std::string_view path, std::uint32_t index) override;
    std::optional<std::string> QueryValue(std::string_view path, std::string_view name) override;

    // The zone this computer is set to ("Etc/UTC" when nothing says otherwise).
    static std::string ConfiguredZone();

  private:
    struct Key {
        std::map<std::string, std::string> values;  // lower-cased name -> raw bytes
        std::vector<std::string> subkeys;           // names as listed
    };
    void Load();
    const Key* Find(std::string_view path);

    std::filesystem::path zoneinfo_;
    std::string configured_;
    bool loaded_ = false;
    std::map<std::string, Key> keys_;  // lower-cased path -> key
};

// What a zone's rule says, as the registry's record holds it.
struct ZoneRule {
    std::string stdName;
    std::string dstName;
    int stdOffsetMinutes = 0;  // minutes west of UTC, as a bias
    int dstOffsetMinutes = 0;
    bool hasDst = false;
    std::uint16_t dstStart[8] = {};  // month-week-day rule as a SYSTEMTIME
    std::uint16_t dstEnd[8] = {};
};

// Reads a POSIX TZ rule such as "CET-1CEST,M3.5.0,M10.5.0/3"; nothing when
// it is malformed.
std::optional<ZoneRule> ParsePosixRule(std::string_view rule);

}  // namespace bb::platform
