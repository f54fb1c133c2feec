// The kept station list on disk: written whole, read back, and a file that
// is not one set aside.
#include "host/station_store.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "tests/fakes/fake_system.h"

namespace bb::hostapp {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kNow = 1796639400;

std::int64_t NoZone(std::int64_t) {
    return 0;
}

std::string Read(const fs::path& f) {
    std::ifstream in(f, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
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
    EXPECT_EQ(Read(store.File()), list.Write());
    std::vector<std::string> files;
    for (const auto& f : fs::directory_iterator(t.path() / "state" / "beaconboard"))
        files.push_back(f.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"stations"});

    Hear(list, "2E0NEW", kNow);
    ASSERT_TRUE(store.Save(list, why));
    StationList restarted({52, 0}, &NoZone);
    std::string note;
    store.Load(restarted, kNow + 30, 3600, note);
    EXPECT_TRUE(note.empty()) << note;
    EXPECT_EQ(restarted.size(), 3u);
    StationList later({52, 0}, &NoZone);
    store.Load(later, kNow - 20 + 3600, 3600, note);  // M0XYZ has expired meanwhile
    EXPECT_EQ(later.size(), 2u);
    EXPECT_EQ(later.Find("M0XYZ"), nullptr);

    // No file yet: an empty list, nothing said.
    StationStore none(t.path() / "none" / "stations");
    StationList empty({52, 0}, &NoZone);
    none.Load(empty, kNow, 3600, note);
    EXPECT_TRUE(note.empty());
    EXPECT_EQ(empty.size(), 0u);
}

// A file that is not a list, or a list with a damaged line: the host starts
// with the good stations, the file is set aside for the user, and the next
// save writes a whole list in its place.
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
        EXPECT_EQ(Read(t.path() / "stations.bad"), c.text);
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

TEST(StationStore, APlaceThatCannotHoldTheFileIsToldAndTheOldListStays) {
    testing::TempFolder t;
    std::ofstream(t.path() / "folder") << "a file where the folder should be";
    StationStore store(t.path() / "folder" / "stations");
    StationList list({52, 0}, &NoZone);
    Hear(list, "G4ABC", kNow);
    std::string why;
    EXPECT_FALSE(store.Save(list, why));
    EXPECT_NE(why.find((t.path() / "folder" / "stations").string()), std::string::npos) << why;
    EXPECT_EQ(Read(t.path() / "folder"), "a file where the folder should be");
}

}  // namespace
}  // namespace bb::hostapp
