// The host's map window as the board's overlays need it: where a circle and
// a line land, the draw modes, and a base repaint that clears the overlays
// and then says MapRedrawn.
#include "host/map_window.h"

#include "host/command_line.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>

namespace bb::hostapp {
namespace {

class MapWindowTest : public ::testing::Test {
  protected:
    MapWindowTest() : host({HomePosition{52, 0}, 60, false}), window(host) {
        window.resize(400, 300);
        window.show();
        QApplication::processEvents();
        QObject::connect(&host.MapObject(), &MapService::MapRedrawn, [this] { ++redrawn; });
        QObject::connect(&host.MapObject(), &MapService::MapHasChanged, [this] { ++changed; });
    }
    MapView& View() { return window.View(); }
    QColor At(QPointF p) { return View().Composed().pixelColor(p.toPoint()); }

    HostService host;
    MapWindow window;
    int redrawn = 0, changed = 0;
};

TEST_F(MapWindowTest, CircleRadiusIsInMilesAroundAPositionInMinutes) {
    MapService& map = host.MapObject();
    map.SetMapLineWidth(1);
    map.SetMapDrawMode(13);
    map.MapCircle(0, 52 * 60, 10, 255, 0, 6.2831855, 1);  // 10 miles around home, red
    const QPointF centre = View().ToPixel(0, 52 * 60);
    EXPECT_NEAR(centre.x(), View().width() / 2.0, 1);
    const double r = 10 * View().PixelsPerMile();
    // North of home by the radius: red; halfway in: the map.
    EXPECT_EQ(At(centre - QPointF(0, r)), QColor(255, 0, 0));
    EXPECT_NE(At(centre - QPointF(0, r / 2)), QColor(255, 0, 0));
    // 10 miles is 16.09 km: about 0.1446 degrees of latitude.
    EXPECT_NEAR(View().ToPixel(0, (52 + 0.1446) * 60).y(), centre.y() - r, 1);
}

TEST_F(MapWindowTest, FiguresShowTheirOwnColourInAnyPenAreKeptOnceAndTheNopPenDrawsNothing) {
    const QImage before = View().Composed();
    MapService& map = host.MapObject();
    map.SetMapDrawMode(11);  // the no-op pen
    map.MapLine(-30, 52 * 60 - 20, 30, 52 * 60 + 20, 65280, 0);
    EXPECT_EQ(View().Composed(), before);
    map.SetMapDrawMode(7);
    map.SetMapLineWidth(3);
    // The board draws everything again after each event: the same figure
    // twice is one figure.
    for (int i = 0; i < 2; ++i)
        map.MapLine(-30, 52 * 60 - 20, 30, 52 * 60 + 20, 65280, 0);
    EXPECT_EQ(host.Overlays().Items().size(), 2u);  // the no-op line and this one
    const QPointF home = View().ToPixel(0, 52 * 60);
    const QPointF onLine = View().ToPixel(15, 52 * 60 + 10);
    EXPECT_EQ(At(home), QColor(0, 255, 0));
    EXPECT_EQ(At(onLine), QColor(0, 255, 0));
    // A red marker with the exclusive-or pen is red on the map, also where
    // it crosses the line, and two boards on one bus that both mark the
    // station do not cancel it out.
    for (int board = 0; board < 2; ++board)
        map.MapCircle(0, 52 * 60, 10, 255, 0, 6.2831855, 1);
    const double r = 10 * View().PixelsPerMile();
    EXPECT_EQ(At(home - QPointF(0, r)), QColor(255, 0, 0));
    EXPECT_EQ(At(onLine), QColor(0, 255, 0));
}

TEST_F(MapWindowTest, ABaseRepaintClearsOverlaysThenSaysRedrawnAndPanningSaysChanged) {
    host.MapObject().MapCircle(0, 52 * 60, 5, 255, 0, 6.2831855, 1);
    ASSERT_EQ(host.Overlays().Items().size(), 1u);
    redrawn = changed = 0;
    View().Pan({10, 0});
    EXPECT_TRUE(host.Overlays().Items().empty());
    EXPECT_EQ(redrawn, 1);
    EXPECT_EQ(changed, 0);  // once the pan has settled
    for (int i = 0; i < 50 && changed == 0; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    EXPECT_EQ(changed, 1);
}

// A host with nothing to hear says on the map what to do, whole and over
// the middle of the map.
TEST_F(MapWindowTest, AdviceShowsWholeOverTheMap) {
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

}  // namespace
}  // namespace bb::hostapp
