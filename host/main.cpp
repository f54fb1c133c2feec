// bb-host: a small APRS host program. It hears packets (a replayed file,
// standard input or a live source), keeps the station list, draws its map
// and offers its automation objects on the session bus for the board to
// follow.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <clocale>
#include <cstdio>
#include <optional>

#include "host/command_line.h"
#include "host/host_program.h"

namespace {

using bb::hostapp::CommandLineRead;
using bb::hostapp::HostCommandLine;

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

// Quitting by signal says farewell on the bus like closing the window.
void QuitOnSignals(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QApplication::quit);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

// Decided before Qt starts: without a display the host runs with no window.
bool Windowless(int argc, char** argv) {
    bool windowless = !bb::hostapp::HasDisplay();
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--no-map") == 0) windowless = true;
    }
    if (windowless && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return windowless;
}

// The command line over the config file; the exit code when the host ends
// here (help, version, the config written, or an option it cannot take).
std::optional<int> ReadOptions(bool haveDisplay, HostCommandLine& line) {
    QString text;
    switch (ReadHostCommandLine(QApplication::arguments(), haveDisplay,
                                bb::hostapp::DefaultConfigFile(), line, text)) {
        case CommandLineRead::Help:
        case CommandLineRead::Version:
        case CommandLineRead::ConfigWritten:
            std::fputs(qPrintable(text), stdout);
            return 0;
        case CommandLineRead::Unreadable:
            std::fprintf(stderr, "%s\n", qPrintable(text));
            return 1;
        case CommandLineRead::Wrong:
            std::fprintf(stderr, "%s\n", qPrintable(text));
            return 2;
        case CommandLineRead::Ok:
            break;
    }
    for (const QString& note : line.configNotes)
        std::fprintf(stderr, "bb-host: %s\n", qPrintable(note));
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    const bool windowless = Windowless(argc, argv);
    QApplication app(argc, argv);
    // Qt takes the C library's locale from the environment; the numbers the
    // host writes for the board and reads from packets keep their ".".
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("bb-host"));
    HostCommandLine line;
    if (const std::optional<int> end = ReadOptions(!windowless, line)) return *end;

    bb::hostapp::HostProgram host(line);
    if (!host.Register()) return 1;
    host.ShowMap(app);
    QApplication::setQuitOnLastWindowClosed(false);
    QuitOnSignals(app);
    if (!host.StartSource()) return 1;
    host.StartTimers();
    const int rc = app.exec();
    host.Stop();
    return rc;
}
