#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "app/main_window.h"
#include "app/services.h"
#include "bus/station_dict.h"
#include "generated/version.h"
#include "platform/dbus_dde.h"
#include "platform/dbus_notifier.h"
#include "platform/screenshot.h"
#include "support/app_paths.h"

namespace {

// Where this copy keeps and finds its files, for a user who wonders.
void PrintPaths() {
    const bb::AppPaths& p = bb::App();
    std::printf("%s %d.%d.%d\n", bb::version::kProductName, bb::version::kMajor,
                bb::version::kMinor, bb::version::kRevision);
    std::printf("program folder: %s\n", p.programFolder.c_str());
    std::printf("settings: %s\n", p.SettingsFolder().c_str());
    std::printf("log: %s\n", p.LogFolder().c_str());
    std::printf("language files of your own: %s\n", (p.writableFolder / "language").c_str());
    for (const auto& folder : p.dataFolders)
        std::printf("data folder: %s\n", folder.c_str());
    std::printf("help page: %s\n", p.FindData(p.exeName + ".html").c_str());
}

bool HostOnBus() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(bb::bus::kHostService).value();
}

// Started from the desktop's menu, the board brings its host: bb-host beside
// it (or on the path), which reads its own config file. The board waits a
// few seconds for it; a host slower than that is bound to when it comes.
void StartHost() {
    if (HostOnBus()) return;
    const std::filesystem::path beside = bb::App().programFolder / "bb-host";
    std::error_code ec;
    const QString program = std::filesystem::exists(beside, ec)
                                ? QString::fromStdString(beside.string())
                                : QStringLiteral("bb-host");
    if (!QProcess::startDetached(program, {})) {
        std::fprintf(stderr, "beaconboard: cannot start %s\n", qPrintable(program));
        return;
    }
    QElapsedTimer waited;
    waited.start();
    while (!HostOnBus() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// --help and --version answer without a display.
bool InfoOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--version" || a == "--help" || a == "-h" || a == "--help-all") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    if (InfoOnly(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    // Qt takes the C library's locale from the environment; what the board
    // reads and writes in the C form keeps its "." (the windows use the
    // user's own separator, from the locale's name).
    std::setlocale(LC_NUMERIC, "C");
    bb::app::InstallPlatformServices();
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "The APRS station board. It follows the host program (UI-View32, or bb-host) on the "
        "session bus; start the host first."));
    cli.addHelpOption();
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and where the files are."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the main window as a PNG <file> after --screenshot-after seconds."),
        QStringLiteral("file"));
    const QCommandLineOption screenshotAfter(
        QStringLiteral("screenshot-after"),
        QStringLiteral("Seconds before the screenshot (default 10)."), QStringLiteral("seconds"),
        QStringLiteral("10"));
    const QCommandLineOption startHost(
        QStringLiteral("start-host"),
        QStringLiteral("Start bb-host first when no host is on the bus (as the menu entry does)."));
    cli.addOptions({version, screenshot, screenshotAfter, startHost});
    cli.process(*app);
    if (cli.isSet(version)) {
        PrintPaths();
        return 0;
    }

    // The radio link's conversations outlive the window that holds it.
    bb::platform::DBusDdeLayer dde(QDBusConnection::sessionBus());
    // Emergencies also reach an operator who is not watching the board.
    bb::platform::DBusNotifier notifier(QDBusConnection::sessionBus());
    bb::app::Form1 form(bb::app::Form1::OnBus(QDBusConnection::sessionBus()));
    form.SetDdeLayer(&dde);
    form.SetNotifier(&notifier);
    form.show();
    // The window is there at once, saying what it waits for.
    if (cli.isSet(startHost) && !HostOnBus()) {
        form.ShowWaitingForHost();
        StartHost();
    }
    form.Form_Load();
    // Started before the host (from the menu, say): bound once the host comes.
    form.WaitForHost(QDBusConnection::sessionBus());
    if (cli.isSet(screenshot))
        bb::platform::SaveScreenshotAfter(form, cli.value(screenshotAfter).toInt(),
                                          cli.value(screenshot), "beaconboard");
    return app->exec();
}
