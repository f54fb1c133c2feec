#include "radio/dde_client.h"

#include <gtest/gtest.h>

#include "support/diagnostic_log.h"
#include "tests/fakes/fake_dde.h"
#include "tests/fakes/fake_system.h"

namespace bb::radio {
namespace {

using testing::FakeDde;
using testing::FakeTimer;

class RadioLink : public ::testing::Test {
  protected:
    RadioLink() { Common::Initialize(); }
    testing::FakeSystem fs;
    FakeDde dde;
    FakeTimer timer;
    DDEClientModule radio{dde, timer, "Beaconboard"};
};

TEST_F(RadioLink, NeitherProgramRunningRetriesOnceThenOnlyTheSweepTries) {
    radio.Initialize();
    EXPECT_FALSE(radio.IsServerConnected(0) || radio.IsServerConnected(1));
    EXPECT_EQ(radio.GetConnectedServers(), "");
    EXPECT_TRUE(timer.enabled && timer.interval == 5000) << timer.interval;
    EXPECT_EQ(radio.RetryPending(), (std::array<bool, 2>{true, true}));

    dde.log.clear();
    timer.Fire();  // the one retry, for both
    EXPECT_FALSE(timer.enabled);
    EXPECT_EQ(std::count(dde.log.begin(), dde.log.end(), "link"), 2);
    EXPECT_EQ(radio.RetryPending(), (std::array<bool, 2>{false, false}));
    EXPECT_EQ(radio.Retrying(), (std::array<bool, 2>{false, false}));

    // The next failure after a failed retry schedules one retry again.
    radio.ReconnectSweep();
    EXPECT_TRUE(timer.enabled);
    EXPECT_EQ(radio.RetryPending(), (std::array<bool, 2>{true, true}));
    EXPECT_EQ(fs.LogText().find("program error"), std::string::npos);
    // A bad server number is logged and changes nothing.
    radio.SetServerConnect(5, true);
    EXPECT_NE(fs.LogText().find("program error 9 in module DDEClientModule.SetServerConnect"),
              std::string::npos);
    EXPECT_EQ(radio.GetConnectedServers(), "");
}

TEST_F(RadioLink, ProgramsComingAndGoingFollowTheSweep) {
    radio.Initialize();
    dde.StartHrd();
    radio.ReconnectSweep();
    EXPECT_EQ(radio.GetConnectedServers(), "HRD");
    dde.StartCommander();
    radio.ReconnectSweep();
    EXPECT_EQ(radio.GetConnectedServers(), "DXL,HRD");
    EXPECT_FALSE(radio.Retrying()[0]);
    dde.Stop("CI-V Commander");
    radio.ReconnectSweep();
    EXPECT_EQ(radio.GetConnectedServers(), "HRD");
    EXPECT_TRUE(radio.RetryPending()[0]);
    // A retry that succeeds clears the retry state.
    dde.StartCommander();
    timer.Fire();
    EXPECT_EQ(radio.GetConnectedServers(), "DXL,HRD");
    EXPECT_FALSE(radio.Retrying()[0]);
}

TEST_F(RadioLink, SendsToAMissingOrFailingProgram) {
    dde.StartHrd();
    radio.Initialize();
    timer.Fire();
    dde.log.clear();
    EXPECT_EQ(radio.SendCommanderFreqMode("7050.00", "LSB"), TuneResult::NotConnected);
    EXPECT_TRUE(dde.log.empty());

    // A refused first execute marks the program gone and skips the mode.
    dde.Topic("HRD_RADIO_000", "HRD_CAT").refuse = true;
    EXPECT_EQ(radio.SendHamRadioDeluxeFreq("7050000", "LSB"), TuneResult::Refused);
    EXPECT_EQ(dde.log, std::vector<std::string>{"execute freq 7050000"});
    EXPECT_TRUE(!radio.IsServerConnected(1) && radio.RetryPending()[1]);

    // A program that vanished mid-conversation, and one that hangs.
    dde.Topic("HRD_RADIO_000", "HRD_CAT").refuse = false;
    timer.Fire();
    ASSERT_TRUE(radio.IsServerConnected(1));
    dde.Stop("HRD_RADIO_000");
    EXPECT_EQ(radio.SendHamRadioDeluxeFreq("7050000", "LSB"), TuneResult::NoAnswer);
    EXPECT_FALSE(radio.IsServerConnected(1));
    dde.StartHrd();
    radio.ReconnectSweep();
    dde.Topic("HRD_RADIO_000", "HRD_CAT").hang = true;
    EXPECT_EQ(radio.SendHamRadioDeluxeFreq("7050000", "LSB"), TuneResult::NoAnswer);
    EXPECT_EQ(radio.GetConnectedServers(), "");
    EXPECT_EQ(fs.LogText().find("program error"), std::string::npos);
}

TEST_F(RadioLink, AnnouncementsOnOurTopics) {
    radio.Initialize();
    dde.StartHrd();
    dde.StartCommander();
    for (const char* bad : {"01start", "001stop", "st"})
        EXPECT_FALSE(dde.ExecuteOurs("Beaconboard", "DDEClient", bad)) << bad;
    EXPECT_EQ(radio.GetConnectedServers(), "");
    EXPECT_TRUE(dde.ExecuteOurs("Beaconboard", "DDEClient", "001Start"));
    EXPECT_EQ(radio.GetConnectedServers(), "HRD");
    EXPECT_TRUE(dde.ExecuteOurs("Beaconboard", "DDEClient", "002start"));
    EXPECT_EQ(radio.GetConnectedServers(), "HRD");
    EXPECT_TRUE(dde.ExecuteOurs("Beaconboard", "DDEClient", "000START"));
    EXPECT_EQ(radio.GetConnectedServers(), "DXL,HRD");
    EXPECT_TRUE(dde.ExecuteOurs("Beaconboard", "HRD_CAT", "anything at all"));

    radio.CloseServers();
    EXPECT_FALSE(dde.ExecuteOurs("Beaconboard", "DDEClient", "000start"));
    EXPECT_TRUE(dde.ExecuteOurs("Beaconboard", "HRD_CAT", "still answered"));
    EXPECT_FALSE(timer.enabled);
    radio.ReconnectSweep();  // after closing: nothing reopens, nothing breaks
}

TEST(DDECommon, EncodeFieldAndNickNames) {
    EXPECT_EQ(DDECommon::EncodeField("", "145.5"), "");
    EXPECT_EQ(DDECommon::EncodeField("xcvrmode", ""), "<xcvrmode:0>");
    EXPECT_EQ(DDECommon::EncodeField("x", std::string(12345, 'a')).substr(0, 9), "<x:12345>");
    EXPECT_EQ(DDECommon::ServerNickName(2) + DDECommon::ServerNickName(-1), "");
}

}  // namespace
}  // namespace bb::radio
