// Readers of outside text that need no files: the comment decoder, the
// host's station line, bb-host's packet decoder, the KISS and AX.25 decoder,
// and the DDE commands of the board and of bb-rigbridge.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/readers.h"
#include "host/aprs_decoder.h"
#include "host/kiss.h"
#include "radio/dde_client.h"
#include "rigbridge/bridge.h"
#include "stations/comment_decoder.h"
#include "stations/record_fill.h"
#include "support/error_trap.h"
#include "support/text_encoding.h"
#include "tests/fakes/fake_dde.h"

namespace {

using namespace bb;

class NullRig final : public rigbridge::Rig {
  public:
    bool SetMode(const std::string&, std::string&) override { return true; }
    bool SetFrequency(double hz, std::string& e) override {
        if (!(hz > 0 && hz < 1e12)) {
            e = "out of range";
            __builtin_trap();  // the parser let through what no radio can take
        }
        return true;
    }
    bool Read(double& hz, std::string& mode, std::string&) override {
        hz = 145500000;
        mode = "FM";
        return true;
    }
    std::string Name() const override { return "null"; }
    bool Can(rigbridge::Setting) const override { return true; }
    bool Set(rigbridge::Setting setting, long value, std::string&) override {
        // Only the shift may be below zero (minus); no tone, code or offset is.
        if (value < 0 && !(setting == rigbridge::Setting::Shift && value == -1)) __builtin_trap();
        return true;
    }
};

void FuzzComment(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    StationRecord r;
    ParseComment(r, in);
    // A frequency to tune to always has its megahertz point.
    if (r.HasQSY && r.QSY->Frequency.find('.') == std::string::npos) __builtin_trap();
}

void FuzzHostLine(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string call;
    if (CallsignFromHostLine(in, call) && call.find(' ') != std::string::npos) __builtin_trap();
}

void FuzzPacket(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    hostapp::aprs::Tnc2Packet p;
    std::string why;
    if (hostapp::aprs::ParseTnc2(in, p, why)) {
        hostapp::aprs::Report report;
        if (hostapp::aprs::Decode(p, report, why) == hostapp::aprs::Outcome::Decoded &&
            report.hasPosition) {
            // The report's own text lies inside the packet, its comment inside that,
            // and what the host offers of it is text a bus string can carry.
            if (report.infoStart > p.info.size()) __builtin_trap();
            const std::string_view own = std::string_view(p.info).substr(report.infoStart);
            if (report.commentStart < 1 ||
                static_cast<std::size_t>(report.commentStart) > own.size() + 1)
                __builtin_trap();
            const std::string text = hostapp::aprs::OfferedText(own);
            if (!IsValidUtf8(text) || text.find('\0') != std::string::npos) __builtin_trap();
            if (std::fabs(report.latitude) > 90 || std::fabs(report.longitude) > 180)
                __builtin_trap();
        }
    }
}

void FuzzKiss(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    hostapp::KissDeframer d([](const std::string& frame) {
        std::string monitor, why;
        if (hostapp::DecodeAx25(frame, monitor, why) == hostapp::Ax25Result::Aprs &&
            monitor.find_first_of("\r\n") != std::string::npos)
            __builtin_trap();  // the monitor form is one line
    });
    d.Feed(in);
}

void FuzzDdeCommands(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    // The board's own topic, and both programs' commands as bb-rigbridge reads them.
    static testing::FakeDde dde;
    static testing::FakeTimer timer;
    static radio::DDEClientModule radio(dde, timer, "Beaconboard");
    static const bool started = (radio.Initialize(), true);
    (void)started;
    dde.log.clear();
    dde.ExecuteOurs("Beaconboard", "DDEClient", std::string(in));
    static NullRig rig;
    static rigbridge::Bridge bridge(rig, [](const std::string&) {});
    bridge.Execute(rigbridge::Program::Commander, "DDEServer", in);
    bridge.Execute(rigbridge::Program::HamRadioDeluxe, "HRD_CAT", in);
}

}  // namespace

namespace bb::fuzz {

const std::vector<Reader>& TextReaders() {
    static const std::vector<Reader> readers = {
        {"comment", FuzzComment}, {"host_line", FuzzHostLine},       {"packet", FuzzPacket},
        {"kiss", FuzzKiss},       {"dde_commands", FuzzDdeCommands},
    };
    return readers;
}

}  // namespace bb::fuzz
