#include "platform/bus_signal_reader.h"

#include <dbus/dbus.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusSignature>
#include <QSocketNotifier>
#include <QVariantMap>

namespace bb::platform {
namespace {

struct Error {
    DBusError e;
    Error() { dbus_error_init(&e); }
    ~Error() { dbus_error_free(&e); }
    QString Text() const { return QString::fromUtf8(e.message ? e.message : "unknown"); }
};

template <class T>
T Basic(DBusMessageIter* it) {
    T value{};
    dbus_message_iter_get_basic(it, &value);
    return value;
}

QVariant Read(DBusMessageIter* it);

// Every item from `it` to the end of its container (or of the message).
QVariantList ReadRest(DBusMessageIter* it) {
    QVariantList list;
    for (; dbus_message_iter_get_arg_type(it) != DBUS_TYPE_INVALID; dbus_message_iter_next(it))
        list << Read(it);
    return list;
}

QVariant ReadArray(DBusMessageIter* it) {
    DBusMessageIter items;
    dbus_message_iter_recurse(it, &items);
    switch (dbus_message_iter_get_element_type(it)) {
        case DBUS_TYPE_BYTE: {
            const unsigned char* bytes = nullptr;
            int n = 0;
            dbus_message_iter_get_fixed_array(&items, &bytes, &n);
            return QByteArray(reinterpret_cast<const char*>(bytes), n);
        }
        case DBUS_TYPE_DICT_ENTRY: {
            QVariantMap dict;
            for (; dbus_message_iter_get_arg_type(&items) == DBUS_TYPE_DICT_ENTRY;
                 dbus_message_iter_next(&items)) {
                DBusMessageIter entry;
                dbus_message_iter_recurse(&items, &entry);
                const QString key = Read(&entry).toString();
                dbus_message_iter_next(&entry);
                dict.insert(key, Read(&entry));
            }
            return dict;
        }
        default:
            return ReadRest(&items);
    }
}

QVariant Read(DBusMessageIter* it) {
    switch (dbus_message_iter_get_arg_type(it)) {
        case DBUS_TYPE_STRING:
            return QString::fromUtf8(Basic<const char*>(it));
        case DBUS_TYPE_OBJECT_PATH:
            return QVariant::fromValue(QDBusObjectPath(QString::fromUtf8(Basic<const char*>(it))));
        case DBUS_TYPE_SIGNATURE:
            return QVariant::fromValue(QDBusSignature(QString::fromUtf8(Basic<const char*>(it))));
        case DBUS_TYPE_BOOLEAN:
            return Basic<dbus_bool_t>(it) != 0;
        case DBUS_TYPE_BYTE:
            return QVariant::fromValue(Basic<unsigned char>(it));
        case DBUS_TYPE_INT16:
            return QVariant::fromValue(Basic<dbus_int16_t>(it));
        case DBUS_TYPE_UINT16:
            return QVariant::fromValue(Basic<dbus_uint16_t>(it));
        case DBUS_TYPE_INT32:
            return QVariant::fromValue(Basic<dbus_int32_t>(it));
        case DBUS_TYPE_UINT32:
            return QVariant::fromValue(Basic<dbus_uint32_t>(it));
        case DBUS_TYPE_INT64:
            return QVariant::fromValue(static_cast<qlonglong>(Basic<dbus_int64_t>(it)));
        case DBUS_TYPE_UINT64:
            return QVariant::fromValue(static_cast<qulonglong>(Basic<dbus_uint64_t>(it)));
        case DBUS_TYPE_DOUBLE:
            return Basic<double>(it);
        case DBUS_TYPE_VARIANT: {
            DBusMessageIter inner;
            dbus_message_iter_recurse(it, &inner);
            return Read(&inner);
        }
        case DBUS_TYPE_ARRAY:
            return ReadArray(it);
        default: {  // a structure, or a file descriptor: nothing a reader takes
            if (!dbus_type_is_container(dbus_message_iter_get_arg_type(it))) return QVariantList{};
            DBusMessageIter inner;
            dbus_message_iter_recurse(it, &inner);
            return ReadRest(&inner);
        }
    }
}

}  // namespace

std::unique_ptr<BusSignalReader> BusSignalReader::Open(const QDBusConnection& sameAs,
                                                       QString& error) {
    if (!sameAs.isConnected() || !sameAs.interface()) {
        error = QStringLiteral("not on a bus");
        return nullptr;
    }
    dbus_threads_init_default();
    Error e;
    DBusConnection* connection = dbus_bus_get_private(DBUS_BUS_SESSION, &e.e);
    if (!connection) {
        error = e.Text();
        return nullptr;
    }
    dbus_connection_set_exit_on_disconnect(connection, FALSE);
    std::unique_ptr<BusSignalReader> reader(new BusSignalReader(connection));
    // Only the bus the caller's connection is on will do: signals from
    // another bus's program of the same name would be someone else's.
    const QDBusMessage id = sameAs.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
    char* ours = dbus_bus_get_id(connection, &e.e);
    const QString ourId = QString::fromUtf8(ours ? ours : "");
    dbus_free(ours);
    if (id.type() != QDBusMessage::ReplyMessage || id.arguments().value(0).toString() != ourId ||
        ourId.isEmpty()) {
        error = QStringLiteral("the session bus is not the bus the host is on");
        return nullptr;
    }
    return reader;
}

BusSignalReader::BusSignalReader(DBusConnection* connection) : connection_(connection) {
    int fd = -1;
    if (dbus_connection_get_unix_fd(connection_, &fd) && fd >= 0) {
        notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadNow(); });
    }
}

