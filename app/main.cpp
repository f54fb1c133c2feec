#include <QApplication>
#include <QDBusConnection>

#include "app/form1.h"
#include "app/services.h"
#include "platform/dbus_dde.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    bb::app::InstallPlatformServices();
    // The radio link's conversations outlive the window that holds it.
    bb::platform::DBusDdeLayer dde(QDBusConnection::sessionBus());
    bb::app::Form1 form(bb::app::Form1::OnBus(QDBusConnection::sessionBus()));
    form.SetDdeLayer(&dde);
    form.show();
    form.Form_Load();
    return qapp.exec();
}
