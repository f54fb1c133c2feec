// A scripted desktop notification service on the test's bus: keeps what it was asked
// for, answers as a real one does, presses buttons or closes when the test says so.
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>
#include <map>
#include <string>
#include <vector>

#include "tests/fakes/wait_for.h"

namespace bb::testing {

class NotificationService final : public QDBusVirtualObject {
  public:
    struct Notification {
        QString app, icon, summary, body;
        uint replaces = 0;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
    };
    // Every Notify in order, with the id it was given.
    std::vector<std::pair<uint, Notification>> calls;
    // What is up now, by id.
    std::map<uint, Notification> up;
    std::vector<uint> closedByCaller;
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body"),
                             QStringLiteral("persistence")};

    // Registers under the service's name on a connection of its own.
    explicit NotificationService(const QString& address, const QString& connectionName)
        : bus_(address.isEmpty()
                   ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)
                   : QDBusConnection::connectToBus(address, connectionName)),
          name_(connectionName) {
        registered_ = bus_.registerVirtualObject(kPath, this) && bus_.registerService(kService);
    }
    ~NotificationService() override {
        bus_.unregisterService(kService);
        bus_.unregisterObject(kPath);
        QDBusConnection::disconnectFromBus(name_);
    }
    bool Registered() const { return registered_; }

    // The user presses a button, which closes the notification unless it asked to stay.
    void Press(uint id, const QString& action) {
        Signal("ActionInvoked", {id, action});
        if (!up.count(id)) return;
        if (!up[id].hints.value(QStringLiteral("resident")).toBool()) Dismiss(id, 2);
    }
    // Closed by the user (2) or expired (1).
    void Dismiss(uint id, uint reason = 2) {
        up.erase(id);
        Signal("NotificationClosed", {id, reason});
    }
    // All sent both ways has arrived once a round trip brings nothing new.
    bool Drain(const QDBusConnection& bus) {
        for (std::size_t before = SIZE_MAX; before != calls.size();) {
            before = calls.size();
            const QDBusPendingCall call = bus.asyncCall(QDBusMessage::createMethodCall(
                kService, kPath, kService, QStringLiteral("GetCapabilities")));
            if (!WaitFor([&] { return call.isFinished(); })) return false;
            QCoreApplication::processEvents();
        }
        return true;
    }
    const Notification* Up(const QString& summary) const {
        const uint id = IdOf(summary);
        return id ? &up.at(id) : nullptr;
    }
    uint IdOf(const QString& summary) const {
        for (const auto& [id, n] : up)
            if (n.summary == summary) return id;
        return 0;
    }

    // Callers here send plain messages; nothing asks what the object offers.
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        const QList<QVariant> a = m.arguments();
        if (m.member() == QLatin1String("GetCapabilities"))
            return connection.send(m.createReply(QVariant(capabilities)));
        if (m.member() == QLatin1String("Notify") && a.size() == 8) {
            Notification n{a[0].toString(), a[2].toString(),     a[3].toString(), a[4].toString(),
                           a[1].toUInt(),   a[5].toStringList(), Map(a[6]),       a[7].toInt()};
            // A replacement keeps its id while it is up; otherwise a new one.
            const uint id = n.replaces != 0 && up.count(n.replaces) ? n.replaces : ++last_;
            up[id] = n;
            calls.emplace_back(id, n);
            return connection.send(m.createReply(QVariant(id)));
        }
        if (m.member() == QLatin1String("CloseNotification") && a.size() == 1) {
            const uint id = a[0].toUInt();
            closedByCaller.push_back(id);
            connection.send(m.createReply());
            if (up.erase(id)) Signal("NotificationClosed", {id, 3u});
            return true;
        }
        return false;
    }

  private:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";

    static QVariantMap Map(const QVariant& v) {
        if (v.canConvert<QDBusArgument>()) return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
        return v.toMap();
    }
    void Signal(const char* name, const QList<QVariant>& args) {
        QDBusMessage signal = QDBusMessage::createSignal(
            kPath, QStringLiteral("org.freedesktop.Notifications"), QString::fromLatin1(name));
        signal.setArguments(args);
        bus_.send(signal);
    }

    QDBusConnection bus_;
    QString name_;
    bool registered_ = false;
    uint last_ = 0;
};

}  // namespace bb::testing
