// A synthetic full feed, the same on every run: every station is heard once
// first, then beacons pick stations at random. A quarter of the stations
// move, a third send PHG, a fifth a QSY frequency, one in 5,000 an
// emergency; objects are made and killed; one packet in a hundred is broken.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace bb::soak {

class Feed {
  public:
    explicit Feed(int stations) : stations_(stations) {}

    std::string Call(int s) const { return "M" + std::to_string(s) + "X"; }

    std::string Line(std::uint64_t n) const {
        const std::uint64_t h = Mix(n);
        const int kind = static_cast<int>(h % 100);
        const int s = n < static_cast<std::uint64_t>(stations_)
                          ? static_cast<int>(n)
                          : static_cast<int>((h >> 8) % stations_);
        char buf[200];
        if (n >= static_cast<std::uint64_t>(stations_) && kind == 99)
            return "BROKEN" + std::to_string(n % 1000) + ">APRS:!52xx.00N/garbage";
        if (n >= static_cast<std::uint64_t>(stations_) && kind >= 96) {
            // Objects: made (96, 97) and killed (98), twenty names in turn.
            const int o = static_cast<int>((h >> 16) % 20);
            std::snprintf(buf, sizeof buf, "M1OBJ>APRS:;OBJ%05d  %c111111z5210.%02dN/00010.00Er", o,
                          kind == 98 ? '_' : '*', o);
            return buf;
        }
        // The emergency stations send it as a status once they are on the map.
        if (s % 5000 == 0 && n >= static_cast<std::uint64_t>(stations_))
            return Call(s) + ">APRS:>EMERGENCY";
        const double lat = 50.0 + (s % 400) * 0.01 + (s % 4 == 0 ? (n % 1000) * 0.0001 : 0);
        const double lon = -2.0 + (s / 400) * 0.03 + (s % 4 == 0 ? (n % 700) * 0.0001 : 0);
        const int latD = static_cast<int>(lat), lonD = static_cast<int>(lon < 0 ? -lon : lon);
        const double latM = (lat - latD) * 60, lonM = ((lon < 0 ? -lon : lon) - lonD) * 60;
        std::string comment;
        if (s % 4 == 0) {
            std::snprintf(buf, sizeof buf, "%03d/%03d", static_cast<int>(n % 360),
                          static_cast<int>(10 + s % 90));
            comment = buf;
        }
        if (s % 3 == 0)
            comment += "PHG" + std::to_string(1 + s % 9) + std::to_string(s % 10) + "3" +
                       std::to_string(s % 9);
        if (s % 5 == 0) comment += " 145." + std::to_string(200 + s % 600) + "MHz T088";
        std::snprintf(buf, sizeof buf, "%s>APRS,WIDE1-1,qAR,SOAK:!%02d%05.2fN/%03d%05.2f%c%c%s",
                      Call(s).c_str(), latD, latM, lonD, lonM, lon < 0 ? 'W' : 'E',
                      s % 4 == 0 ? '>' : '-', comment.c_str());
        return buf;
    }

  private:
    static std::uint64_t Mix(std::uint64_t x) {
        x += 0x9E3779B97F4A7C15ull;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        return x ^ (x >> 31);
    }
    int stations_;
};

}  // namespace bb::soak
