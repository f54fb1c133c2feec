// What the board knows about one heard station.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/boxed.h"
#include "support/short_text.h"

namespace bb {

// Widest first, as the record's own fields.
struct PHGInfo {
    double Height = 0;       // feet above average terrain
    double Range = 0;        // miles
    ShortText Directivity;   // "Omni" or the compass direction of the main lobe
    std::int16_t Power = 0;  // watts
    std::int16_t Gain = 0;   // dB
    std::int16_t DirectivityCode = 0;
    std::int16_t Rate = 0;  // beacon rate digit of the five-digit form
};

// What a frequency announcement asks of a radio besides the frequency: the
// fields that follow "MHz" ("T100 -060", "C088 +760", "D023", "1750", "R25m").
struct RadioSetup {
    enum class ToneMode : std::uint8_t { None, Tone, ToneSquelch, Dcs };
    // Widest first: a record holds one of these.
    double ToneHz = 0;               // the standard CTCSS tone of Tone and ToneSquelch
    std::int32_t OffsetHz = 0;       // 0 with a shift: no standard offset for the band
    std::int16_t DcsCode = 0;        // the code's octal digits as written: 23 for "D023"
    std::int16_t Range = 0;          // announced range, information only; 0 when none
    ToneMode Mode = ToneMode::None;  // None also for "Toff" and for no tone field
    std::int8_t Shift = 0;           // -1 transmit below, +1 above, 0 simplex
    bool Burst1750 = false;
    char RangeUnit = 0;  // 'm' miles, 'k' kilometres
};

struct QSYInfo {
    ShortText Frequency;  // MHz, "." as the decimal point, e.g. "145.625"
    double Tone = 0;      // CTCSS tone in Hz; 0 when none was given
    RadioSetup Setup;
};

inline constexpr std::int16_t kNoCourse = -32768;
inline constexpr float kNoSpeed = -99999.0f;

// The fields are laid out widest first: the board holds tens of thousands.
struct StationRecord {
    ShortText Callsign;    // the key; compared exactly, case-sensitive
    ShortText BeaconText;  // on the heap past 15 characters, as most are: 16 bytes of the record
    // The symbol, as the host writes it.
    ShortText Symbol;
    // Most stations send neither: each is held only by the stations that do.
    Boxed<PHGInfo> PHG;
    Boxed<QSYInfo> QSY;
    double Distance = 0;
    std::int32_t HeardTime = 0;  // seconds since 1970, the host's date unconverted
    float Speed = 0;
    float Latitude = 0;   // minutes of arc, north positive
    float Longitude = 0;  // minutes of arc, east positive
    // The comment is the tail of the beacon's text: its length is kept, not a copy.
    std::uint32_t CommentLength = 0;
    std::int16_t Course = 0;
    std::int16_t Bearing = 0;
    bool Deleted = false;
    bool HasPHG = false;
    bool HasPHGRate = false;
    bool HasQSY = false;
    bool Emergency = false;
    bool EmergencyAcknowledged = false;

    // The position as written ("52.30.00N", "004.53.20E") and its eight-character
    // locator, made from the position when asked rather than kept: empty
    // for a position no text can show.
    std::string LatitudeText() const;
    std::string LongitudeText() const;
    std::string Locator() const;

    std::string_view Comment() const {
        return BeaconText.view().substr(BeaconText.size() - CommentShown());
    }
    // Puts `text` in place of the comment; the beacon's text before it stays.
    void SetComment(std::string_view text) {
        std::string whole(BeaconText.view().substr(0, BeaconText.size() - CommentShown()));
        whole += text;
        BeaconText = whole;
        CommentLength = static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), UINT32_MAX));
    }

  private:
    std::size_t CommentShown() const {
        return std::min<std::size_t>(CommentLength, BeaconText.size());
    }
};

}  // namespace bb
