// bb-host's command line: where the packets come from, the map window, the
// station list's home and expiry.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "host/host_service.h"

namespace bb::hostapp {

struct HostCommandLine {
    enum class Source { Feed, StandardInput, AprsIs, KissTcp, KissSerial };

    HostService::Options service;
    Source source = Source::StandardInput;
    QString feedFile;  // Source::Feed
    double speed = 1;
    bool loop = false;
    QString netHost;  // APRS-IS or KISS over TCP
    quint16 netPort = 0;
    std::string aprsIsLogin;
    // Said on standard error and in the status when the host chose the
    // APRS-IS filter itself.
    QString filterNote;
    QString serialDevice;
    int baud = 9600;
    bool windowless = false;
    bool quiet = false;
    QString screenshot;
    int screenshotAfter = 10;
    QString dumpFile;
    // Where the station list is kept over a restart; empty: not kept.
    QString stationsFile;
};

// Without a display the host runs with no window, whatever the options say.
bool HasDisplay();

// Reads `arguments` (the program's name first). `Help` leaves the help text
// in `text`; `Unreadable` (an unknown option, a value missing) and `Wrong`
// (a value out of its range) leave the message for standard error there.
enum class CommandLineRead { Ok, Help, Unreadable, Wrong };
CommandLineRead ReadHostCommandLine(const QStringList& arguments, bool haveDisplay,
                                    HostCommandLine& out, QString& text);

}  // namespace bb::hostapp
