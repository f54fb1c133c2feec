// Readers of outside text that need no files: the comment decoder, the
// host's station line, bb-host's packet decoder, the KISS and AX.25 decoder,
// and the DDE commands of the board and of bb-rigbridge. The target is
// chosen at build time (BB_FUZZ_TARGET); a run-time error with its classic
// number is a handled outcome, anything else a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

void Run(std::string_view in) {
#if BB_FUZZ_TARGET == 1
    StationRecord r;
    ParseComment(r, in);
    // A frequency to tune to always has its megahertz point.
    if (r.HasQSY && r.QSY.Frequency.find('.') == std::string::npos) __builtin_trap();
#elif BB_FUZZ_TARGET == 2
    std::string call;
    if (CallsignFromHostLine(in, call) && call.find(' ') != std::string::npos) __builtin_trap();
#elif BB_FUZZ_TARGET == 3
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
#elif BB_FUZZ_TARGET == 4
    hostapp::KissDeframer d([](const std::string& frame) {
        std::string monitor, why;
        if (hostapp::DecodeAx25(frame, monitor, why) == hostapp::Ax25Result::Aprs &&
            monitor.find_first_of("\r\n") != std::string::npos)
            __builtin_trap();  // the monitor form is one line
    });
    d.Feed(in);
#elif BB_FUZZ_TARGET == 5
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
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        Run(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const bb::RuntimeError&) {
        // A classic run-time error: the caller's trap logs it.
    }
    return 0;
}
