// The kept station list on disk: written whole, read back, a damaged file set aside.
#include "host/station_store.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "tests/fakes/fake_system.h"

namespace bb::hostapp {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kNow = 1796639400;

std::int64_t NoZone(std::int64_t) {
    return 0;
}

void Hear(StationList& list, const std::string& call, std::int64_t when) {
    aprs::Report r;
    r.name = call;
    r.hasPosition = true;
    r.latitude = 52;
    r.commentStart = 2;
    std::string changed;
    list.Take(r, "!x", when, changed);
}

TEST(StationStore, SavedWholeAndTakenBackAfterARestart) {
    testing::TempFolder t;
    StationStore store(t.path() / "state" / "beaconboard" / "stations");
    StationList list({52, 0}, &NoZone);
    Hear(list, "G4ABC", kNow - 10);
    Hear(list, "M0XYZ", kNow - 20);
    std::string why;
    ASSERT_TRUE(store.Save(list, why)) << why;
    // The bytes on disk are the list, and nothing is left beside them.
    EXPECT_EQ(testing::ReadFile(store.File()), list.Write());
    std::vector<std::string> files;
    for (const auto& f : fs::directory_iterator(t.path() / "state" / "beaconboard"))
        files.push_back(f.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"stations"});

    Hear(list, "2E0NEW", kNow);
    ASSERT_TRUE(store.Save(list, why));
    StationList restarted({52, 0}, &NoZone);
    std::string note;
    store.Load(restarted, kNow + 30, 3600, note);
    StationList later({52, 0}, &NoZone);
    store.Load(later, kNow - 20 + 3600, 3600, note);  // M0XYZ has expired meanwhile
    StationList empty({52, 0}, &NoZone);
    StationStore(t.path() / "none" / "stations").Load(empty, kNow, 3600, note);  // no file yet
    EXPECT_TRUE(note.empty()) << note;
    EXPECT_EQ(std::tuple(restarted.size(), later.size(), later.Find("M0XYZ"), empty.size()),
              std::tuple(3u, 2u, nullptr, 0u));

    // A place that cannot hold the file is told, and what is there stays.
    std::ofstream(t.path() / "folder") << "a file where the folder should be";
    StationStore blocked(t.path() / "folder" / "stations");
    EXPECT_FALSE(blocked.Save(list, why));
    EXPECT_NE(why.find((t.path() / "folder" / "stations").string()), std::string::npos) << why;
    EXPECT_EQ(testing::ReadFile(t.path() / "folder"), "a file where the folder should be");
}

// Tracks are kept after the list; a list without them still reads, damaged ones leave the stations.
TEST(StationStore, TracksAreKeptWithTheListAndAnOlderListStillReads) {
    testing::TempFolder t;
    StationStore store(t.path() / "stations");
    StationList list({52, 0}, &NoZone);
    StationHistory history;
    Hear(list, "G4MOV", kNow);
    Hear(list, "M0OLD", kNow);
    history.Moved("G4MOV", 52, 0, kNow - 600);
    history.Moved("G4MOV", 52.1, 0.1, kNow);
    history.Moved("GONE", 52, 1, kNow);  // no longer listed
    std::string why;
    ASSERT_TRUE(store.Save(list, &history, why)) << why;
    const std::string bytes = testing::ReadFile(store.File());
    EXPECT_EQ(bytes.find(list.Write()), 0u);
    const auto load = [&](StationList& into, StationHistory& tracks) {
        std::string note;
        store.Load(into, &tracks, kNow + 60, 3600, note);
        return note;
    };
    const struct {
        std::string file;
        std::size_t points;
        bool noted;
    } cases[] = {
        {bytes, 2, false}, {list.Write(), 0, false}, {bytes + "G4MOV\tnot a point\n", 0, true}};
    for (const auto& c : cases) {
        std::ofstream(store.File(), std::ios::binary | std::ios::trunc) << c.file;
        StationList back({52, 0}, &NoZone);
        StationHistory tracks;
        EXPECT_EQ(!load(back, tracks).empty(), c.noted) << c.file;
        EXPECT_EQ(back.size(), 2u);
        EXPECT_EQ(tracks.Track("G4MOV").size(), c.points);
        EXPECT_TRUE(tracks.Track("GONE").empty());
        if (c.points) {
            EXPECT_EQ(tracks.Track("G4MOV"), history.Track("G4MOV"));
        }
    }
}

