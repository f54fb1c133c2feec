// The link to the two radio-control programs, DXLab Commander (server 0) and
// Ham Radio Deluxe (server 1): which of them counts as connected, the one
// retry after a failure, and the set-frequency-and-mode commands. Also this
// program's own two topics, where the programs announce that they started.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "support/dde.h"
#include "support/scheduler.h"
#include "support/timer.h"

namespace bb::radio {

namespace DDECommon {
// "<name:length>value"; empty for an empty name.
std::string EncodeField(std::string_view name, std::string_view value);
// "DXL", "HRD", or empty for any other server.
std::string ServerNickName(std::int16_t server);
}  // namespace DDECommon

// The settings besides frequency and mode, as the texts of bb-rigbridge's
// additive command.
struct ToneAndShift {
    std::string toneMode;  // "off", "tone", "tsql" or "dcs"
    std::string tone;      // hertz with a full stop ("88.5"); empty for none
    std::string dcs;       // three octal digits ("023"); empty for none
    std::string shift;     // "none", "plus" or "minus"
    std::string offset;    // whole hertz; empty leaves the radio's offset
};

struct SetupOutcome {
    bool offered = false;   // the program answers the item "RigSetup"
    std::string abilities;  // its answer: "tone tsql dcs shift offset", or part of it
    bool taken = false;     // the radio took every setting it has
};

// What became of a tune: sent and taken, not sent (the program is not
// connected), refused (the program or its radio did not take it), or no
// answer in time. The last two mark the program gone until it is reconnected.
enum class TuneResult { Taken, NotConnected, Refused, NoAnswer };

inline constexpr std::int16_t kCommander = 0;
inline constexpr std::int16_t kHamRadioDeluxe = 1;

class DDEClientModule;

// The hidden window that holds Commander's three conversations, the retry
// timer and the "DDEClient" topic.
class DDEClient {
  public:
    DDEClient(DDEClientModule& module, dde::Layer& layer, Timer& retryTimer);
    void Form_Load();
    // Cancel: true when the command is refused.
    void Form_LinkExecute(const std::string& command, bool& cancel);
    void ServerRetryTimer_Timer();

  private:
    // Its conversations are the module's to open, use and end.
    friend class DDEClientModule;
    std::unique_ptr<dde::Endpoint> DXL_Freq, DXL_Mode, DXL_DDECommand;
    Timer& ServerRetryTimer;
    DDEClientModule& module_;
};

// The hidden window that holds Ham Radio Deluxe's three conversations and
// the "HRD_CAT" topic.
class HRD_RADIO_000 {
  public:
    explicit HRD_RADIO_000(dde::Layer& layer);
    void Form_LinkExecute(const std::string& command, bool& cancel);

  private:
    friend class DDEClientModule;
    std::unique_ptr<dde::Endpoint> HRD_Hertz, HRD_Mode, HRD_DDECommand;
};

class DDEClientModule {
  public:
    // `service` is this program's own service name, its executable's name.
    // A program that announces itself waits for its answer and cannot
    // answer a link opened back to it meanwhile, so the connect runs from
    // the event loop through `scheduler`, after the answer. Without a
    // scheduler it runs at once.
    DDEClientModule(dde::Layer& layer, Timer& retryTimer, std::string service,
                    Scheduler* scheduler = nullptr);
    ~DDEClientModule();

    void Initialize();
    void CloseServers();
    void ConnectServer(std::int16_t server);
    void SetServerConnect(std::int16_t server, bool connected);
    // Error 9 for a server other than 0 or 1.
    bool IsServerConnected(std::int16_t server) const;
    std::string GetConnectedServers() const { return ConnectedServers; }
    TuneResult SendCommanderFreqMode(const std::string& frequencyKHz, const std::string& mode);
    TuneResult SendHamRadioDeluxeFreq(const std::string& frequencyHz, const std::string& mode);
    // Tone, tone squelch or DCS, repeater shift and offset, after a tune. Only
    // a program that answers the item "RigSetup" is sent them: the two
    // programs themselves see no new command.
    SetupOutcome SendToneAndShift(std::int16_t server, const ToneAndShift& settings);

    // The reconnect sweep of the main window's timer.
    void ReconnectSweep();

    // By server: a retry under way after a failure, and one waiting for the retry timer.
    const std::array<bool, 2>& Retrying() const { return ServerRetrying; }
    const std::array<bool, 2>& RetryPending() const { return ServerRetryPending; }

  private:
    friend class DDEClient;
    std::array<bool, 2> ServerConnected{};
    std::array<bool, 2> ServerRetrying{};
    std::array<bool, 2> ServerRetryPending{};
    std::string ConnectedServers;

    void OpenConversations(std::int16_t server);

    dde::Layer& layer_;
    Timer& retryTimer_;
    std::string service_;
    std::unique_ptr<DDEClient> client_;
    std::unique_ptr<HRD_RADIO_000> hrd_;
    Scheduler* scheduler_ = nullptr;
};

}  // namespace bb::radio
