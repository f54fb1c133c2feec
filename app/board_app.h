// The program's life cycle around the host link: binding to the host at
// start-up, following its events, and ending with it.
#pragma once

#include <QMainWindow>
#include <QTableWidget>
#include <memory>

#include "app/host_binding.h"
#include "platform/qt_message_pump.h"
#include "stations/board.h"

namespace bb::app {

class BoardApp final : public host::MapEvents {
  public:
    BoardApp();
    ~BoardApp() override;

    // The start-up: bind to the host (main object, map, notifications, the
    // station query object), start the services, load every station the host
    // holds. A failing step ends it there, logged; the window stays open.
    void Form_Load(QDBusConnection bus);
    void Form_Unload();

    QMainWindow& Window() { return window_; }
    StationBoard* Board() { return board_.get(); }
    DBusHost* Host() { return host_.get(); }

    void mUivMap_MapHasChanged() override {}
    void mUivMap_MapRedrawn() override {}

  private:
    void ShowStations();
    void HostClosing();

    QMainWindow window_;
    QTableWidget* table_;
    platform::QtMessagePump pump_;
    std::unique_ptr<DBusHost> host_;
    std::unique_ptr<StationBoard> board_;
    bool stopped_ = false;
};

}  // namespace bb::app
