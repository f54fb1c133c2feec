// Conversations between programs over the session bus. A service S is the
// bus name "org.beaconboard.DDE." + S encoded, a topic T the object "/" + T
// encoded, with the interface org.beaconboard.DDE.Topic. Names are encoded
// upper-cased, every character outside A-Z and 0-9 written as "_" and two
// hex digits. Programs outside this one rely on these names.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "support/dde.h"

namespace bb::platform {

std::string EncodeDdeName(std::string_view name);
QString DdeServiceName(std::string_view service);
QString DdeTopicPath(std::string_view topic);
// No call to another program waits longer than this.
inline constexpr int kDdeTimeoutMs = 2000;

// What a topic answers, given by whoever offers the topic.
class DdeTopicHandler {
  public:
    virtual ~DdeTopicHandler() = default;
    // True accepts the command; every command is refused by default.
    virtual bool Execute(const std::string& /*command*/) { return false; }
    // The item's value, or nothing when the topic has no such item; every
    // item reads empty by default.
    virtual std::optional<std::string> Request(const std::string& /*item*/) {
        return std::string();
    }
    // True when the value was taken; pokes are refused by default.
    virtual bool Poke(const std::string& /*item*/, const std::string& /*value*/) { return false; }
};

// One topic this program answers for.
class DdeTopicObject final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.beaconboard.DDE.Topic")
  public:
    explicit DdeTopicObject(std::unique_ptr<DdeTopicHandler> handler)
        : handler_(std::move(handler)) {}
    // Tells the hot links on `item` its new value.
    void Notify(const std::string& item, const std::string& value);

  public Q_SLOTS:
    bool Execute(const QString& command);
    QString Request(const QString& item);
    void Poke(const QString& item, const QString& value);
    QString Advise(const QString& item);
    void Unadvise(const QString& item);

  Q_SIGNALS:
    void Changed(const QString& item, const QString& value);

  private:
    std::unique_ptr<DdeTopicHandler> handler_;
};

// One service of this program: its bus name and its topics.
class DdeService {
  public:
    DdeService(QDBusConnection bus, std::string service);
    ~DdeService();
    DdeService(const DdeService&) = delete;
    DdeService& operator=(const DdeService&) = delete;
    // False, with the reason, when the name is taken or the bus is gone.
    bool Register(QString& why);
    DdeTopicObject* AddTopic(std::string_view topic, std::unique_ptr<DdeTopicHandler> handler);
    void RemoveTopic(std::string_view topic);
    bool Empty() const { return topics_.empty(); }

  private:
    QDBusConnection bus_;
    std::string service_;
    bool registered_ = false;
    std::map<std::string, std::unique_ptr<DdeTopicObject>> topics_;
};

class DBusDdeLayer final : public dde::Layer {
  public:
    // `timeoutMs` bounds every call to the other program.
    explicit DBusDdeLayer(QDBusConnection bus, int timeoutMs = kDdeTimeoutMs)
        : bus_(std::move(bus)), timeoutMs_(timeoutMs) {}
    std::unique_ptr<dde::Endpoint> NewEndpoint() override;
    bool ServeTopic(std::string_view service, std::string_view topic,
                    dde::ExecuteHandler onExecute) override;
    void StopTopic(std::string_view service, std::string_view topic) override;

  private:
    QDBusConnection bus_;
    int timeoutMs_;
    std::map<std::string, std::unique_ptr<DdeService>> services_;
};

}  // namespace bb::platform
