#include "radio/dde_client.h"

#include <cctype>

#include "support/diagnostic_log.h"
#include "support/error_trap.h"

namespace bb::radio {
namespace {

constexpr int kRetryMs = 5000;
constexpr std::string_view kCommanderUi = "CI-V Commander|CIV_CommanderUI";
constexpr std::string_view kCommanderServer = "CI-V Commander|DDEServer";
constexpr std::string_view kHrdCat = "HRD_RADIO_000|HRD_CAT";

std::size_t ServerIndex(std::int16_t server) {
    if (server != kCommander && server != kHamRadioDeluxe)
        Raise(err::kSubscript, "server " + std::to_string(server));
    return static_cast<std::size_t>(server);
}

// A hot link: item, then topic, then the link.
void OpenHotLink(dde::Endpoint& e, std::string_view topic, std::string_view item) {
    e.SetLinkItem(item);
    e.SetLinkTopic(topic);
    e.SetLinkMode(dde::LinkMode::Automatic);
}

// The command link: topic, then item, then the link.
void OpenCommandLink(dde::Endpoint& e, std::string_view topic, std::string_view item) {
    e.SetLinkTopic(topic);
    e.SetLinkItem(item);
    e.SetLinkMode(dde::LinkMode::Automatic);
}

void EndLink(dde::Endpoint* e) {
    if (e) TrapWith([&] { e->SetLinkMode(dde::LinkMode::None); }, [](std::int16_t) {});
}

// Characters 1 to 3 as a whole number: blanks around it and a sign allowed.
bool LeadingServerNumber(std::string_view command, std::int16_t& number) {
    if (command.size() < 3) return false;
    std::string_view s = command.substr(0, 3);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return false;
    int value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    number = static_cast<std::int16_t>(negative ? -value : value);
    return true;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

namespace DDECommon {

std::string EncodeField(std::string_view name, std::string_view value) {
    std::string result;
    Trap("DDECommon.EncodeField", [&] {
        if (name.empty()) return;
        result =
            "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + std::string(value);
    });
    return result;
}

std::string ServerNickName(std::int16_t server) {
    std::string result;
    Trap("DDECommon.ServerNickName", [&] {
        if (server == kCommander) result = "DXL";
        if (server == kHamRadioDeluxe) result = "HRD";
    });
    return result;
}

}  // namespace DDECommon

DDEClient::DDEClient(DDEClientModule& module, dde::Layer& layer, Timer& retryTimer)
    : DXL_Freq(layer.NewEndpoint()),
      DXL_Mode(layer.NewEndpoint()),
      DXL_DDECommand(layer.NewEndpoint()),
      ServerRetryTimer(retryTimer),
      module_(module) {}

void DDEClient::Form_Load() {
    Trap("DDEClient.Form_Load", [&] {
        ServerRetryTimer.SetEnabled(false);
        ServerRetryTimer.SetInterval(kRetryMs);
        ServerRetryTimer.SetTick([this] { ServerRetryTimer_Timer(); });
        const bool offered =
            module_.layer_.ServeTopic(module_.service_, "DDEClient", [this](const std::string& c) {
                bool cancel = true;
                Form_LinkExecute(c, cancel);
                return !cancel;
            });
        if (!offered)
            WriteErrorLog("DDEClient.Form_Load: the topic DDEClient of " + module_.service_ +
                          " could not be offered; the radio programs cannot announce themselves");
    });
}

void DDEClient::Form_LinkExecute(const std::string& command, bool& cancel) {
    cancel = true;
    std::int16_t server = 0;
    if (!LeadingServerNumber(command, server)) return;
    if (Lower(std::string_view(command).substr(3)) != "start") return;
    cancel = false;
    if (!module_.scheduler_) {
        module_.ConnectServer(server);
        return;
    }
    DDEClientModule* module = &module_;
    module_.scheduler_->Later(0, [module, server] { module->ConnectServer(server); });
}

void DDEClient::ServerRetryTimer_Timer() {
    Trap("DDEClient.ServerRetryTimer_Timer", [&] {
        ServerRetryTimer.SetEnabled(false);
        for (std::int16_t s : {kCommander, kHamRadioDeluxe}) {
            const auto i = static_cast<std::size_t>(s);
            if (!module_.ServerRetryPending[i]) continue;
            module_.ServerRetryPending[i] = false;
            module_.ServerRetrying[i] = true;
            module_.ConnectServer(s);
        }
    });
}

HRD_RADIO_000::HRD_RADIO_000(dde::Layer& layer)
    : HRD_Hertz(layer.NewEndpoint()),
      HRD_Mode(layer.NewEndpoint()),
      HRD_DDECommand(layer.NewEndpoint()) {}

void HRD_RADIO_000::Form_LinkExecute(const std::string&, bool& cancel) {
    Trap("HRD_RADIO_000.Form_LinkExecute", [&] { cancel = false; });
}

DDEClientModule::DDEClientModule(dde::Layer& layer, Timer& retryTimer, std::string service,
                                 Scheduler* scheduler)
    : layer_(layer), retryTimer_(retryTimer), service_(std::move(service)), scheduler_(scheduler) {}

DDEClientModule::~DDEClientModule() {
    CloseServers();
    if (hrd_) {
        layer_.StopTopic(service_, "HRD_CAT");
        EndLink(hrd_->HRD_Hertz.get());
        EndLink(hrd_->HRD_Mode.get());
        EndLink(hrd_->HRD_DDECommand.get());
    }
}

void DDEClientModule::Initialize() {
    Trap("DDEClientmodule.Initialize", [&] {
        if (!client_) {
            client_ = std::make_unique<DDEClient>(*this, layer_, retryTimer_);
            client_->Form_Load();
        }
        if (!hrd_) {
            hrd_ = std::make_unique<HRD_RADIO_000>(layer_);
            if (!layer_.ServeTopic(service_, "HRD_CAT", [this](const std::string& c) {
                    bool cancel = true;
                    hrd_->Form_LinkExecute(c, cancel);
                    return !cancel;
                }))
                WriteErrorLog("HRD_RADIO_000.Form_Load: the topic HRD_CAT of " + service_ +
                              " could not be offered");
        }
        ServerConnected = {};
        ServerRetrying = {};
        ServerRetryPending = {};
        ConnectedServers.clear();
        ConnectServer(kCommander);
        ConnectServer(kHamRadioDeluxe);
    });
}

void DDEClientModule::CloseServers() {
    if (!client_) return;
    layer_.StopTopic(service_, "DDEClient");
    retryTimer_.SetEnabled(false);
    retryTimer_.SetTick(nullptr);
    EndLink(client_->DXL_Freq.get());
    EndLink(client_->DXL_Mode.get());
    EndLink(client_->DXL_DDECommand.get());
    client_.reset();
}

void DDEClientModule::OpenConversations(std::int16_t server) {
    if (server == kCommander) {
        OpenHotLink(*client_->DXL_Freq, kCommanderUi, "FreqDisplay");
        OpenHotLink(*client_->DXL_Mode, kCommanderServer, "Mode");
        OpenCommandLink(*client_->DXL_DDECommand, kCommanderServer, "DDECommand");
    } else {
        OpenHotLink(*hrd_->HRD_Hertz, kHrdCat, "HRD_HERTZ");
        OpenHotLink(*hrd_->HRD_Mode, kHrdCat, "HRD_MODE");
        OpenCommandLink(*hrd_->HRD_DDECommand, kHrdCat, "HRD_RADIO");
    }
}

void DDEClientModule::ConnectServer(std::int16_t server) {
    if (server != kCommander && server != kHamRadioDeluxe) return;
    // Once the servers are closed there is nothing to open the links with.
    if (!client_ || !hrd_) return;
    TrapWith(
        [&] {
            OpenConversations(server);
            SetServerConnect(server, true);
        },
        [&](std::int16_t) { SetServerConnect(server, false); });
}

void DDEClientModule::SetServerConnect(std::int16_t server, bool connected) {
    Trap("DDEClientModule.SetServerConnect", [&] {
        const std::size_t i = ServerIndex(server);
        ServerConnected[i] = connected;
        std::string list;
        for (std::int16_t s : {kCommander, kHamRadioDeluxe})
            if (IsServerConnected(s)) list += DDECommon::ServerNickName(s) + ",";
        if (!list.empty()) list.pop_back();
        ConnectedServers = list;
        if (connected) {
            ServerRetrying[i] = false;
        } else if (ServerRetrying[i]) {
            ServerRetrying[i] = false;  // the failed attempt was the retry
        } else {
            ServerRetryPending[i] = true;
            TrapWith([&] { retryTimer_.SetEnabled(true); }, [](std::int16_t) {});
        }
    });
}

bool DDEClientModule::IsServerConnected(std::int16_t server) const {
    return ServerConnected[ServerIndex(server)];
}

namespace {

TuneResult FailedTune(std::int16_t number) {
    return number == err::kDdeRefused ? TuneResult::Refused : TuneResult::NoAnswer;
}

}  // namespace

TuneResult DDEClientModule::SendCommanderFreqMode(const std::string& frequencyKHz,
                                                  const std::string& mode) {
    TuneResult result = TuneResult::NotConnected;
    TrapWith(
        [&] {
            if (!IsServerConnected(kCommander) || !client_) return;
            const std::string command = "000xcvrfreqmode" +
                                        DDECommon::EncodeField("xcvrfreq", frequencyKHz) +
                                        DDECommon::EncodeField("xcvrmode", mode);
            client_->DXL_DDECommand->LinkExecute(command);
            result = TuneResult::Taken;
        },
        [&](std::int16_t number) {
            result = FailedTune(number);
            SetServerConnect(kCommander, false);
        });
    return result;
}

TuneResult DDEClientModule::SendHamRadioDeluxeFreq(const std::string& frequencyHz,
                                                   const std::string& mode) {
    TuneResult result = TuneResult::NotConnected;
    TrapWith(
        [&] {
            if (!IsServerConnected(kHamRadioDeluxe) || !hrd_) return;
            hrd_->HRD_DDECommand->LinkExecute("freq " + frequencyHz);
            // The mode the user chose, not always FM.
            if (!mode.empty()) hrd_->HRD_DDECommand->LinkExecute("mode " + mode);
            result = TuneResult::Taken;
        },
        [&](std::int16_t number) {
            result = FailedTune(number);
            SetServerConnect(kHamRadioDeluxe, false);
        });
    return result;
}

SetupOutcome DDEClientModule::SendToneAndShift(std::int16_t server, const ToneAndShift& s) {
    SetupOutcome out;
    TrapWith(
        [&] {
            if (!IsServerConnected(server)) return;
            dde::Endpoint* e = server == kCommander
                                   ? (client_ ? client_->DXL_DDECommand.get() : nullptr)
                                   : (hrd_ ? hrd_->HRD_DDECommand.get() : nullptr);
            if (!e) return;
            out.abilities = e->LinkRequest("RigSetup");
            out.offered = true;
            e->LinkExecute("xcvrsetup" + DDECommon::EncodeField("tonemode", s.toneMode) +
                           DDECommon::EncodeField("tone", s.tone) +
                           DDECommon::EncodeField("dcs", s.dcs) +
                           DDECommon::EncodeField("shift", s.shift) +
                           DDECommon::EncodeField("offset", s.offset));
            out.taken = true;
        },
        [&](std::int16_t number) {
            // A program without the item is simply not sent the command; one
            // that took the request and then did not answer has gone.
            if (out.offered && number != err::kDdeRefused) SetServerConnect(server, false);
        });
    return out;
}

void DDEClientModule::ReconnectSweep() {
    ConnectServer(kCommander);
    ConnectServer(kHamRadioDeluxe);
}

}  // namespace bb::radio
