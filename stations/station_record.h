// What the board knows about one heard station.
#pragma once

#include <cstdint>
#include <string>

namespace bb {

struct PHGInfo {
    std::int16_t Power = 0;  // watts
    double Height = 0;       // feet above average terrain
    std::int16_t Gain = 0;   // dB
    std::int16_t DirectivityCode = 0;
    std::string Directivity;  // "Omni" or the compass direction of the main lobe
    std::int16_t Rate = 0;    // beacon rate digit of the five-digit form
    double Range = 0;         // miles
};

struct QSYInfo {
    std::string Frequency;  // MHz, "." as the decimal point, e.g. "145.625"
    double Tone = 0;        // CTCSS tone in Hz; 0 when none was given
};

inline constexpr std::int16_t kNoCourse = -32768;
inline constexpr float kNoSpeed = -99999.0f;

struct StationRecord {
    std::string Callsign;  // the key; compared exactly, case-sensitive
    bool Deleted = false;
    std::string BeaconText;
    std::string Comment;
    std::int32_t HeardTime = 0;  // seconds since 1970, the host's date unconverted
    std::int16_t Course = 0;
    float Speed = 0;
    std::int16_t Bearing = 0;
    std::string Symbol;
    float Latitude = 0;   // minutes of arc, north positive
    float Longitude = 0;  // minutes of arc, east positive
    std::string LatitudeText;
    std::string LongitudeText;
    std::string Locator;
    double Distance = 0;
    bool HasPHG = false;
    bool HasPHGRate = false;
    bool HasQSY = false;
    PHGInfo PHG;
    QSYInfo QSY;
    bool Emergency = false;
    bool EmergencyAcknowledged = false;
};

}  // namespace bb
