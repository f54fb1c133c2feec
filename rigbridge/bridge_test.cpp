#include "rigbridge/bridge.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace bb::rigbridge {
namespace {

class FakeRig final : public Rig {
  public:
    std::vector<std::string> calls;
    double hz = 14074000;
    std::string mode = "USB";
    bool fail = false;
    bool Answer(std::string& error) const {
        if (fail) error = "rig is off";
        return !fail;
    }
    bool SetMode(const std::string& m, std::string& error) override {
        calls.push_back("mode " + m);
        if (!fail) mode = m;
        return Answer(error);
    }
    bool SetFrequency(double f, std::string& error) override {
        calls.push_back("freq " + std::to_string(static_cast<long long>(f)));
        if (!fail) hz = f;
        return Answer(error);
    }
    bool Read(double& f, std::string& m, std::string& error) override {
        f = hz;
        m = mode;
        return Answer(error);
    }
    std::string Name() const override { return "Hamlib Dummy"; }

    static constexpr long kNever = -99;  // never set
    std::map<Setting, long> settings;
    std::set<Setting> lacks;
    bool Can(Setting s) const override { return !lacks.count(s); }
    bool Set(Setting s, long value, std::string& error) override {
        if (!fail) settings[s] = value;
        return Answer(error);
    }
    // tone, tone squelch, DCS, the tone and tone-squelch functions, shift, offset.
    std::vector<long> Setup() {
        std::vector<long> v;
        for (Setting s :
             {Setting::CtcssTone, Setting::CtcssSql, Setting::DcsCode, Setting::ToneFunction,
              Setting::ToneSquelchFunction, Setting::Shift, Setting::Offset})
            v.push_back(settings.count(s) ? settings[s] : kNever);
        return v;
    }
};

class RigBridge : public ::testing::Test {
  protected:
    FakeRig rig;
    std::vector<std::string> log;
    Bridge bridge{rig, [this](const std::string& s) { log.push_back(s); }};
};

TEST(Commands, CommanderAndHamRadioDeluxeFieldsAndWhatIsRefused) {
    std::string why;
    auto t = ParseCommanderCommand("000xcvrfreqmode<xcvrfreq:9>145500.00<xcvrmode:2>FM", why);
    ASSERT_TRUE(t);
    EXPECT_EQ(*t->hz, 145500000);
    EXPECT_EQ(*t->mode, "FM");
    // A decimal comma (the user's region), no prefix, no mode, a field not for the radio.
    t = ParseCommanderCommand("XCVRFREQMODE<xcvrfreq:9>438162,50<note:3>abc", why);
    ASSERT_TRUE(t);
    EXPECT_EQ(*t->hz, 438162500);
    EXPECT_FALSE(t->mode);
    for (const char* bad :
         {"", "000", "000start", "000xcvrfreqmode", "000xcvrfreqmode<xcvrfreq:99>1",
          "000xcvrfreqmode<xcvrfreq:x>1", "000xcvrfreqmode<xcvrfreq:-1>1",
          "000xcvrfreqmode<xcvrfreq:1>0", "000xcvrfreqmode<xcvrfreq:4>1.2.",
          "000xcvrfreqmode<xcvrfreq:9999999>", "000xcvrfreqmode xcvrfreq:1>7",
          "000xcvrfreqmode<xcvrfreq:4>7050<xcvrmode:3>XYZ",
          "000xcvrfreqmode<xcvrfreq:12>999999999999"}) {
        EXPECT_FALSE(ParseCommanderCommand(bad, why)) << bad;
        EXPECT_FALSE(why.empty());
    }
    // Ham Radio Deluxe's.
    EXPECT_EQ(*ParseHrdCommand("freq 145500000", why)->hz, 145500000);
    EXPECT_EQ(*ParseHrdCommand("  MODE usb\r\n", why)->mode, "USB");
    for (const char* bad :
         {"", "freq", "freq -5", "freq 0", "freq 1e6", "mode", "mode FOO", "tune 145500000",
          "freq 14507400000000", "freq 00,070050500"})  // a fraction of a hertz, found by fuzzing
        EXPECT_FALSE(ParseHrdCommand(bad, why)) << bad;
}

TEST(Commands, SetupFieldsAndWhatIsRefused) {
    std::string why;
    auto s = ParseSetupCommand(
        "xcvrsetup<tonemode:4>tsql<tone:5>107.2<dcs:0><shift:5>minus<offset:6>600000", why);
    ASSERT_TRUE(s) << why;
    EXPECT_EQ(s->mode, SetupCommand::ToneMode::ToneSquelch);
    EXPECT_EQ(s->toneTenths, 1072);
    EXPECT_EQ(s->shift, -1);
    EXPECT_EQ(*s->offsetHz, 600000);
    s = ParseSetupCommand("000XCVRSETUP<tonemode:3>dcs<dcs:3>754<shift:4>none", why);
    ASSERT_TRUE(s) << why;
    EXPECT_EQ(s->dcsCode, 754);
    EXPECT_FALSE(s->offsetHz);  // the radio's offset stays
    for (const char* bad :
         {"xcvrsetup", "xcvrsetup<tonemode:4>loud", "xcvrsetup<tonemode:4>tone",
          "xcvrsetup<tonemode:4>tone<tone:3>abc", "xcvrsetup<tonemode:4>tone<tone:5>9999.",
          "xcvrsetup<tonemode:3>dcs<dcs:3>089", "xcvrsetup<tonemode:3>dcs<dcs:3>000",
          "xcvrsetup<tonemode:3>off<shift:2>up", "xcvrsetup<tonemode:3>off<offset:3>-60",
          "xcvrsetup<tonemode:3>off<offset:10>9999999999", "xcvrfreqmode<tonemode:3>off"}) {
        EXPECT_FALSE(ParseSetupCommand(bad, why)) << bad;
        EXPECT_FALSE(why.empty());
    }
}

TEST_F(RigBridge, SetupSetsWhatIsAnnouncedAndClearsWhatIsNot) {
    struct Case {
        Program program;
        const char* command;
        std::vector<long> setup;  // as FakeRig::Setup lists it
    };
    for (const Case& c :
         {Case{Program::Commander,
               "xcvrsetup<tonemode:4>tone<tone:5>100.0<dcs:0><shift:5>minus<offset:6>600000",
               {1000, 0, 0, 1, 0, -1, 600000}},
          Case{Program::HamRadioDeluxe,
               "xcvrsetup<tonemode:4>tsql<tone:4>88.5<dcs:0><shift:4>plus<offset:7>7600000",
               {885, 885, 0, 0, 1, 1, 7600000}},
          Case{Program::Commander,
               "000xcvrsetup<tonemode:3>dcs<dcs:3>023<shift:4>none",
               {0, 0, 23, 0, 0, 0, 7600000}},
          Case{Program::HamRadioDeluxe,
               "xcvrsetup<tonemode:3>off<tone:0><dcs:0><shift:4>none<offset:1>0",
               {0, 0, 0, 0, 0, 0, 0}}}) {
        EXPECT_TRUE(bridge.Execute(
            c.program, c.program == Program::Commander ? "DDEServer" : "HRD_CAT", c.command))
            << c.command;
        EXPECT_EQ(rig.Setup(), c.setup) << c.command;
    }
    EXPECT_TRUE(rig.calls.empty());  // frequency and mode are left alone
    EXPECT_EQ(*bridge.Request(Program::Commander, "DDEServer", "RigSetup"),
              "tone tsql dcs shift offset");

    // A radio without DCS and tone-squelch function: the rest is set, the command fails.
    rig.lacks = {Setting::DcsCode, Setting::ToneSquelchFunction};
    rig.settings.clear();
    EXPECT_TRUE(bridge.Execute(Program::HamRadioDeluxe, "HRD_CAT",
                               "xcvrsetup<tonemode:4>tsql<tone:4>88.5<shift:4>none"));
    EXPECT_FALSE(bridge.Execute(Program::HamRadioDeluxe, "HRD_CAT",
                                "xcvrsetup<tonemode:3>dcs<dcs:3>023<shift:5>minus"));
    constexpr long kNever = FakeRig::kNever;
    EXPECT_EQ(rig.Setup(), (std::vector<long>{0, 0, kNever, 0, kNever, -1, kNever}));
    EXPECT_EQ(log.back(), "the radio cannot set its DCS code");
    EXPECT_EQ(*bridge.Request(Program::HamRadioDeluxe, "HRD_CAT", "RigSetup"),
              "tone tsql shift offset");
    rig.fail = true;
    EXPECT_FALSE(
        bridge.Execute(Program::Commander, "DDEServer", "xcvrsetup<tonemode:3>off<shift:4>none"));
    EXPECT_FALSE(bridge.Execute(Program::Commander, "DDEServer", "xcvrsetup<tonemode:4>tone"));
}

TEST_F(RigBridge, TheModeGoesBeforeTheFrequencyAndRefusedCommandsLeaveTheRadio) {
    EXPECT_TRUE(bridge.Execute(Program::Commander, "DDEServer",
                               "000xcvrfreqmode<xcvrfreq:9>145500.00<xcvrmode:2>FM"));
    EXPECT_EQ(rig.calls, (std::vector<std::string>{"mode FM", "freq 145500000"}));
    // Ham Radio Deluxe is sent the frequency first: it goes again after the mode.
    rig.calls.clear();
    EXPECT_TRUE(bridge.Execute(Program::HamRadioDeluxe, "HRD_CAT", "freq 7050000"));
    EXPECT_TRUE(bridge.Execute(Program::HamRadioDeluxe, "HRD_CAT", "mode LSB"));
    EXPECT_TRUE(bridge.Execute(Program::HamRadioDeluxe, "HRD_CAT", "mode USB"));  // alone
    EXPECT_EQ(rig.calls,
              (std::vector<std::string>{"freq 7050000", "mode LSB", "freq 7050000", "mode USB"}));
    // Refused commands leave the radio alone.
    rig.calls.clear();
    const std::size_t logged = log.size();
    EXPECT_FALSE(bridge.Execute(Program::Commander, "CIV_CommanderUI",
                                "000xcvrfreqmode<xcvrfreq:9>145500.00"));
    EXPECT_FALSE(bridge.Execute(Program::Commander, "DDEServer", "000xcvrfreqmode<xcvrfreq:99>1"));
    EXPECT_FALSE(bridge.Execute(Program::HamRadioDeluxe, "HRD_CAT", "freq banana"));
    EXPECT_TRUE(rig.calls.empty());
    EXPECT_EQ(log.size(), logged + 3);
    rig.fail = true;
    EXPECT_FALSE(bridge.Execute(Program::HamRadioDeluxe, "HRD_CAT", "mode FM"));
    EXPECT_NE(log.back().find("rig is off"), std::string::npos);
}

TEST_F(RigBridge, ItemsAndTheirChanges) {
    EXPECT_EQ(*bridge.Request(Program::Commander, "CIV_CommanderUI", "freqdisplay"), "14074.00");
    EXPECT_EQ(*bridge.Request(Program::Commander, "DDEServer", "Mode"), "USB");
    EXPECT_EQ(*bridge.Request(Program::HamRadioDeluxe, "HRD_CAT", "HRD_HERTZ"), "14074000");
    EXPECT_EQ(*bridge.Request(Program::HamRadioDeluxe, "HRD_CAT", "HRD_RADIO"), "Hamlib Dummy");
    EXPECT_FALSE(bridge.Request(Program::HamRadioDeluxe, "HRD_CAT", "FreqDisplay"));
    EXPECT_FALSE(bridge.Request(Program::Commander, "HRD_CAT", "HRD_HERTZ"));
    EXPECT_TRUE(bridge.Poll().empty());
    rig.hz = 3573000;
    const auto changes = bridge.Poll();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].item + " " + changes[0].value, "FreqDisplay 3573.00");
    EXPECT_EQ(changes[1].value, "3573000");
    // A radio that stops answering is said once, and again when it is back.
    rig.fail = true;
    bridge.Poll();
    bridge.Poll();
    rig.fail = false;
    bridge.Poll();
    EXPECT_EQ(log, (std::vector<std::string>{"cannot read the radio: rig is off",
                                             "the radio answers again"}));
}

}  // namespace
}  // namespace bb::rigbridge
