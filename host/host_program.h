// bb-host put together from its command line: the service on the bus, the
// station store, the source of packets with its log, the map window and the
// timers that expire, report and keep the stations.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "host/command_line.h"
#include "host/host_service.h"
#include "host/live_sources.h"
#include "host/map_window.h"
#include "host/packet_log.h"
#include "host/station_store.h"
#include "host/status_line.h"
#include "platform/qt_scheduler.h"

class QApplication;

namespace bb::hostapp {

class HostProgram {
  public:
    // What was heard before a restart is there before the board first asks.
    explicit HostProgram(const HostCommandLine& line);
    HostProgram(const HostProgram&) = delete;
    HostProgram& operator=(const HostProgram&) = delete;

    // On the session bus; false, said on standard error, when it cannot be.
    bool Register();
    // The map window, unless the host runs without one; closing it quits.
    void ShowMap(QApplication& app);
    // The live source, or the replayed file or standard input; false, said
    // on standard error and farewell said on the bus, when it cannot start.
    bool StartSource();
    // Expiry and the status every 10 s, the station store every minute.
    void StartTimers();
    // At the end: the stations kept and dumped, farewell on the bus.
    void Stop();

  private:
    void LoadStations();
    void SaveStations();
    void StartLive();
    void Tick();
    void Say(const QString& text) const;

    const HostCommandLine line_;
    // The source's, the map's and the tiles' waits; it goes after them.
    platform::QtScheduler scheduler_;
    std::unique_ptr<LiveSource> live_;
    HostService host_;
    std::optional<StationStore> store_;
    std::string lastSaveError_;
    std::unique_ptr<MapWindow> window_;
    std::unique_ptr<QObject> source_;
    // What a live source hears is logged, to look back at or replay.
    std::optional<PacketLog> packetLog_;
    std::string lastLogError_;
    QTimer tick_;
    StatusLine statusLine_;
    QElapsedTimer running_;
    QTimer keep_;
};

}  // namespace bb::hostapp
