// The alarm sound through Qt Multimedia. Playing starts and returns at once;
// a missing or broken file or a machine without a sound device plays
// nothing and reports nothing.
#pragma once

#include <QObject>
#include <filesystem>
#include <memory>

#include "support/sound.h"

class QSoundEffect;

namespace bb::platform {

class QtSound final : public SoundPlayer {
  public:
    QtSound();
    ~QtSound() override;
    void PlayAsync(const std::filesystem::path& file) override;
    int Started() const { return started_; }

  private:
    std::unique_ptr<QSoundEffect> effect_;
    std::filesystem::path source_;
    int started_ = 0;
};

}  // namespace bb::platform
