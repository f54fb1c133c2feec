#include "platform/dbus_dde.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

#include "support/error_trap.h"

namespace bb::platform {
namespace {

// The board's own topics take commands only.
class ExecuteOnly final : public DdeTopicHandler {
  public:
    explicit ExecuteOnly(dde::ExecuteHandler onExecute) : onExecute_(std::move(onExecute)) {}
    bool Execute(const std::string& command) override { return onExecute_ && onExecute_(command); }

  private:
    dde::ExecuteHandler onExecute_;
};

const QString kInterface = QStringLiteral("org.beaconboard.DDE.Topic");
const QString kNoItem = QStringLiteral("org.beaconboard.DDE.Error.NoItem");
const QString kRefused = QStringLiteral("org.beaconboard.DDE.Error.Refused");

std::string Utf8(const QString& s) {
    return s.toStdString();
}

// The classic error for a failed call: no answer in time, or no program
// answering for the service and topic.
[[noreturn]] void RaiseFor(const QDBusMessage& reply, const QString& what) {
    const QDBusError::ErrorType type = QDBusError(reply).type();
    const std::string detail = Utf8(what + QStringLiteral(": ") + reply.errorMessage());
    if (type == QDBusError::NoReply || type == QDBusError::Timeout || type == QDBusError::TimedOut)
        Raise(err::kDdeTimeout, detail);
    if (reply.errorName() == kRefused) Raise(err::kDdeRefused, detail);
    Raise(err::kDdeNoResponse, detail);
}

class DBusEndpoint final : public dde::Endpoint {
  public:
    DBusEndpoint(QDBusConnection bus, int timeoutMs)
        : bus_(std::move(bus)), timeoutMs_(timeoutMs) {}
    ~DBusEndpoint() override { End(); }

    void SetLinkTopic(std::string_view topic) override { topic_ = topic; }
    void SetLinkItem(std::string_view item) override { item_ = item; }

    void SetLinkMode(dde::LinkMode mode) override {
        End();
        if (mode == dde::LinkMode::None) return;
        const auto bar = topic_.find('|');
        if (bar == std::string::npos || bar == 0)
            Raise(err::kDdeNoResponse, "no application in the topic " + topic_);
        service_ = DdeServiceName(std::string_view(topic_).substr(0, bar));
        path_ = DdeTopicPath(std::string_view(topic_).substr(bar + 1));
        // The hot link's first value proves that the program answers for
        // the topic; what it says is not used.
        const QDBusMessage reply = Call(QStringLiteral("Advise"), QString::fromStdString(item_));
        if (reply.type() != QDBusMessage::ReplyMessage)
            RaiseFor(reply, QString::fromStdString(topic_));
        open_ = true;
        advised_ = QString::fromStdString(item_);
    }

    void LinkExecute(std::string_view command) override {
        if (!open_) Raise(err::kDdeNoResponse, "no conversation on " + topic_);
        const QDBusMessage reply =
            Call(QStringLiteral("Execute"),
                 QString::fromUtf8(command.data(), static_cast<int>(command.size())));
        if (reply.type() != QDBusMessage::ReplyMessage)
            RaiseFor(reply, QString::fromStdString(topic_));
        const QList<QVariant> args = reply.arguments();
        if (args.size() != 1 || args[0].typeId() != QMetaType::Bool || !args[0].toBool())
            Raise(err::kDdeRefused, "execute refused on " + topic_);
    }

    std::string LinkRequest(std::string_view item) override {
        if (!open_) Raise(err::kDdeNoResponse, "no conversation on " + topic_);
        const QDBusMessage reply =
            Call(QStringLiteral("Request"),
                 QString::fromUtf8(item.data(), static_cast<int>(item.size())));
        if (reply.type() != QDBusMessage::ReplyMessage)
            RaiseFor(reply, QString::fromStdString(topic_));
        const QList<QVariant> args = reply.arguments();
        if (args.size() != 1 || args[0].typeId() != QMetaType::QString)
            Raise(err::kDdeNoResponse, "no value for " + std::string(item) + " on " + topic_);
        return Utf8(args[0].toString());
    }

  private:
    QDBusMessage Call(const QString& method, const QString& argument) {
        QDBusMessage m = QDBusMessage::createMethodCall(service_, path_, kInterface, method);
        m.setAutoStartService(false);
        m << argument;
        return bus_.call(m, QDBus::Block, timeoutMs_);
    }

