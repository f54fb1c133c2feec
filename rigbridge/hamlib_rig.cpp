#include "rigbridge/hamlib_rig.h"

#include <hamlib/rig.h>

#include <clocale>

namespace bb::rigbridge {

HamlibRig::HamlibRig(int model, std::string port, int baud)
    : model_(model), port_(std::move(port)), baud_(baud) {
    rig_set_debug(RIG_DEBUG_NONE);
    // Hamlib writes numbers to the radio and to rigctld with printf, which
    // would use a decimal comma in some regions; and it saves and restores
    // the number locale around rig_open by a name that the restore frees
    // while reading it unless the locale is the built-in "C". The bridge
    // formats nothing by the user's locale itself.
    std::setlocale(LC_NUMERIC, "C");
}

HamlibRig::~HamlibRig() {
    if (!rig_) return;
    Close();
    rig_cleanup(rig_);
}

bool HamlibRig::Check(int status, std::string& error) {
    if (status == RIG_OK) return true;
    // rigerror() adds Hamlib's debug history (kilobytes) to the text: the reason alone.
    error = rigerror2(status);
    while (!error.empty() && (error.back() == '\n' || error.back() == '\r'))
        error.pop_back();
    return false;
}

int HamlibRig::Opened(std::string& error) {
    if (open_) return RIG_OK;
    if (!rig_) {
        rig_ = rig_init(static_cast<rig_model_t>(model_));
        if (!rig_) {
            error = "Hamlib knows no rig model " + std::to_string(model_) + " (see rigctl -l)";
            return -RIG_EINVAL;
        }
        int status = port_.empty() ? RIG_OK
                                   : rig_set_conf(rig_, rig_token_lookup(rig_, "rig_pathname"),
                                                  port_.c_str());
        if (status == RIG_OK && baud_ > 0)
            status = rig_set_conf(rig_, rig_token_lookup(rig_, "serial_speed"),
                                  std::to_string(baud_).c_str());
        if (!Check(status, error)) {
            rig_cleanup(rig_);
            rig_ = nullptr;
            return status;
        }
    }
    const int status = rig_open(rig_);
    open_ = Check(status, error);
    return status;
}

bool HamlibRig::Open(std::string& error) {
    return Opened(error) == RIG_OK;
}

void HamlibRig::Close() {
    if (open_) rig_close(rig_);
    open_ = false;
}

namespace {

// The radio answered and said no: the link is sound and stays open.
bool Refused(int status) {
    return status == -RIG_ENIMPL || status == -RIG_ENAVAIL || status == -RIG_EINVAL ||
           status == -RIG_ERJCTED;
}

// The link itself went (rigctld restarted, a cable pulled and put back): a
// fresh one may well work at once. A radio that did not answer in time is
// not asked twice, or a hung radio would keep the board waiting twice over.
bool LinkLost(int status) {
    return status == -RIG_EIO || status == -RIG_EPROTO || status == -RIG_BUSERROR;
}

}  // namespace

bool HamlibRig::Run(const std::function<int()>& command, std::string& error) {
    for (int attempt = 0;; ++attempt) {
        int status = Opened(error);
        if (status == RIG_OK) {
            status = command();
            if (Check(status, error)) return true;
            if (Refused(status)) return false;
        }
        Close();
        if (attempt > 0 || !LinkLost(status)) return false;
    }
}

bool HamlibRig::SetMode(const std::string& mode, std::string& error) {
    const rmode_t m = rig_parse_mode(mode.c_str());
    if (m == RIG_MODE_NONE) {
        error = "Hamlib knows no mode " + mode;
        return false;
    }
    return Run([&] { return rig_set_mode(rig_, RIG_VFO_CURR, m, RIG_PASSBAND_NOCHANGE); }, error);
}

bool HamlibRig::SetFrequency(double hz, std::string& error) {
    return Run([&] { return rig_set_freq(rig_, RIG_VFO_CURR, hz); }, error);
}

bool HamlibRig::Read(double& hz, std::string& mode, std::string& error) {
    freq_t f = 0;
    rmode_t m = RIG_MODE_NONE;
    pbwidth_t width = 0;
    if (!Run(
            [&] {
                const int status = rig_get_freq(rig_, RIG_VFO_CURR, &f);
                return status != RIG_OK ? status : rig_get_mode(rig_, RIG_VFO_CURR, &m, &width);
            },
            error))
        return false;
    hz = f;
    mode = rig_strrmode(m);
    return true;
}

bool HamlibRig::Can(Setting setting) const {
    if (!rig_ || !rig_->caps) return false;
    const rig_caps& c = *rig_->caps;
    switch (setting) {
        case Setting::CtcssTone:
            return c.set_ctcss_tone != nullptr;
        case Setting::CtcssSql:
            return c.set_ctcss_sql != nullptr;
        case Setting::DcsCode:
            return c.set_dcs_code != nullptr;
        case Setting::ToneFunction:
            return rig_has_set_func(rig_, RIG_FUNC_TONE) != 0;
        case Setting::ToneSquelchFunction:
            return rig_has_set_func(rig_, RIG_FUNC_TSQL) != 0;
        case Setting::Shift:
            return c.set_rptr_shift != nullptr;
        case Setting::Offset:
            return c.set_rptr_offs != nullptr;
    }
    return false;
}

bool HamlibRig::Set(Setting setting, long value, std::string& error) {
    const auto tone = static_cast<tone_t>(value);
    return Run(
        [&] {
            switch (setting) {
                case Setting::CtcssTone:
                    return rig_set_ctcss_tone(rig_, RIG_VFO_CURR, tone);
                case Setting::CtcssSql:
                    return rig_set_ctcss_sql(rig_, RIG_VFO_CURR, tone);
                case Setting::DcsCode:
                    return rig_set_dcs_code(rig_, RIG_VFO_CURR, tone);
                case Setting::ToneFunction:
                    return rig_set_func(rig_, RIG_VFO_CURR, RIG_FUNC_TONE, value != 0);
                case Setting::ToneSquelchFunction:
                    return rig_set_func(rig_, RIG_VFO_CURR, RIG_FUNC_TSQL, value != 0);
                case Setting::Shift:
                    return rig_set_rptr_shift(rig_, RIG_VFO_CURR,
                                              value > 0   ? RIG_RPT_SHIFT_PLUS
                                              : value < 0 ? RIG_RPT_SHIFT_MINUS
                                                          : RIG_RPT_SHIFT_NONE);
                case Setting::Offset:
                    return rig_set_rptr_offs(rig_, RIG_VFO_CURR, value);
            }
            return -RIG_EINVAL;
        },
        error);
}

std::string HamlibRig::Name() const {
    if (!rig_ || !rig_->caps) return {};
    return std::string(rig_->caps->mfg_name) + " " + rig_->caps->model_name;
}

}  // namespace bb::rigbridge
