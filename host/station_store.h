// The station list kept over a restart: one file, written whole or not at
// all, read back at start-up. A file that is not such a list is set aside
// (never fatal, never overwritten unseen).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "host/station_history.h"
#include "host/station_list.h"

namespace bb::hostapp {

// $XDG_STATE_HOME/beaconboard/stations (~/.local/state/beaconboard/stations).
std::filesystem::path DefaultStationsFile();

class StationStore {
  public:
    explicit StationStore(std::filesystem::path file) : file_(std::move(file)) {}
    const std::filesystem::path& File() const { return file_; }

    // Takes what the file holds into `list`. No file is an empty list.
    // `note` says what happened when the user should know: a file set aside.
    void Load(StationList& list, std::int64_t nowUnix, std::int64_t maxAgeSeconds,
              std::string& note) {
        Load(list, nullptr, nowUnix, maxAgeSeconds, note);
    }
    // The same, and the tracks kept with the list into `tracks`; a list
    // written without tracks reads as before.
    void Load(StationList& list, StationHistory* tracks, std::int64_t nowUnix,
              std::int64_t maxAgeSeconds, std::string& note);
    // Writes the list to a file of its own beside the old one and puts it in
    // its place, so a crash leaves the old list or the new, never half of one.
    bool Save(const StationList& list, std::string& why) { return Save(list, nullptr, why); }
    // The same with the stations' tracks after the list.
    bool Save(const StationList& list, const StationHistory* tracks, std::string& why);

  private:
    std::filesystem::path file_;
};

}  // namespace bb::hostapp