BusSignalReader::~BusSignalReader() {
    *alive_ = false;
    delete notifier_;
    dbus_connection_close(connection_);
    dbus_connection_unref(connection_);
}

bool BusSignalReader::Listen(const QString& sender, const QString& path, const QString& interface,
                             const QString& member, bool on, QString& error) {
    const QByteArray rule = QStringLiteral(
                                "type='signal',sender='%1',path='%2',interface='%3',"
                                "member='%4'")
                                .arg(sender, path, interface, member)
                                .toUtf8();
    Error e;
    if (on)
        dbus_bus_add_match(connection_, rule.constData(), &e.e);
    else
        dbus_bus_remove_match(connection_, rule.constData(), &e.e);
    if (dbus_error_is_set(&e.e)) {
        error = e.Text();
        return false;
    }
    // A signal that came during that call waits in the connection's queue,
    // where the socket will not tell of it again: it is handed over at the
    // next turn of the event loop, not inside the caller's work.
    QMetaObject::invokeMethod(this, &BusSignalReader::ReadNow, Qt::QueuedConnection);
    return true;
}

void BusSignalReader::ReadNow() {
    const std::shared_ptr<bool> alive = alive_;
    // A bus that went away leaves the socket readable for good: it is not
    // watched any more (the messages read before still go out below).
    dbus_connection_read_write(connection_, 0);
    if (!dbus_connection_get_is_connected(connection_) && notifier_) notifier_->setEnabled(false);
    while (*alive) {
        DBusMessage* message = dbus_connection_pop_message(connection_);
        if (!message) break;
        Hand(message);
        dbus_message_unref(message);
    }
}

void BusSignalReader::Hand(DBusMessage* message) {
    // The bus's own greeting (NameAcquired) and anything else sent to this
    // connection by name is not a signal it listens to.
    if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_SIGNAL || !handler_ ||
        !dbus_message_get_member(message) || dbus_message_has_sender(message, DBUS_SERVICE_DBUS))
        return;
    Signal signal;
    signal.member = QString::fromUtf8(dbus_message_get_member(message));
    signal.signature = QString::fromUtf8(dbus_message_get_signature(message));
    DBusMessageIter it;
    if (dbus_message_iter_init(message, &it)) signal.args = ReadRest(&it);
    // A copy: the handler may hand this reader another while it runs.
    const Handler handler = handler_;
    handler(signal);
}

}  // namespace bb::platform
