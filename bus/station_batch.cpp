#include "bus/station_batch.h"

#include <bit>
#include <cstdint>

namespace bb::bus {
namespace {

template <class U>
void PutBits(std::string& out, U bits) {
    for (std::size_t b = 0; b < sizeof(U); ++b)
        out.push_back(static_cast<char>(bits >> (8 * b) & 0xFF));
}

void PutText(std::string& out, std::string_view text) {
    PutBits(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool AtEnd() const { return at_ == bytes_.size(); }

    template <class U>
    bool Bits(U& bits) {
        if (bytes_.size() - at_ < sizeof(U)) return false;
        bits = 0;
        for (std::size_t b = sizeof(U); b-- > 0;)
            bits = static_cast<U>(bits << 8 | static_cast<unsigned char>(bytes_[at_ + b]));
        at_ += sizeof(U);
        return true;
    }
    bool Text(std::string& text) {
        std::uint32_t size = 0;
        if (!Bits(size) || bytes_.size() - at_ < size) return false;
        text.assign(bytes_.substr(at_, size));
        at_ += size;
        return true;
    }
    bool Single(float& v) {
        std::uint32_t bits = 0;
        if (!Bits(bits)) return false;
        v = std::bit_cast<float>(bits);
        return true;
    }
    bool Double(double& v) {
        std::uint64_t bits = 0;
        if (!Bits(bits)) return false;
        v = std::bit_cast<double>(bits);
        return true;
    }
    bool Short(std::int16_t& v) {
        std::uint16_t bits = 0;
        if (!Bits(bits)) return false;
        v = static_cast<std::int16_t>(bits);
        return true;
    }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace

void PutListedStation(std::string& batch, std::string_view line, std::string_view callsign,
                      const HostStation* s) {
    PutText(batch, line);
    PutText(batch, callsign);
    batch.push_back(s ? 1 : 0);
    if (!s) return;
    PutText(batch, s->Symbol);
    PutText(batch, s->BeaconText);
    PutText(batch, s->StatusText);
    for (const float v : {s->Longitude, s->Latitude, s->Speed, s->Distance})
        PutBits(batch, std::bit_cast<std::uint32_t>(v));
    for (const double v : {s->ReportDate, s->FallbackDate})
        PutBits(batch, std::bit_cast<std::uint64_t>(v));
    for (const std::int16_t v : {s->Course, s->CommentStart, s->Bearing})
        PutBits(batch, static_cast<std::uint16_t>(v));
}

bool ReadStationBatch(std::string_view batch, std::vector<HostListing>& listings) {
    Reader in(batch);
    while (!in.AtEnd()) {
        HostListing l;
        std::uint8_t known = 0;
        if (!in.Text(l.line) || !in.Text(l.callsign) || !in.Bits(known) || known > 1) return false;
        l.known = known == 1;
        if (l.known) {
            HostStation& s = l.station;
            s.Callsign = l.callsign;
            if (!in.Text(s.Symbol) || !in.Text(s.BeaconText) || !in.Text(s.StatusText) ||
                !in.Single(s.Longitude) || !in.Single(s.Latitude) || !in.Single(s.Speed) ||
                !in.Single(s.Distance) || !in.Double(s.ReportDate) || !in.Double(s.FallbackDate) ||
                !in.Short(s.Course) || !in.Short(s.CommentStart) || !in.Short(s.Bearing))
                return false;
        }
        listings.push_back(std::move(l));
    }
    return true;
}

}  // namespace bb::bus
