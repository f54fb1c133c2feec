#include "host/station_store.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include "support/app_paths.h"
#include "support/whole_file.h"

namespace bb::hostapp {

namespace fs = std::filesystem;

namespace {

// A list larger than this was not written by bb-host (32767 stations of
// a few hundred bytes each, and the tracks' share).
constexpr std::uintmax_t kMaxFile = 64u << 20;
constexpr std::size_t kMaxTrackBytes = 32u << 20;
// The tracks follow the list after this line; a list without it has none.
constexpr std::string_view kTracksHeader = "bb-host tracks 1\n";

}  // namespace

fs::path DefaultStationsFile() {
    return UserFolder("XDG_STATE_HOME", ".local/state") / "stations";
}

void StationStore::Load(StationList& list, StationHistory* tracks, std::int64_t nowUnix,
                        std::int64_t maxAgeSeconds, std::string& note) {
    note.clear();
    std::error_code ec;
    if (!fs::exists(file_, ec)) return;
    std::string why;
    bool partly = false;  // good lines taken, damaged ones left out
    const std::uintmax_t size = fs::file_size(file_, ec);
    if (ec || size > kMaxFile) {
        why = ec ? ec.message() : "too large for a station list";
    } else {
        std::ifstream in(file_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        const std::string all = text.str();
        std::string_view stations = all, trackText;
        if (const auto at = stations.find("\n" + std::string(kTracksHeader));
            at != std::string_view::npos) {
            trackText = stations.substr(at + 1 + kTracksHeader.size());
            stations = stations.substr(0, at + 1);
        }
        if (!in && !in.eof()) {
            why = "cannot be read";
        } else if ((partly = list.Read(stations, nowUnix, maxAgeSeconds, why)) && why.empty()) {
            // Tracks that cannot be read go; the stations stay.
            std::string trackWhy;
            if (tracks && !tracks->ReadTracks(trackText, nowUnix, trackWhy))
                note = "the tracks in " + file_.string() + " were not read (" + trackWhy + ")";
            if (tracks)
                tracks->KeepOnly(
                    [&](const std::string& call) { return list.Find(call) != nullptr; });
            return;
        }
    }
    // Kept for the user to look at; the host starts with what it could read
    // (an empty list when nothing), and its next save writes a whole file.
    fs::path aside = file_;
    aside += ".bad";
    fs::rename(file_, aside, ec);
    note = "the station list " + file_.string() +
           (partly ? " was read in part (" : " was not read (") + why + ")" +
           (ec ? std::string("; it stays where it is") : "; it is set aside as " + aside.string());
}

bool StationStore::Save(const StationList& list, const StationHistory* tracks, std::string& why) {
    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    std::string text = list.Write();
    if (tracks) {
        const std::string kept = tracks->WriteTracks(kMaxTrackBytes);
        if (!kept.empty()) text += std::string(kTracksHeader) + kept;
    }
    ReplaceFailure failure;
    if (ReplaceFile(
            file_, 0600, [&](int fd) { return WriteAll(fd, text); }, failure))
        return true;
    why = (failure.created ? "cannot write " : "cannot create a file beside ") + file_.string() +
          ": " + std::strerror(failure.error);
    return false;
}

}  // namespace bb::hostapp
