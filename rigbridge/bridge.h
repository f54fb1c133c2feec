// What bb-rigbridge does with the commands of the two radio-control
// programs it answers as, plain C++: parse them, refuse what is malformed,
// and tune the radio, mode before frequency.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bb::rigbridge {

// What a repeater needs besides frequency and mode. Tones are in tenths of a
// hertz, a DCS code is its octal digits read as written (23 for "023"), the
// shift -1, 0 or +1, the offset in hertz, the two functions 0 or 1; 0 clears.
enum class Setting {
    CtcssTone,
    CtcssSql,
    DcsCode,
    ToneFunction,
    ToneSquelchFunction,
    Shift,
    Offset
};

// The radio, as far as the bridge needs it.
class Rig {
  public:
    virtual ~Rig() = default;
    // False with the reason when the radio did not take it.
    virtual bool SetMode(const std::string& mode, std::string& error) = 0;
    virtual bool SetFrequency(double hz, std::string& error) = 0;
    virtual bool Read(double& hz, std::string& mode, std::string& error) = 0;
    virtual std::string Name() const = 0;
    // Whether the radio has the setting at all.
    virtual bool Can(Setting setting) const = 0;
    virtual bool Set(Setting setting, long value, std::string& error) = 0;
};

// The board's additive command for the settings besides frequency and mode:
// "xcvrsetup<tonemode:4>tone<tone:4>88.5<dcs:0><shift:5>minus<offset:6>600000".
// Only bb-rigbridge takes it; the board sends it only where the item
// "RigSetup" answers, with the words of what the radio can set.
struct SetupCommand {
    enum class ToneMode { Off, Tone, ToneSquelch, Dcs };
    ToneMode mode = ToneMode::Off;
    long toneTenths = 0;
    long dcsCode = 0;
    long shift = 0;
    std::optional<long> offsetHz;  // nothing: the radio's offset stays
};
std::optional<SetupCommand> ParseSetupCommand(std::string_view command, std::string& why);

struct TuneCommand {
    std::optional<double> hz;
    std::optional<std::string> mode;
};

// "000xcvrfreqmode<xcvrfreq:9>145500.00<xcvrmode:2>FM": the frequency in kHz,
// the optional three-digit prefix and the mode field may be left out.
// Nothing, with the reason, when malformed.
std::optional<TuneCommand> ParseCommanderCommand(std::string_view command, std::string& why);
// "freq 145500000" (hertz) or "mode USB".
std::optional<TuneCommand> ParseHrdCommand(std::string_view command, std::string& why);
// A frequency text with "." or "," as the decimal point, above 0 and below 1 THz.
std::optional<double> ParseFrequency(std::string_view text, double unitHz);
// The mode name in capitals when the bridge knows it.
std::optional<std::string> ParseMode(std::string_view text);

enum class Program { Commander, HamRadioDeluxe };

struct Change {
    Program program;
    std::string topic, item, value;
};

class Bridge {
  public:
    Bridge(Rig& rig, std::function<void(const std::string&)> log)
        : rig_(rig), log_(std::move(log)) {}

    // True when the command was understood and the radio took it.
    bool Execute(Program program, std::string_view topic, std::string_view command);
    // The item's value; nothing when the topic has no such item.
    std::optional<std::string> Request(Program program, std::string_view topic,
                                       std::string_view item);
    // Reads the radio; the hot-link items whose value changed.
    std::vector<Change> Poll();
    // Sets what the radio has of the command, clearing what the command does
    // not ask for; true when every wanted setting was taken.
    bool Setup(const SetupCommand& c);
    // "tone tsql dcs shift offset", or as much of it as the radio has.
    std::string Abilities() const;

  private:
    bool Tune(const TuneCommand& c);
    void Refuse(std::string_view command, const std::string& why);

    Rig& rig_;
    std::function<void(const std::string&)> log_;
    double hz_ = 0;
    std::string mode_;
    bool known_ = false;
    bool readFailing_ = false;
    // The frequency of a "freq" that a "mode" may follow at once.
    std::optional<double> hrdFrequency_;
};

}  // namespace bb::rigbridge
