#include "platform/dbus_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include "platform/qt_text.h"
#include "support/diagnostic_log.h"

namespace bb::platform {
namespace {

// The service's urgency levels; a critical one stays until it is closed.
constexpr uchar kNormal = 1;
constexpr uchar kCritical = 2;

QDBusMessage Call(const char* method) {
    return QDBusMessage::createMethodCall(DBusNotifier::kService, DBusNotifier::kPath,
                                          DBusNotifier::kInterface, QString::fromLatin1(method));
}

}  // namespace

DBusNotifier::DBusNotifier(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(bus) {
    // The service's signals go to every listener; ids that are not ours are
    // ignored.
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(ActionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(NotificationClosed(uint, uint)));
}

void DBusNotifier::Show(const std::string& tag, const DesktopNote& note) {
    Entry& entry = entries_[tag];
    entry.next = note;
    entry.closeNext = false;
    Flush(tag);
}

void DBusNotifier::Close(const std::string& tag) {
    const auto it = entries_.find(tag);
    if (it == entries_.end()) return;
    it->second.next.reset();
    it->second.closeNext = true;
    Flush(tag);
}

void DBusNotifier::Flush(const std::string& tag) {
    const auto it = entries_.find(tag);
    if (it == entries_.end()) return;
    Entry& entry = it->second;
    if (entry.pending) return;  // its answer flushes it
    if (entry.closeNext) {
        if (entry.id != 0) {
            QDBusMessage close = Call("CloseNotification");
            close << entry.id;
            bus_.asyncCall(close);
        }
        entries_.erase(it);
        return;
    }
    if (!entry.next) return;
    if (capabilities_ != Capabilities::Known) {
        AskCapabilities();
        return;
    }
    const DesktopNote note = *std::move(entry.next);
    entry.next.reset();
    QString body = Q(note.body);
    if (markup_) body = body.toHtmlEscaped();
    QStringList actions;
    for (const auto& [key, caption] : note.actions)
        actions << Q(key) << Q(caption);
    QVariantMap hints;
    hints[QStringLiteral("urgency")] = QVariant::fromValue(note.urgent ? kCritical : kNormal);
    hints[QStringLiteral("category")] = QStringLiteral("im.received");
    hints[QStringLiteral("desktop-entry")] = QStringLiteral("beaconboard");
    // Tune leaves the note up: the emergency is not over.
    if (note.urgent) hints[QStringLiteral("resident")] = true;
    QDBusMessage notify = Call("Notify");
    notify << QString::fromLatin1(kAppName) << entry.id
           << (note.urgent ? QStringLiteral("dialog-warning") : QStringLiteral("beaconboard"))
           << Q(note.summary) << body << actions << hints << 0;
    entry.pending = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, tag](auto* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            Failed(reply.error().name() + QStringLiteral(": ") + reply.error().message(), &tag);
            return;
        }
        Answered(tag, reply.value());
    });
}

void DBusNotifier::AskCapabilities() {
    if (capabilities_ == Capabilities::Asking) return;
    capabilities_ = Capabilities::Asking;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(Call("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](auto* w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isError()) {
            Failed(reply.error().name() + QStringLiteral(": ") + reply.error().message(), nullptr);
            return;
        }
        markup_ = reply.value().contains(QStringLiteral("body-markup"));
        capabilities_ = Capabilities::Known;
        std::vector<std::string> tags;
        for (const auto& [tag, entry] : entries_)
            tags.push_back(tag);
        for (const std::string& tag : tags)
            Flush(tag);
    });
}

void DBusNotifier::Answered(const std::string& tag, uint id) {
    const auto it = entries_.find(tag);
    if (it == entries_.end()) return;
    it->second.pending = false;
    it->second.id = id;
    Flush(tag);
}

void DBusNotifier::Failed(const QString& error, const std::string* tag) {
    // No service (or a broken one): the board alarms as it always did. What
    // waited is dropped; the next note asks again, for a service started
    // since.
    capabilities_ = Capabilities::Unknown;
    if (tag) {
        if (const auto it = entries_.find(*tag); it != entries_.end()) it->second.pending = false;
    }
    std::vector<std::string> closing;
    for (auto it = entries_.begin(); it != entries_.end();) {
        Entry& entry = it->second;
        if (!entry.pending) entry.next.reset();
        if (entry.pending || entry.id != 0) {
            if (entry.closeNext && !entry.pending) closing.push_back(it->first);
            ++it;
        } else {
            it = entries_.erase(it);
        }
    }
    for (const std::string& t : closing)
        Flush(t);
    if (logged_) return;
    logged_ = true;
    WriteErrorLog("Desktop notifications are not shown: " + error.toStdString());
}

std::optional<std::string> DBusNotifier::TagOf(uint id) const {
    if (id == 0) return std::nullopt;
    for (const auto& [tag, entry] : entries_)
        if (entry.id == id) return tag;
    return std::nullopt;
}

void DBusNotifier::ActionInvoked(uint id, const QString& action) {
    const std::optional<std::string> tag = TagOf(id);
    if (tag && handler_) handler_(*tag, action.toStdString());
}

void DBusNotifier::NotificationClosed(uint id, uint /*reason*/) {
    const std::optional<std::string> tag = TagOf(id);
    if (!tag) return;
    const auto it = entries_.find(*tag);
    it->second.id = 0;
    // A replacement on its way shows anew: the user has not closed that one.
    if (it->second.pending || it->second.next) return;
    entries_.erase(it);
    if (handler_) handler_(*tag, std::string());
}

}  // namespace bb::platform
