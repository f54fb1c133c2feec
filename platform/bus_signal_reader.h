// Signals of one program on the session bus, read on the thread that made
// the reader, straight from a connection of its own. The toolkit's bus
// connection reads every message on a thread of its own and hands it over:
// two threads woken for each message. Here a message wakes this thread alone.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

class QDBusConnection;
class QSocketNotifier;
struct DBusConnection;
struct DBusMessage;

namespace bb::platform {

class BusSignalReader final : public QObject {
    Q_OBJECT
  public:
    // One signal as it came: its member and its arguments as the toolkit's
    // bus would give them (strings, numbers, bytes as QByteArray, a{sv} as
    // QVariantMap; any other type as a list, which no reader takes as a
    // string or a number).
    struct Signal {
        QString member;
        QString signature;  // of the arguments, as the bus writes it
        QVariantList args;
    };
    using Handler = std::function<void(const Signal&)>;

    // A connection to the bus `sameAs` is on, or null with the reason in
    // `error` (no bus, or another bus than that one).
    static std::unique_ptr<BusSignalReader> Open(const QDBusConnection& sameAs, QString& error);
    ~BusSignalReader() override;

    // Starts (or stops) taking `member` of `interface` at `path` from
    // whoever owns the name `sender`; false with the bus's reason in `error`.
    bool Listen(const QString& sender, const QString& path, const QString& interface,
                const QString& member, bool on, QString& error);
    // Called for each signal, in the order the bus brought them; a signal
    // that comes during the handler's pauses is handed over there.
    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    // Reads and hands over what has come so far; run when the socket tells.
    void ReadNow();

  private:
    explicit BusSignalReader(DBusConnection* connection);
    void Hand(DBusMessage* message);

    DBusConnection* connection_;
    QSocketNotifier* notifier_ = nullptr;
    Handler handler_;
    // Cleared when the reader goes, so a handler that closed it stops the loop.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace bb::platform
