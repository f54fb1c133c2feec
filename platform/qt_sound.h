// The alarm sound through Qt Multimedia. Playing starts and returns at once;
// a missing file, or a machine without a sound device, plays nothing and
// reports nothing (the alarm tells of the missing device); a broken file
// plays nothing and is logged once.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "support/sound.h"

class QMediaDevices;
class QSoundEffect;

namespace bb::platform {

class QtSound final : public SoundPlayer {
  public:
    QtSound();
    ~QtSound() override;
    void PlayAsync(const std::filesystem::path& file) override;
    bool Audible() const override;
    int Started() const { return started_; }

  private:
    std::unique_ptr<QSoundEffect> effect_;
    // Whether a device plays, as last asked; asked again when the devices
    // change, and every half minute (a sound server may come meanwhile).
    mutable std::unique_ptr<QMediaDevices> devices_;
    mutable QElapsedTimer askedAt_;
    mutable bool audible_ = false;
    std::filesystem::path source_;
    int started_ = 0;
    std::set<std::string> unplayable_;
};

}  // namespace bb::platform
