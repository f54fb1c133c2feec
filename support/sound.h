// Sound playback of a WAV file.
#pragma once

#include <filesystem>

namespace bb {

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Starts the sound and returns at once; plays nothing when the file is
    // missing or unreadable or there is no sound device.
    virtual void PlayAsync(const std::filesystem::path& file) = 0;
    // There is a sound device to play on.
    virtual bool Audible() const { return true; }
};

}  // namespace bb
