// bb-host as a child process on the session bus, for the bus benchmarks.
#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>

#include "bus/station_dict.h"

namespace bb {

// Starts bb-host reading packets from standard input, without its map
// window; true once it owns its name on the bus (within five seconds).
inline bool StartBbHost(QProcess& process, const char* exe) {
    process.setProgram(QString::fromUtf8(exe));
    process.setArguments({"--feed", "-", "--no-map", "--quiet"});
    process.start();
    QElapsedTimer wait;
    wait.start();
    auto onBus = [] {
        return QDBusConnection::sessionBus()
            .interface()
            ->isServiceRegistered(bus::kHostService)
            .value();
    };
    while (!onBus() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return onBus();
}

}  // namespace bb
