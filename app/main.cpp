#include <QApplication>
#include <QDBusConnection>

#include "app/board_app.h"
#include "app/services.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    bb::app::InstallPlatformServices();
    bb::app::BoardApp app;
    app.Window().show();
    app.Form_Load(QDBusConnection::sessionBus());
    const int rc = qapp.exec();
    app.Form_Unload();
    return rc;
}
