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
// a few hundred bytes each).
constexpr std::uintmax_t kMaxFile = 64u << 20;

}  // namespace

fs::path DefaultStationsFile() {
    return UserFolder("XDG_STATE_HOME", ".local/state") / "stations";
}

void StationStore::Load(StationList& list, std::int64_t nowUnix, std::int64_t maxAgeSeconds,
                        std::string& note) {
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
        if (!in && !in.eof())
            why = "cannot be read";
        else if ((partly = list.Read(text.str(), nowUnix, maxAgeSeconds, why)) && why.empty())
            return;
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

bool StationStore::Save(const StationList& list, std::string& why) {
    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    const std::string text = list.Write();
    ReplaceFailure failure;
    if (ReplaceFile(
            file_, 0600, [&](int fd) { return WriteAll(fd, text); }, failure))
        return true;
    why = (failure.created ? "cannot write " : "cannot create a file beside ") + file_.string() +
          ": " + std::strerror(failure.error);
    return false;
}

}  // namespace bb::hostapp
