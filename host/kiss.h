// Packets from a KISS TNC: the KISS framing with its escapes, and AX.25 UI
// frames turned into the monitor form the rest of the host reads
// ("SRC>DEST,DIGI1*,DIGI2:info").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace bb::hostapp {

// Splits a byte stream into KISS data frames. Reads may end anywhere; bytes
// outside a frame and frames of other KISS commands are dropped and counted.
class KissDeframer {
  public:
    explicit KissDeframer(std::function<void(const std::string& frame)> onFrame)
        : onFrame_(std::move(onFrame)) {}
    void Feed(std::string_view bytes);
    std::uint64_t Dropped() const { return dropped_; }

  private:
    std::function<void(const std::string&)> onFrame_;
    std::string frame_;
    bool inFrame_ = false;
    bool escape_ = false;
    bool broken_ = false;
    std::uint64_t dropped_ = 0;
};

enum class Ax25Result { Aprs, NotAprs, Broken };

// An AX.25 frame (without its checksum, as KISS carries it) in monitor form.
// Only UI frames with no layer 3 (PID F0) are APRS.
Ax25Result DecodeAx25(std::string_view frame, std::string& monitor, std::string& why);

// A KISS data frame (port 0) around an AX.25 frame, with escapes: for tests
// and tools that play a TNC.
std::string KissFrame(std::string_view ax25);
// An AX.25 UI frame from the monitor form; empty when it cannot be encoded.
std::string EncodeAx25(std::string_view monitor);

}  // namespace bb::hostapp
