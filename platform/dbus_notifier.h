// Desktop notifications through the session's notification service
// (org.freedesktop.Notifications). Every call is asynchronous: a slow or
// hung service never holds up the board, and nothing it sends back runs
// inside one of the board's passes other than as an ordinary event.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <map>
#include <optional>
#include <string>

#include "alarm/desktop_notifier.h"

namespace bb::platform {

class DBusNotifier final : public QObject, public DesktopNotifier {
    Q_OBJECT
  public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    // Shown as the sender of each notification.
    static constexpr const char* kAppName = "Beaconboard";

    explicit DBusNotifier(QDBusConnection bus, QObject* parent = nullptr);

    void Show(const std::string& tag, const DesktopNote& note) override;
    void Close(const std::string& tag) override;
    void SetHandler(Handler handler) override { handler_ = std::move(handler); }

  private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

  private:
    // One tag's notification: the service's id once it has answered; what
    // to do once it does, when it has not yet.
    struct Entry {
        uint id = 0;
        bool pending = false;
        std::optional<DesktopNote> next;
        bool closeNext = false;
    };
    // Does what the tag's entry waits for, once the service can be told.
    void Flush(const std::string& tag);
    void AskCapabilities();
    void Answered(const std::string& tag, uint id);
    void Failed(const QString& error, const std::string* tag);
    std::optional<std::string> TagOf(uint id) const;

    QDBusConnection bus_;
    Handler handler_;
    std::map<std::string, Entry> entries_;
    // Whether the service shows markup in a body: then text is escaped.
    // Asked before the first notification, and again after a failure.
    enum class Capabilities { Unknown, Asking, Known } capabilities_ = Capabilities::Unknown;
    bool markup_ = false;
    bool logged_ = false;
};

}  // namespace bb::platform
