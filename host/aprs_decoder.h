// The host's APRS decoder: a packet in the TNC2 monitor form
// (CALL>DEST,PATH:payload) into what the station list keeps of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bb::hostapp::aprs {

struct Tnc2Packet {
    std::string source;
    std::string destination;
    std::vector<std::string> path;
    std::string info;  // the information field, the payload
};

// Splits one monitor line. False, with the reason in `why`, for a line that
// is not a packet.
bool ParseTnc2(std::string_view line, Tnc2Packet& packet, std::string& why);

// A time stamp as the packet gives it; the station list turns it into a date.
struct PacketTime {
    // FullDate: a GPS receiver's own date and time, UTC.
    enum class Form { None, DayHourMinute, HourMinuteSecond, FullDate } form = Form::None;
    bool zulu = true;  // false for the local-time form (DDHHMM/)
    int day = 0, hour = 0, minute = 0, second = 0;
    int year = 0, month = 0;  // FullDate
};

struct Report {
    enum class Kind { Position, Object, Item, Status, KilledObject };
    Kind kind = Kind::Position;
    std::string name;  // the station heard: the source, or the object's or item's name
    bool hasPosition = false;
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive
    char symbolTable = '/';
    char symbolCode = ' ';
    bool hasCourseSpeed = false;
    int course = 0;         // degrees, 1 to 360; 0 when unknown
    double speedKnots = 0;  // over ground
    bool hasAltitude = false;
    double altitudeFeet = 0;
    PacketTime time;
    // A replayed packet: when its line was recorded, which its time stamp
    // is read against; 0 when heard live.
    std::int64_t recordedUnix = 0;
    // Where the report's own information field starts in the packet's (past
    // a third-party header), and the comment's 1-based position in it.
    std::size_t infoStart = 0;
    int commentStart = 0;
    bool hasStatus = false;
    std::string status;  // a status report's text, or the Mic-E message
    bool micE = false;   // a Mic-E position, whose status is its message
};

enum class Outcome {
    Decoded,     // a station to keep
    NotStation,  // a valid packet that names no station (message, telemetry, query, ...)
    Malformed,   // cannot be decoded
};

// Decodes the payload. For Malformed, `why` says what is wrong.
Outcome Decode(const Tnc2Packet& packet, Report& report, std::string& why);

// A packet's text as the host offers it: UTF-8 kept, other bytes read as
// Windows-1252, and a NUL (which a bus string cannot carry) as U+FFFD.
std::string OfferedText(std::string_view bytes);
// The length of OfferedText(bytes) in UTF-16 units, the units a host
// string is indexed in.
std::size_t OfferedLength(std::string_view bytes);

// The Mic-E message of the three message bits; "Emergency" for all of them clear.
std::string_view MicEMessage(int bits, bool custom);

}  // namespace bb::hostapp::aprs
