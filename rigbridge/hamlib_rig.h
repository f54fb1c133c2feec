// The radio through Hamlib: any model and port Hamlib knows, rigctld over
// the network included (model 2).
#pragma once

#include <functional>
#include <string>

#include "rigbridge/bridge.h"

struct s_rig;

namespace bb::rigbridge {

class HamlibRig final : public Rig {
  public:
    // `port` is a device ("/dev/ttyUSB0") or, for network models, host:port;
    // empty keeps Hamlib's default. `baud` 0 keeps the model's default.
    HamlibRig(int model, std::string port, int baud);
    ~HamlibRig() override;
    HamlibRig(const HamlibRig&) = delete;
    HamlibRig& operator=(const HamlibRig&) = delete;

    bool Open(std::string& error);
    bool SetMode(const std::string& mode, std::string& error) override;
    bool SetFrequency(double hz, std::string& error) override;
    bool Read(double& hz, std::string& mode, std::string& error) override;
    std::string Name() const override;
    bool Can(Setting setting) const override;
    bool Set(Setting setting, long value, std::string& error) override;

  private:
    // Opens the radio unless it is open: Hamlib's status, the reason in `error`.
    int Opened(std::string& error);
    bool Check(int status, std::string& error);
    // Runs a Hamlib command on the open radio; a link that was lost, on the
    // command or on opening, is made afresh and the command tried once more.
    bool Run(const std::function<int()>& command, std::string& error);
    void Close();

    int model_;
    std::string port_;
    int baud_;
    s_rig* rig_ = nullptr;
    bool open_ = false;
};

}  // namespace bb::rigbridge
