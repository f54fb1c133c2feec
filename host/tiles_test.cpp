// The map's tiles against a tile server on 127.0.0.1.
#include "host/tiles.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <chrono>
#include <cmath>
#include <fstream>

#include "host/map_window.h"
#include "tests/fakes/fake_scheduler.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/text_fit.h"
#include "tests/fakes/tile_server.h"
#include "tests/fakes/wait_for.h"

namespace bb::hostapp {
namespace {

constexpr double kMarkLat = 51.9, kMarkLon = 0.5;

using testing::WaitFor;

bool IsMark(QColor c) {
    return c.red() > 200 && c.green() < 80 && c.blue() < 80;
}

// The requests that carry `header` (name and colon, any case).
int Carrying(const testing::TileServer& server, const char* header) {
    return static_cast<int>(
        std::count_if(server.heads.begin(), server.heads.end(), [&](const QByteArray& head) {
            return head.toLower().contains("\n" + QByteArray(header).toLower());
        }));
}

class Tiles : public ::testing::Test {
  protected:
    // Home (the map's centre, with its cross) a little way from the mark.
    Tiles()
        : host({HomePosition{kMarkLat + 0.02, kMarkLon - 0.025}, 60, false}), window(host, clock) {
        window.resize(500, 400);
        window.show();
        QApplication::processEvents();
    }
    MapView& View() { return window.View(); }
    QColor At(QPointF p) { return View().Composed().pixelColor(p.toPoint()); }
    QPointF Mark() { return View().ToPixel(kMarkLon * 60, kMarkLat * 60); }
    // Every tile the map shows has come (or failed).
    bool Settled(const TileLoader& loader, const testing::TileServer& server) {
        return WaitFor([&] {
            QApplication::processEvents();
            return IsMark(At(Mark())) && server.requests == loader.RequestsMade() && loader.Idle();
        });
    }

