// The host's map window as the board's overlays need it.
#include "host/map_window.h"

#include "host/command_line.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "host/symbols.h"
#include "tests/fakes/fake_scheduler.h"

namespace bb::hostapp {
namespace {

class MapWindowTest : public ::testing::Test {
  protected:
    MapWindowTest() : host({HomePosition{52, 0}, 60, false}), window(host, clock) {
        window.resize(400, 300);
        window.show();
        QApplication::processEvents();
        QObject::connect(&host.MapObject(), &MapService::MapRedrawn, [this] { ++redrawn; });
        QObject::connect(&host.MapObject(), &MapService::MapHasChanged, [this] { ++changed; });
    }
    MapView& View() { return window.View(); }
    QColor At(QPointF p) { return View().Composed().pixelColor(p.toPoint()); }

    HostService host;
    testing::FakeScheduler clock;
    MapWindow window;
    int redrawn = 0, changed = 0;
};

TEST_F(MapWindowTest, FiguresShowTheirOwnColourInAnyPenAreKeptOnceAndTheNopPenDrawsNothing) {
    const QImage before = View().Composed();
    MapService& map = host.MapObject();
    map.SetMapDrawMode(11);  // the no-op pen
    map.MapLine(-30, 52 * 60 - 20, 30, 52 * 60 + 20, 65280, 0);
    EXPECT_EQ(View().Composed(), before);
    map.SetMapDrawMode(7);
    map.SetMapLineWidth(3);
    // The board draws everything again after each event: the same figure twice is one.
    for (int i = 0; i < 2; ++i)
        map.MapLine(-30, 52 * 60 - 20, 30, 52 * 60 + 20, 65280, 0);
    EXPECT_EQ(host.Overlays().Items().size(), 2u);  // the no-op line and this one
    const QPointF home = View().ToPixel(0, 52 * 60);
    const QPointF onLine = View().ToPixel(15, 52 * 60 + 10);
    EXPECT_EQ(At(home), QColor(0, 255, 0));
    EXPECT_EQ(At(onLine), QColor(0, 255, 0));
    // A red marker with the exclusive-or pen is red, also across the line, and
    // two boards on one bus that both mark the station do not cancel it out.
    for (int board = 0; board < 2; ++board)
        map.MapCircle(0, 52 * 60, 10, 255, 0, 6.2831855, 1);
    const double r = 10 * View().PixelsPerMile();
    EXPECT_EQ(At(home - QPointF(0, r)), QColor(255, 0, 0));  // the radius in miles
    EXPECT_NE(At(home - QPointF(0, r / 2)), QColor(255, 0, 0));
    EXPECT_NEAR(home.x(), View().width() / 2.0, 1);
    EXPECT_EQ(At(onLine), QColor(0, 255, 0));
    // A circle whose centre is out of sight shows where its ring comes in.
    const double perMinute = View().ToPixel(1, 52 * 60).x() - home.x();
    const double rightOfView = View().width() - home.x() + 100;
    map.SetMapDrawMode(13);
    map.MapCircle(rightOfView / perMinute, 52 * 60, (rightOfView + 150) / View().PixelsPerMile(),
                  16711680, 0, 6.2831855, 1);
    EXPECT_EQ(At(home - QPointF(150, 0)), QColor(0, 0, 255));
}

TEST_F(MapWindowTest, ABaseRepaintClearsOverlaysPanningSaysChangedAdviceShowsWhole) {
    host.MapObject().MapCircle(0, 52 * 60, 5, 255, 0, 6.2831855, 1);
    ASSERT_EQ(host.Overlays().Items().size(), 1u);
    redrawn = changed = 0;
    View().Pan({10, 0});
    EXPECT_TRUE(host.Overlays().Items().empty());
    EXPECT_EQ(redrawn, 1);
    clock.Advance(200);
    View().Pan({10, 0});  // still dragging: it has settled 300 ms after the last step
    clock.Advance(200);
    EXPECT_EQ(changed, 0);
    clock.Advance(100);
    EXPECT_EQ(changed, 1);
    // A host with nothing to hear says on the map what to do, whole, over its middle.
    window.resize(800, 600);
    QApplication::processEvents();
    window.ShowAdvice(NoSourceAdvice());
    QApplication::processEvents();
    const auto* advice = window.findChild<QLabel*>(QStringLiteral("advice"));
    ASSERT_NE(advice, nullptr);
    ASSERT_TRUE(advice->isVisible());
    EXPECT_TRUE(View().rect().contains(advice->geometry()));
    EXPECT_TRUE(advice->geometry().contains(View().rect().center()));
    // Each line whole: the label as wide and high as its text needs.
    EXPECT_GE(advice->width(), advice->sizeHint().width());
    EXPECT_GE(advice->height(), advice->sizeHint().height());
}

TEST(Locator, SixCharactersOfKnownPlaces) {
    for (const auto& [lat, lon, locator] :
         {std::tuple{51.5, -0.1, "IO91wm"}, {-33.86, 151.21, "QF56od"}, {52.225, 1.12, "JO02nf"}})
        EXPECT_EQ(LocatorOf(lat, lon), QString::fromLatin1(locator)) << lat << "," << lon;
}

// ShowStation centres a symbol; a click opens its panel, or a choice of stations on top.
TEST_F(MapWindowTest, ShowStationCentresItAndAClickOpensItsPanel) {
    const std::int64_t t = 1796000000;
    const std::string beacon = "G4ABC>APRS,WIDE2-1:=5213.50N/00107.20E>Going home";
    host.Hear(beacon, t);
    host.Hear("G4ABC>APRS:>On the road", t + 300);
    host.Hear("M0XYZ>APRS:!5213.50N/00107.20E-", t + 300);
    MapService& map = host.MapObject();
    EXPECT_FALSE(map.ShowStation(QStringLiteral("NOBODY")));
    ASSERT_TRUE(map.ShowStation(QStringLiteral("G4ABC")));
    QApplication::processEvents();
    const QImage shot = View().grab().toImage();
    QImage symbol;
    ASSERT_TRUE(DrawSymbol('/', '>', symbol));
    const QPoint corner = View().rect().center() + QPoint(1, 1) - QPoint(8, 8);
    int opaque = 0, same = 0;
    for (int y = 0; y < symbol.height(); ++y)
        for (int x = 0; x < symbol.width(); ++x)
            if (symbol.pixelColor(x, y).alpha() == 255) {
                ++opaque;
                same += shot.pixelColor(corner + QPoint(x, y)) == symbol.pixelColor(x, y);
            }
    EXPECT_GT(opaque, 20);
    EXPECT_GE(same, opaque * 9 / 10);

    // One station under the pointer: its panel.
    host.Hear("M0XYZ>APRS:!5200.00N/00000.00E-", t + 400);
    View().RedrawBase();
    QSignalSpy chosen(&map, &MapService::StationChosen);
    QTest::mouseClick(&View(), Qt::LeftButton, {}, View().rect().center());
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toString(), QStringLiteral("G4ABC"));
    ASSERT_TRUE(View().Panel().isVisible());
    const auto* text = View().Panel().findChild<QLabel*>(QStringLiteral("panelText"));
    for (const char* part :
         {"G4ABC", "52°13.50' N", "001°07.20' E", "Locator JO02nf", "km from home, bearing",
          "No speed or course", "2 times", "Going home", "Status: On the road"})
        EXPECT_TRUE(text->text().contains(QString::fromUtf8(part))) << part;
    EXPECT_GE(text->width(), text->sizeHint().width());
    EXPECT_TRUE(View().rect().contains(View().Panel().geometry()));
    View().Panel().findChild<QPushButton*>(QStringLiteral("packetsButton"))->click();
    const auto* packets = View().Panel().findChild<QPlainTextEdit*>(QStringLiteral("panelPackets"));
    ASSERT_TRUE(packets->isVisible());
    EXPECT_TRUE(packets->toPlainText().contains(QString::fromStdString(beacon)));

