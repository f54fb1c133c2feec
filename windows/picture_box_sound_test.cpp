// The picture box and the alarm sound on this machine's Qt.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <fstream>
#include <numbers>

#include "map/arrow.h"
#include "platform/qt_picture_box.h"
#include "platform/qt_sound.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/wait_for.h"

namespace bb::windows {
namespace {

QColor Pixel(const platform::QtPictureBox& box, int x, int y) {
    return box.Image().pixelColor(x, y);
}

TEST(QtPictureBox, TheArrowIsDrawnWhereTheGeometrySaysInItsColours) {
    platform::QtPictureBox box;
    box.resize(100, 60);
    Arrow::DrawDirectionArrow(box, std::numbers::pi / 2, platform::QtSystemColours());
    // Yellow ground, black fill, the red edge near the tip, nothing below the base.
    EXPECT_EQ(std::tuple(Pixel(box, 2, 2), Pixel(box, 50, 20), Pixel(box, 50, 3).red(),
                         Pixel(box, 50, 58)),
              std::tuple(QColor(255, 255, 0), QColor(0, 0, 0), 255, QColor(255, 255, 0)));
    // System colours come from the palette.
    const QColor base = QApplication::palette().color(QPalette::Base);
    EXPECT_EQ(platform::QtSystemColours().GetSysColor(5),
              base.red() | (base.green() << 8) | (base.blue() << 16));
}

TEST(QtSound, MissingFilesPlayNothingAndBrokenOnesAreLoggedOnce) {
    testing::FakeSystem sys;
    Common::Initialize();
    platform::QtSound sound;
    sound.PlayAsync(sys.folder.path() / "WAV" / "emergency_1.WAV");
    sound.PlayAsync({});
    sound.PlayAsync(sys.folder.path());  // what a failed file search leaves: the folder
    EXPECT_EQ(sound.Started(), 0);
    EXPECT_FALSE(std::filesystem::exists(sys.LogFilePath()));
    const auto broken = sys.folder.path() / "broken.WAV";
    std::ofstream(broken) << "RIFF this is not a sound";
    // Every rebuild with an emergency plays again; each call returns at once.
    const auto said = [&] {
        int n = 0;
        if (std::filesystem::exists(sys.LogFilePath()))
            for (const auto& line : sys.LogLines())
                n += line.find("Alarm sound not played: " + broken.string()) != std::string::npos;
        return n;
    };
    for (int i = 0; i < 3; ++i) {
        sound.PlayAsync(broken);
        ASSERT_TRUE(testing::WaitFor([&] { return said() > 0; }));
    }
    EXPECT_EQ(said(), 1) << sys.LogText();
}

TEST(AlarmTone, TheShippedFileIsPcmWaveOfAFewSeconds) {
    QFile f(BB_SOURCE_DATA "/WAV/emergency_1.WAV");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray d = f.readAll();
    ASSERT_GT(d.size(), 44);
    EXPECT_EQ(d.left(4) + d.mid(8, 8) + d.mid(36, 4), "RIFFWAVEfmt data");
    const auto u16 = [&](int at) {
        return static_cast<int>(static_cast<unsigned char>(d[at]) |
                                (static_cast<unsigned char>(d[at + 1]) << 8));
    };
    const auto u32 = [&](int at) {
        return static_cast<qint64>(u16(at)) | (static_cast<qint64>(u16(at + 2)) << 16);
    };
    EXPECT_EQ(u16(20), 1);  // PCM
    const qint64 rate = u32(24), bytesPerSecond = u32(28);
    EXPECT_GT(rate, 8000);
    const double seconds = static_cast<double>(u32(40)) / static_cast<double>(bytesPerSecond);
    EXPECT_GT(seconds, 0.5);
    EXPECT_LT(seconds, 10);
    EXPECT_EQ(u32(40) + 44, d.size());
}

}  // namespace
}  // namespace bb::windows
