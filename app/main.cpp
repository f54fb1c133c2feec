#include <QApplication>
#include <QMainWindow>

#include "app/services.h"
#include "generated/version.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    bb::app::InstallPlatformServices();

    const QString title = QStringLiteral("UI-View Beaconboard V%1.%2.%3")
                              .arg(bb::version::kMajor)
                              .arg(bb::version::kMinor)
                              .arg(bb::version::kRevision);
    QMainWindow window;
    window.setWindowTitle(title);
    window.resize(900, 500);
    bb::app::StartServices();
    window.show();
    const int rc = qapp.exec();
    bb::app::StopServices();
    return rc;
}
