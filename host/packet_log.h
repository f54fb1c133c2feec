// The packets heard from a live source, each with the time it was heard, in
// a file a day that --feed replays; old days removed at start.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace bb::hostapp {

// $XDG_STATE_HOME/beaconboard/packets (~/.local/state/beaconboard/packets).
std::filesystem::path DefaultPacketLogFolder();

class PacketLog {
  public:
    explicit PacketLog(std::filesystem::path folder) : folder_(std::move(folder)) {}
    ~PacketLog();
    PacketLog(const PacketLog&) = delete;
    PacketLog& operator=(const PacketLog&) = delete;

    // Appends "YYYY-MM-DDTHH:MM:SSZ packet" to the file of the day (UTC) it
    // was heard, YYYY-MM-DD.tnc2. False with the reason when it cannot.
    bool Write(std::string_view packet, std::int64_t heardUnix, std::string& why);
    // Removes the day files in `folder` of days more than `days` before
    // `nowUnix`; other files are left alone. Gives how many went.
    static int RemoveOld(const std::filesystem::path& folder, int days, std::int64_t nowUnix);

  private:
    std::filesystem::path folder_;
    std::string day_;  // the open file's day
    int fd_ = -1;
};

}  // namespace bb::hostapp
