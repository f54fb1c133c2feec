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
    if (open_) rig_close(rig_);
    rig_cleanup(rig_);
}

bool HamlibRig::Check(int status, std::string& error) {
    if (status == RIG_OK) return true;
    error = rigerror(status);
    while (!error.empty() && (error.back() == '\n' || error.back() == '\r'))
        error.pop_back();
    return false;
}

bool HamlibRig::Open(std::string& error) {
    if (!rig_) {
        rig_ = rig_init(static_cast<rig_model_t>(model_));
        if (!rig_) {
            error = "Hamlib knows no rig model " + std::to_string(model_) + " (see rigctl -l)";
            return false;
        }
        if (!port_.empty() &&
            !Check(rig_set_conf(rig_, rig_token_lookup(rig_, "rig_pathname"), port_.c_str()),
                   error))
            return false;
        if (baud_ > 0 && !Check(rig_set_conf(rig_, rig_token_lookup(rig_, "serial_speed"),
                                             std::to_string(baud_).c_str()),
                                error))
            return false;
    }
    if (open_) return true;
    open_ = Check(rig_open(rig_), error);
    return open_;
}

bool HamlibRig::Ready(std::string& error) {
    return open_ || Open(error);
}

bool HamlibRig::SetMode(const std::string& mode, std::string& error) {
    if (!Ready(error)) return false;
    const rmode_t m = rig_parse_mode(mode.c_str());
    if (m == RIG_MODE_NONE) {
        error = "Hamlib knows no mode " + mode;
        return false;
    }
    if (Check(rig_set_mode(rig_, RIG_VFO_CURR, m, RIG_PASSBAND_NOCHANGE), error)) return true;
    rig_close(rig_);
    open_ = false;
    return false;
}

bool HamlibRig::SetFrequency(double hz, std::string& error) {
    if (!Ready(error)) return false;
    if (Check(rig_set_freq(rig_, RIG_VFO_CURR, hz), error)) return true;
    rig_close(rig_);
    open_ = false;
    return false;
}

bool HamlibRig::Read(double& hz, std::string& mode, std::string& error) {
    if (!Ready(error)) return false;
    freq_t f = 0;
    rmode_t m = RIG_MODE_NONE;
    pbwidth_t width = 0;
    if (!Check(rig_get_freq(rig_, RIG_VFO_CURR, &f), error) ||
        !Check(rig_get_mode(rig_, RIG_VFO_CURR, &m, &width), error)) {
        rig_close(rig_);
        open_ = false;
        return false;
    }
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
    if (!Ready(error)) return false;
    int status = RIG_OK;
    const auto tone = static_cast<tone_t>(value);
    switch (setting) {
        case Setting::CtcssTone:
            status = rig_set_ctcss_tone(rig_, RIG_VFO_CURR, tone);
            break;
        case Setting::CtcssSql:
            status = rig_set_ctcss_sql(rig_, RIG_VFO_CURR, tone);
            break;
        case Setting::DcsCode:
            status = rig_set_dcs_code(rig_, RIG_VFO_CURR, tone);
            break;
        case Setting::ToneFunction:
            status = rig_set_func(rig_, RIG_VFO_CURR, RIG_FUNC_TONE, value != 0);
            break;
        case Setting::ToneSquelchFunction:
            status = rig_set_func(rig_, RIG_VFO_CURR, RIG_FUNC_TSQL, value != 0);
            break;
        case Setting::Shift:
            status = rig_set_rptr_shift(rig_, RIG_VFO_CURR,
                                        value > 0   ? RIG_RPT_SHIFT_PLUS
                                        : value < 0 ? RIG_RPT_SHIFT_MINUS
                                                    : RIG_RPT_SHIFT_NONE);
            break;
        case Setting::Offset:
            status = rig_set_rptr_offs(rig_, RIG_VFO_CURR, value);
            break;
    }
    if (Check(status, error)) return true;
    // A radio that says no to one setting still answers; one that does not
    // answer is opened again before the next command.
    if (status != -RIG_ENIMPL && status != -RIG_ENAVAIL && status != -RIG_EINVAL &&
        status != -RIG_ERJCTED) {
        rig_close(rig_);
        open_ = false;
    }
    return false;
}

std::string HamlibRig::Name() const {
    if (!rig_ || !rig_->caps) return {};
    return std::string(rig_->caps->mfg_name) + " " + rig_->caps->model_name;
}

}  // namespace bb::rigbridge
