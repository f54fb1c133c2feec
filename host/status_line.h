// The status line bb-host writes on standard error: written when it says
// something new, and at most once a minute, so a quiet host stays quiet.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace bb::hostapp {

class StatusLine {
  public:
    static constexpr std::int64_t kGapMs = 60000;

    // True when `text` is to be written now (`nowMs` on a steady clock).
    bool Due(const QString& text, std::int64_t nowMs) {
        if (text == written_) return false;
        if (writtenAtMs_ && nowMs - *writtenAtMs_ < kGapMs) return false;
        written_ = text;
        writtenAtMs_ = nowMs;
        return true;
    }

  private:
    QString written_;
    std::optional<std::int64_t> writtenAtMs_;
};

}  // namespace bb::hostapp
