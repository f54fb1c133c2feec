// bb-host-pictures FOLDER: the README's pictures of bb-host, drawn offscreen
// into FOLDER: every symbol picture (host-symbols.png) and a moving station's
// track with its panel open (host-map-track-panel.png).
#include <QApplication>
#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>
#include <string>
#include <vector>

#include "host/map_window.h"
#include "host/symbol_pictures.h"
#include "host/symbols.h"
#include "platform/qt_scheduler.h"

namespace bb::hostapp {
namespace {

// Each picture four times its size, with its table and code beneath.
bool SymbolSheet(const QString& file) {
    constexpr int kCell = 72, kPerRow = 12;
    std::vector<std::pair<char, char>> all;
    for (const char table : {'/', '\\'})
        for (char code = '!'; code <= '~'; ++code)
            if (HasPicture(table != '/', code)) all.emplace_back(table, code);
    all.emplace_back('I', '&');  // overlays
    all.emplace_back('3', '#');
    QImage sheet(kPerRow * kCell, static_cast<int>((all.size() + kPerRow - 1) / kPerRow) * kCell,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    for (std::size_t i = 0; i < all.size(); ++i) {
        QImage picture;
        if (!DrawSymbol(all[i].first, all[i].second, picture)) return false;
        const int x = static_cast<int>(i % kPerRow) * kCell,
                  y = static_cast<int>(i / kPerRow) * kCell;
        p.drawImage(QRect(x + 4, y + 2, kCell - 8, kCell - 16), picture.scaled(64, 56));
        p.drawText(QRect(x, y + kCell - 14, kCell, 14), Qt::AlignCenter,
                   QString::fromLatin1(std::string{all[i].first, all[i].second}.c_str()));
    }
    p.end();
    return sheet.save(file);
}

// A car heard over the last two hours, its track drawn and its panel open.
bool TrackPanel(const QString& file) {
    HostService host({HomePosition{52, 0}, 60, false});
    platform::QtScheduler scheduler;
    MapWindow window(host, scheduler);
    window.resize(720, 520);
    window.show();
    QApplication::processEvents();
    const std::int64_t now = QDateTime::currentSecsSinceEpoch() - 12 * 600 - 120;
    for (int i = 0; i < 12; ++i)
        host.Hear("G4CAR>APRS,WIDE1-1:!51" + std::to_string(30 + i * 2) + ".00N/000" +
                      std::to_string(10 + (i % 4) * 8) + ".00E>" + std::to_string(100 + i * 10) +
                      "/035Commuting",
                  now + i * 600);
    host.Hear("G4CAR>APRS:>On the way to the club", now + 11 * 600 + 60);
    MapView& view = window.View();
    view.SetZoomLevel(view.ZoomLevel() + 0.5);
    host.MapObject().ShowStation(QStringLiteral("G4CAR"));
    view.Pan({-150, -100});
    const HostEntry* e = host.Stations().Find("G4CAR");
    if (!e) return false;
    // A press on the station opens its panel.
    const QPointF at = view.ToPixel(e->longitudeMinutes, e->latitudeMinutes);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, at, view.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
        QApplication::sendEvent(&view, &click);
    }
    return window.grab().save(file);
}

}  // namespace
}  // namespace bb::hostapp

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bb-host-pictures FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const auto& [name, draw] :
         {std::pair{"/host-symbols.png", &bb::hostapp::SymbolSheet},
          std::pair{"/host-map-track-panel.png", &bb::hostapp::TrackPanel}}) {
        if (!draw(folder + QString::fromLatin1(name))) {
            std::fprintf(stderr, "bb-host-pictures: %s not drawn\n", name + 1);
            return 1;
        }
    }
    return 0;
}