// A track keeps its last points of the last day; a jump faster than travel begins a new one.
TEST(StationHistory, TracksAndPacketsStayInBounds) {
    StationHistory h;
    for (int i = 0; i < 600; ++i)
        h.Moved("G4MOV", 52 + i * 0.001, 0, kNow + i * 60);
    EXPECT_EQ(h.Track("G4MOV").size(), StationHistory::kTrackPoints);
    h.Moved("G4MOV", 52.601, 0, kNow + 599 * 60 + StationHistory::kTrackSeconds);
    EXPECT_EQ(h.Track("G4MOV").size(), 1u);  // the others are over a day old
    const struct {
        double lat;
        std::int64_t after;
        bool starts;
    } moves[] = {{52.70, 600, false},  // 11 km in 10 minutes
                 {53.70, 60, true},    // 111 km in a minute
                 {53.70, 0, false},    // the same again: no point
                 {53.71, 0, true}};    // in the same second
    std::int64_t at = kNow + 599 * 60 + StationHistory::kTrackSeconds;
    for (const auto& m : moves) {
        const std::size_t before = h.Track("G4MOV").size();
        h.Moved("G4MOV", m.lat, 0, at += m.after);
        const auto track = h.Track("G4MOV");
        if (track.size() == before) {
            EXPECT_EQ(m.lat, 53.70);
            continue;
        }
        EXPECT_EQ(track.back().starts, m.starts) << m.lat;
    }
    for (int i = 0; i < 15; ++i)
        h.Heard("G4MOV", "G4MOV>APRS:>" + std::to_string(i), kNow + i);
    const auto packets = h.Packets("G4MOV");
    ASSERT_EQ(packets.size(), StationHistory::kPacketsPerStation);
    EXPECT_EQ(packets.back().line, "G4MOV>APRS:>14");
    EXPECT_EQ(h.HeardCount("G4MOV"), 15u);
    // A track that would pass the bytes kept for tracks is not written.
    EXPECT_GT(h.WriteTracks().size(), 80u);
    EXPECT_EQ(h.WriteTracks(80), "");
}

// Not a list, or a damaged line: the good stations kept, the file set aside, the next save whole.
TEST(StationStore, ADamagedFileIsSetAsideAndItsGoodStationsKept) {
    StationList good({52, 0}, &NoZone);
    Hear(good, "G4ABC", kNow);
    const std::string list = good.Write();
    const struct {
        std::string text, said;
        std::size_t kept;
    } cases[] = {
        {"[Columns]\r\nVisible_1=TRUE\r\n", "was not read (not a station list", 0},
        {list + "M0BAD\t/>\t!x\n", "was read in part (line 3 is not a station", 1},
    };
    for (const auto& c : cases) {
        testing::TempFolder t;
        const fs::path file = t.path() / "stations";
        std::ofstream(file, std::ios::binary) << c.text;
        StationStore store(file);
        StationList heard({52, 0}, &NoZone);
        std::string note;
        store.Load(heard, kNow, 3600, note);
        EXPECT_EQ(heard.size(), c.kept);
        EXPECT_NE(note.find(c.said), std::string::npos) << note;
        EXPECT_NE(note.find("set aside as " + (t.path() / "stations.bad").string()),
                  std::string::npos)
            << note;
        EXPECT_EQ(testing::ReadFile(t.path() / "stations.bad"), c.text);
        EXPECT_FALSE(fs::exists(file));
        Hear(heard, "2E0NEW", kNow);
        std::string why;
        ASSERT_TRUE(store.Save(heard, why)) << why;
        StationList back({52, 0}, &NoZone);
        store.Load(back, kNow, 3600, note);
        EXPECT_TRUE(note.empty()) << note;
        EXPECT_EQ(back.size(), c.kept + 1);
    }
}

}  // namespace
}  // namespace bb::hostapp
