// Readers of files and dictionaries from outside: the settings file, a
// language file, a station dictionary from the host with entries missing or
// of the wrong type, bb-host's kept station list and its config file, and a
// map batch from the board.
#include <QVariant>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "bus/map_batch.h"
#include "bus/station_dict.h"
#include "fuzz/readers.h"
#include "host/command_line.h"
#include "host/station_list.h"
#include "support/error_trap.h"
#include "support/language.h"
#include "support/settings.h"
#include "tests/fakes/fake_language_menus.h"
#include "tests/fakes/fake_system.h"

namespace {

using namespace bb;

struct Columns final : ColumnVisibility {
    bool v[18] = {};
    int UpperBound() const override { return 17; }
    bool Visible(int c) const override { return v[c]; }
    void SetVisible(int c, bool on) override { v[c] = on; }
};

[[maybe_unused]] testing::FakeSystem& System() {
    static testing::FakeSystem fs;
    return fs;
}

[[maybe_unused]] void WriteInput(const std::filesystem::path& p, const std::uint8_t* data,
                                 std::size_t size) {
    std::ofstream(p, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void FuzzSettings(const std::uint8_t* data, std::size_t size) {
    const auto file = System().folder.path() / "Beaconboard.INI";
    WriteInput(file, data, size);
    testing::FakeLanguageMenus menus;
    clsLanguage language({System().folder.path()}, menus, [] { return std::string("t"); });
    Columns columns;
    SettingValues values;
    ReadSettings(SettingsBinding{file, &columns, &language, &values});
    WriteSettings(SettingsBinding{file, &columns, &language, &values});
}

void FuzzLanguage(const std::uint8_t* data, std::size_t size) {
    const auto file = System().folder.path() / "Fuzz.lf";
    WriteInput(file, data, size);
    testing::FakeLanguageMenus menus;
    clsLanguage language({}, menus, [] { return std::string("t"); });
    if (language.read_languageFile(file)) {
        for (const TranslationEntry& e : language.TranslationTable())
            language.lookup(e.key, "x");
    }
}

void FuzzStationDict(const std::uint8_t* data, std::size_t size) {
    // Entries by number from a fixed list of names, each of a type the bytes choose.
    static const char* kNames[] = {"Callsign",     "Symbol",       "Latitude",   "Longitude",
                                   "Course",       "Speed",        "Bearing",    "Distance",
                                   "BeaconText",   "CommentStart", "ReportDate", "StatusText",
                                   "FallbackDate", "Unknown"};
    QVariantMap dict;
    for (std::size_t i = 0; i + 2 <= size;) {
        const char* name = kNames[data[i] % (sizeof kNames / sizeof *kNames)];
        const int type = data[i + 1] % 7;
        i += 2;
        std::uint64_t raw = 0;
        for (int k = 0; k < 8 && i < size; ++k, ++i)
            raw = raw << 8 | data[i];
        QVariant v;
        switch (type) {
            case 0:
                v = QString::fromLatin1(reinterpret_cast<const char*>(&raw), 8);
                break;
            case 1:
                v = static_cast<int>(raw);
                break;
            case 2: {
                double d;
                std::memcpy(&d, &raw, sizeof d);
                v = d;
                break;
            }
            case 3:
                v = static_cast<bool>(raw & 1);
                break;
            case 4:
                v = static_cast<qlonglong>(raw);
                break;
            case 5:
                v = QVariant::fromValue<short>(static_cast<short>(raw));
                break;
            default:
                v = QVariantList{1, 2};
                break;
        }
        dict.insert(QString::fromLatin1(name), v);
    }
    HostStation s;
    bus::StationFromDict(dict, s);
}

void FuzzStationList(const std::uint8_t* data, std::size_t size) {
    // What it takes it lists and writes again, and that reads back whole.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    hostapp::StationList list({52, 0}, [](std::int64_t) { return std::int64_t{0}; });
    std::string why;
    if (list.Read(text, 1796639400, 3600, why)) {
        list.TakeLineSnapshot();
        hostapp::StationList back({52, 0}, [](std::int64_t) { return std::int64_t{0}; });
        if (!back.Read(list.Write(), 1796639400, 3600, why) || !why.empty() ||
            back.size() != list.size())
            __builtin_trap();
    }
}

void FuzzHostConf(const std::uint8_t* data, std::size_t size) {
    QStringList notes;
    hostapp::ConfigArguments(
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
        notes);
}

void FuzzMapBatch(const std::uint8_t* data, std::size_t size) {
    // The first byte splits the rest into the calls and their numbers.
    struct Null final : bus::MapDrawing {
        void Circle(double, double, double, std::int32_t) override {}
        void Line(double, double, double, double, std::int32_t) override {}
        void LineWidth(std::int32_t) override {}
        void DrawMode(std::int32_t) override {}
        void DrawColour(std::int32_t) override {}
    } drawing;
    if (size == 0) return;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = std::min<std::size_t>(data[0], rest.size());
    bus::ReadMapBatch(rest.substr(0, split), rest.substr(split), drawing);
}

}  // namespace

namespace bb::fuzz {

const std::vector<Reader>& FileReaders() {
    static const std::vector<Reader> readers = {
        {"settings", FuzzSettings},        {"language", FuzzLanguage},
        {"station_dict", FuzzStationDict}, {"station_list", FuzzStationList},
        {"host_conf", FuzzHostConf},       {"map_batch", FuzzMapBatch},
    };
    return readers;
}

}  // namespace bb::fuzz