    testing::TempFolder folder;
    HostService host;
    testing::FakeScheduler clock;
    MapWindow window;
};

// Also: the program is named, two requests at most, only what the map shows.
TEST_F(Tiles, APositionLandsOnItsPlaceInTheTilesAtEveryZoomAndPan) {
    testing::TileServer server(kMarkLat, kMarkLon, 60);
    TilePolicy policy;
    policy.contact = QStringLiteral("https://example.org/g0abc");
    TileLoader loader(server.Url(), folder.path() / "tiles", policy);
    window.resize(900, 700);
    QApplication::processEvents();
    View().SetZoomLevel(11);
    View().SetTiles(&loader);
    ASSERT_TRUE(Settled(loader, server));
    EXPECT_GE(server.requests, 9);
    EXPECT_LE(std::max(server.maxInFlight(), server.maxOpen()), TileLoader::kMaxRequests);
    EXPECT_EQ(server.userAgent, loader.UserAgent().toUtf8());
    EXPECT_TRUE(server.userAgent.startsWith("bb-host/")) << server.userAgent.toStdString();
    EXPECT_TRUE(server.userAgent.contains("+https://example.org/g0abc)"));
    EXPECT_EQ(Carrying(server, "Cache-Control:") + Carrying(server, "Pragma:"), 0);
    const int shown = loader.RequestsMade();
    for (int i = 0; i < 5; ++i)
        View().RedrawBase();
    QApplication::processEvents();
    EXPECT_EQ(loader.RequestsMade(), shown);
    // Beside the mark, the tiles' land or sea, not the mark.
    EXPECT_FALSE(IsMark(At(Mark() + QPointF(12, 12))));
    // Between two levels the tiles are scaled, and the mark is still there.
    for (const double level : {11.5, 12.0, 7.25, 10.0, 11.0}) {
        View().SetZoomLevel(level);
        EXPECT_TRUE(WaitFor([&] { return IsMark(At(Mark())); })) << level;
    }
    for (const QPoint pan : {QPoint(37, -23), QPoint(-120, 80)}) {
        View().Pan(pan);
        EXPECT_TRUE(WaitFor([&] { return IsMark(At(Mark())); })) << pan.x() << "," << pan.y();
    }
    // A circle of 10 miles around a station reaches 10 miles north (0.14471 degrees).
    for (const double lat : {0.0, 52.0, 70.0}) {
        for (const double level : {6.0, 9.5, 13.0}) {
            View().SetZoomLevel(level);
            const double up = View().ToPixel(0, lat * 60).y() -
                              View().ToPixel(0, (lat + 16.09344 / 111.2) * 60).y();
            const double r = 10 * View().PixelsPerMileAt(lat);
            EXPECT_NEAR(up, r, std::max(1.0, r * 0.01)) << lat << " " << level;
        }
    }
    View().SetZoomLevel(10);
    // The tiles' makers are named in the corner.
    EXPECT_EQ(loader.Attribution(), "Map tiles: 127.0.0.1");
    // ... and stay readable under a thick figure the add-on draws across it.
    double south = -80 * 60, north = 80 * 60;  // the latitude of the corner's row
    for (int i = 0; i < 60; ++i) {
        const double mid = (south + north) / 2;
        (View().ToPixel(0, mid).y() > View().height() - 6 ? south : north) = mid;
    }
    host.MapObject().SetMapLineWidth(30);
    host.MapObject().MapLine(-170 * 60, south, 170 * 60, south, 0x0000ff, 0);
    const QImage& map = View().Composed();
    EXPECT_EQ(map.pixelColor(map.width() / 2, map.height() - 6), QColor(Qt::red));
    const QColor corner = map.pixelColor(map.width() - 4, map.height() - 6);
    EXPECT_GT(corner.lightness(), 240);
}

TEST_F(Tiles, TilesAreKeptOnDiskAndAskedAgainOnlyIfChanged) {
    const auto cache = folder.path() / "tiles";
    int asked = 0;
    {
        testing::TileServer server(kMarkLat, kMarkLon);
        server.maxAgeSeconds = 60;  // a server that says a minute: kept a week
        TileLoader loader(server.Url(), cache);
        View().SetZoomLevel(10);
        View().SetTiles(&loader);
        ASSERT_TRUE(Settled(loader, server));
        asked = server.requests;
        ASSERT_GT(asked, 0);
        // The bytes served are the bytes on disk.
        const WorldPoint w = ToWorld(kMarkLat, kMarkLon, 10);
        const TileKey mark{10, static_cast<int>(w.x / 256), static_cast<int>(w.y / 256)};
        const auto path = cache / "10" / std::to_string(mark.x) / std::to_string(mark.y);
        QFile file(QString::fromStdString(path.string() + ".png"));
        QFile meta(QString::fromStdString(path.string() + ".meta"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly) && meta.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_NE(std::find(server.served.begin(), server.served.end(), bytes),
                  server.served.end());
        const qint64 expires = meta.readLine().trimmed().toLongLong();
        EXPECT_GE(expires, QDateTime::currentSecsSinceEpoch() + TileLoader::kMinKeepSeconds - 60);
        View().SetTiles(nullptr);
    }
    // The server gone: the map is drawn from the disk, asking nothing.
    {
        TileLoader offline(QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"), cache);
        View().SetTiles(&offline);
        EXPECT_TRUE(IsMark(At(Mark())));
        QApplication::processEvents();
        EXPECT_EQ(offline.RequestsMade(), 0);
        View().SetTiles(nullptr);
    }
    // Out of date: asked again with the tile's ETag, and kept when unchanged.
    for (auto& entry : std::filesystem::recursive_directory_iterator(cache)) {
        if (entry.path().extension() != ".meta") continue;
        QFile meta(QString::fromStdString(entry.path().string()));
        ASSERT_TRUE(meta.open(QIODevice::ReadWrite));
        const QByteArray text = meta.readAll();
        ASSERT_TRUE(meta.resize(0) && meta.seek(0));
        meta.write("0" + text.mid(text.indexOf('\n')));
    }
    testing::TileServer again(kMarkLat, kMarkLon);
    TileLoader loader(again.Url(), cache);
    View().SetTiles(&loader);
    EXPECT_TRUE(IsMark(At(Mark())));  // the old tile, while it is asked for
    ASSERT_TRUE(WaitFor(
        [&] { return again.requests >= asked && loader.RequestsMade() == again.requests; }));
    EXPECT_EQ(again.notModified, again.requests);
    EXPECT_FALSE(again.lastIfNoneMatch.isEmpty());
    EXPECT_EQ(Carrying(again, "If-Modified-Since: "), again.requests);
    EXPECT_TRUE(again.served.empty());
    // No request, first or again, tells the caches on the way to step aside.
    EXPECT_EQ(Carrying(again, "Cache-Control:") + Carrying(again, "Pragma:"), 0);
    View().SetTiles(nullptr);
}

TEST_F(Tiles, WithoutAServerTheGraticuleShowsAndNothingIsAskedAgainAndAgain) {
    testing::TileServer server(kMarkLat, kMarkLon);
    const QString url = server.Url();
    server.Close();
    TileLoader loader(url, folder.path() / "tiles");
    View().SetZoomLevel(7);
    const QImage before = View().Composed();
    window.SetTiles(&loader);
    // The status bar says why the map has no tiles.
    const auto* state = window.findChild<QLabel*>(QStringLiteral("tileState"));
    ASSERT_NE(state, nullptr);
    ASSERT_TRUE(WaitFor([&] { return state->isVisible() && loader.InFlight() == 0; }));
    EXPECT_TRUE(state->text().startsWith("Map tiles cannot be fetched"))
        << state->text().toStdString();
    const int made = loader.RequestsMade();
    for (int i = 0; i < 3; ++i)
        View().RedrawBase();
    EXPECT_EQ(loader.RequestsMade(), made);  // a failed tile waits before it is asked again
    // The map is the graticule map, with the tiles' credit in the corner.
    const QImage after = View().Composed();
    const QPoint middle(after.width() / 2 + 17, after.height() / 2 + 23);
    EXPECT_EQ(after.pixelColor(middle), before.pixelColor(middle));
    window.SetTiles(nullptr);
}

// A refusing server is left alone as it asks, or 1 then 2 minutes; then one tile asks again.
TEST_F(Tiles, ARefusingServerIsLeftAloneThenAskedForOneTile) {
    struct Case {
        QByteArray retryAfter;
        int firstWaitS, secondWaitS;
    };
    for (const Case& c : {Case{"", 60, 120}, Case{"30", 30, 30}}) {
        SCOPED_TRACE(c.retryAfter.toStdString());
        testing::TileServer server(kMarkLat, kMarkLon);
        server.refuseWith = 429;
        server.retryAfter = c.retryAfter;
        TilePolicy policy;
        policy.scheduler = &clock;
        TileLoader loader(server.Url(), folder.path() / ("tiles" + c.retryAfter.toStdString()),
                          policy);
        View().SetZoomLevel(10);
        window.SetTiles(&loader);
        const auto* state = window.findChild<QLabel*>(QStringLiteral("tileState"));
        ASSERT_TRUE(WaitFor([&] { return state->isVisible(); }));
        EXPECT_TRUE(state->text().contains("429")) << state->text().toStdString();
        EXPECT_TRUE(testing::CutTexts(window).empty());
        // What was on its way when the refusal came, and nothing after.
        const auto quiet = [&](int expected) {
            const bool answered = WaitFor([&] { return loader.InFlight() == 0; });
            for (int i = 0; i < 3; ++i)
                View().RedrawBase();
            return answered && server.requests == expected && loader.RequestsMade() == expected;
        };
        const int before = loader.RequestsMade();
        ASSERT_LE(before, TileLoader::kMaxRequests);
        ASSERT_TRUE(quiet(before));
        for (const int wait : {c.firstWaitS, c.secondWaitS}) {
            const int asked = loader.RequestsMade();
            clock.Advance(wait * 1000 - 1000);
            EXPECT_TRUE(quiet(asked)) << wait;
            clock.Advance(1000);
            EXPECT_TRUE(quiet(asked + 1)) << wait;
        }
        // Taking requests again: the map fills, two at a time, and the bar clears.
        server.refuseWith = 0;
        clock.Advance(std::max(c.secondWaitS, 240) * 1000);
        ASSERT_TRUE(Settled(loader, server));
        EXPECT_TRUE(state->isHidden());
        EXPECT_LE(server.maxInFlight(), TileLoader::kMaxRequests);
        window.SetTiles(nullptr);
    }
}

// The cache is cut to its size at start, the tiles written longest ago first.
TEST(TileCache, IsPrunedOldestFirstAtStart) {
    testing::TempFolder folder;
    const auto cache = folder.path() / "tiles";
    const auto now = std::filesystem::file_time_type::clock::now();
    for (int y = 0; y < 5; ++y) {
        const auto dir = cache / "10" / "500";
        std::filesystem::create_directories(dir);
        const auto png = dir / (std::to_string(y) + ".png"),
                   meta = dir / (std::to_string(y) + ".meta");
        std::ofstream(png) << std::string(1000, 'p');
        std::ofstream(meta) << std::string(10, 'm');
        // Tile 2 the oldest, then 0, 4, 1, 3.
        const int hoursAgo[] = {40, 20, 50, 10, 30};
        for (const auto& f : {png, meta})
            std::filesystem::last_write_time(f, now - std::chrono::hours(hoursAgo[y]));
    }
    TilePolicy policy;
    policy.cacheBytes = 3100;
    TileLoader loader(QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"), cache, policy);
    std::string kept;
    for (int y = 0; y < 5; ++y)
        for (const char* ext : {".png", ".meta"})
            if (std::filesystem::exists(cache / "10" / "500" / (std::to_string(y) + ext)))
                kept += std::to_string(y) + ext + " ";
    EXPECT_EQ(kept, "1.png 1.meta 3.png 3.meta 4.png 4.meta ");
}

}  // namespace
}  // namespace bb::hostapp
