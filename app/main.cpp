#include <QApplication>
#include <QDBusConnection>

#include "app/form1.h"
#include "app/services.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    bb::app::InstallPlatformServices();
    bb::app::Form1 form(bb::app::Form1::OnBus(QDBusConnection::sessionBus()));
    form.show();
    form.Form_Load();
    return qapp.exec();
}