    // Tells the program the hot link is over, without waiting for it.
    void End() {
        if (!open_) return;
        open_ = false;
        QDBusMessage m =
            QDBusMessage::createMethodCall(service_, path_, kInterface, QStringLiteral("Unadvise"));
        m.setAutoStartService(false);
        m << advised_;
        bus_.send(m);
    }

    QDBusConnection bus_;
    int timeoutMs_;
    std::string topic_, item_;
    QString service_, path_, advised_;
    bool open_ = false;
};

}  // namespace

std::string EncodeDdeName(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            out += static_cast<char>(c);
        } else {
            out += '_';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

QString DdeServiceName(std::string_view service) {
    return QStringLiteral("org.beaconboard.DDE.") + QString::fromStdString(EncodeDdeName(service));
}

QString DdeTopicPath(std::string_view topic) {
    return QStringLiteral("/") + QString::fromStdString(EncodeDdeName(topic));
}

void DdeTopicObject::Notify(const std::string& item, const std::string& value) {
    Q_EMIT Changed(QString::fromStdString(item), QString::fromStdString(value));
}

bool DdeTopicObject::Execute(const QString& command) {
    return handler_->Execute(Utf8(command));
}

QString DdeTopicObject::Request(const QString& item) {
    const std::optional<std::string> value = handler_->Request(Utf8(item));
    if (!value) {
        sendErrorReply(kNoItem, QStringLiteral("no item ") + item);
        return {};
    }
    return QString::fromStdString(*value);
}

void DdeTopicObject::Poke(const QString& item, const QString& value) {
    if (!handler_->Poke(Utf8(item), Utf8(value)))
        sendErrorReply(kRefused, QStringLiteral("poke refused on ") + item);
}

QString DdeTopicObject::Advise(const QString& item) {
    // Changes go out as signals to whoever listens; the first value is the
    // same as a request's.
    return Request(item);
}

void DdeTopicObject::Unadvise(const QString&) {}

DdeService::DdeService(QDBusConnection bus, std::string service)
    : bus_(std::move(bus)), service_(std::move(service)) {}

DdeService::~DdeService() {
    for (auto& [path, object] : topics_)
        bus_.unregisterObject(QString::fromStdString(path));
    if (registered_) bus_.unregisterService(DdeServiceName(service_));
}

bool DdeService::Register(QString& why) {
    if (registered_) return true;
    if (!bus_.isConnected()) {
        why = QStringLiteral("no session bus: ") + bus_.lastError().message();
        return false;
    }
    const QString name = DdeServiceName(service_);
    const auto reply =
        bus_.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        why = name + QStringLiteral(" is taken by another program");
        return false;
    }
    registered_ = true;
    return true;
}

DdeTopicObject* DdeService::AddTopic(std::string_view topic,
                                     std::unique_ptr<DdeTopicHandler> handler) {
    const QString path = DdeTopicPath(topic);
    RemoveTopic(topic);
    auto object = std::make_unique<DdeTopicObject>(std::move(handler));
    if (!bus_.registerObject(path, object.get(),
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals))
        return nullptr;
    DdeTopicObject* raw = object.get();
    topics_[Utf8(path)] = std::move(object);
    return raw;
}

void DdeService::RemoveTopic(std::string_view topic) {
    const QString path = DdeTopicPath(topic);
    if (topics_.erase(Utf8(path)) > 0) bus_.unregisterObject(path);
}

std::unique_ptr<dde::Endpoint> DBusDdeLayer::NewEndpoint() {
    return std::make_unique<DBusEndpoint>(bus_, timeoutMs_);
}

bool DBusDdeLayer::ServeTopic(std::string_view service, std::string_view topic,
                              dde::ExecuteHandler onExecute) {
    auto& s = services_[EncodeDdeName(service)];
    if (!s) s = std::make_unique<DdeService>(bus_, std::string(service));
    QString why;
    if (!s->Register(why)) return false;
    return s->AddTopic(topic, std::make_unique<ExecuteOnly>(std::move(onExecute))) != nullptr;
}

void DBusDdeLayer::StopTopic(std::string_view service, std::string_view topic) {
    const auto it = services_.find(EncodeDdeName(service));
    if (it == services_.end()) return;
    it->second->RemoveTopic(topic);
    if (it->second->Empty()) services_.erase(it);
}

}  // namespace bb::platform