    // A double click centres on the station one zoom level closer.
    const double zoom = View().ZoomLevel();
    View().Pan({60, 40});
    QTest::mouseDClick(&View(), Qt::LeftButton, {}, View().ToPixel(67.2, 52 * 60 + 13.5).toPoint());
    EXPECT_EQ(View().ZoomLevel(), zoom + 1);
    EXPECT_NEAR(View().ToPixel(67.2, 52 * 60 + 13.5).x(), View().width() / 2.0, 1);

    // Two on top of one another: the user picks one.
    host.Hear("M0XYZ>APRS:!5213.50N/00107.20E-", t + 500);
    View().RedrawBase();
    QTest::mouseClick(&View(), Qt::LeftButton, {}, View().rect().center());
    QMenu* menu = View().findChild<QMenu*>(QStringLiteral("stationChoice"));
    ASSERT_NE(menu, nullptr);
    QStringList offered;
    for (QAction* a : menu->actions())
        offered << a->text();
    offered.sort();
    EXPECT_EQ(offered, (QStringList{QStringLiteral("G4ABC"), QStringLiteral("M0XYZ")}));
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("M0XYZ")) a->trigger();
    EXPECT_EQ(View().Panel().Callsign(), QStringLiteral("M0XYZ"));
    EXPECT_EQ(chosen.last().at(0).toString(), QStringLiteral("M0XYZ"));
}

// A track joins a station's positions but not a jump faster than travel; the menu hides it.
TEST_F(MapWindowTest, AMovingStationsTrackIsDrawnAndAJumpStartsANewOne) {
    const std::int64_t t = 1796000000;
    const struct {
        const char* position;
        std::int64_t at;
    } heard[] = {{"5148.00N/00000.00E>", 0},
                 {"5200.00N/00018.00E>", 600},
                 {"5212.00N/00000.00E>", 1200},
                 {"5148.00N/00030.00W>", 1260}};  // 55 km in a minute
    for (const auto& h : heard)
        host.Hear(std::string("G4MOV>APRS:!") + h.position, t + h.at);
    View().RedrawBase();
    const QImage on = View().Composed();
    window.findChild<QAction*>(QStringLiteral("tracksAction"))->trigger();
    const QImage off = View().Composed();
    const auto at = [&](double lat, double lon) {
        return View().ToPixel(lon * 60, lat * 60).toPoint();
    };
    const std::pair<double, double> ends[] = {{51.8, 0}, {52.0, 0.3}, {52.2, 0}};
    for (int i = 0; i < 2; ++i)
        for (const double f : {0.3, 0.5, 0.7}) {
            const QPoint p = at(ends[i].first + f * (ends[i + 1].first - ends[i].first),
                                ends[i].second + f * (ends[i + 1].second - ends[i].second));
            EXPECT_NE(on.pixelColor(p), off.pixelColor(p)) << "segment " << i << " at " << f;
        }
    const QPoint jump = at(52.0, -0.25);
    EXPECT_EQ(on.pixelColor(jump), off.pixelColor(jump));
    EXPECT_TRUE(host.History().Track("G4MOV").empty());
}

}  // namespace
}  // namespace bb::hostapp
