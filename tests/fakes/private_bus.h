// A bus daemon of the test's own, which it can kill.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace bb::testing {

class PrivateBus {
  public:
    explicit PrivateBus(const char* name = "bb-private-bus") : name_(QString::fromLatin1(name)) {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000)) return;
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        bus_ = QDBusConnection::connectToBus(address_, name_);
    }
    ~PrivateBus() {
        Kill();
        QDBusConnection::disconnectFromBus(name_);
    }
    void Kill() {
        if (daemon_.state() == QProcess::NotRunning) return;
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    const QString& Address() const { return address_; }
    QDBusConnection& Connection() { return bus_; }

  private:
    QString name_;
    QProcess daemon_;
    QString address_;
    QDBusConnection bus_{QString()};
};

}  // namespace bb::testing
