// The reader of one program's signals against Qt's own bus, on a private session bus.
#include "platform/bus_signal_reader.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include "tests/fakes/wait_for.h"

namespace bb::platform {
namespace {

using bb::testing::WaitFor;

const QString kPath = QStringLiteral("/Sender");
const QString kInterface = QStringLiteral("org.example.Sender");

// A program of its own on the bus, which may own the sender's name.
struct Sender {
    QDBusConnection bus;
    explicit Sender(const char* name, bool owner)
        : bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)) {
        if (owner) bus.interface()->registerService(QStringLiteral("org.example.Sender"));
    }
    ~Sender() { QDBusConnection::disconnectFromBus(bus.name()); }
    void Send(const QString& member, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createSignal(kPath, kInterface, member);
        m.setArguments(args);
        bus.send(m);
    }
};

// Qt's bus is the yardstick: every argument comes as Qt's own reading of the
// same signal gives it.
TEST(BusSignalReader, ArgumentsComeAsTheToolkitsBusGivesThem) {
    Sender sender("sender", true);
    QString why;
    auto reader = BusSignalReader::Open(QDBusConnection::sessionBus(), why);
    ASSERT_TRUE(reader) << why.toStdString();
    std::vector<BusSignalReader::Signal> got;
    reader->SetHandler([&](const BusSignalReader::Signal& s) { got.push_back(s); });
    ASSERT_TRUE(reader->Listen(QStringLiteral("org.example.Sender"), kPath, kInterface,
                               QStringLiteral("Many"), true, why))
        << why.toStdString();
    const QVariantMap dict{{QStringLiteral("text"), QStringLiteral("Grüße")},
                           {QStringLiteral("course"), QVariant::fromValue<short>(-1)},
                           {QStringLiteral("on"), true}};
    const QVariantList sent{QVariant::fromValue<uchar>(255),
                            QVariant::fromValue<short>(-32768),
                            QVariant::fromValue<ushort>(65535),
                            QVariant::fromValue<int>(-70000),
                            QVariant::fromValue<uint>(4000000000u),
                            QVariant::fromValue<qlonglong>(-5000000000000LL),
                            QVariant::fromValue<qulonglong>(18000000000000000000ULL),
                            -1.5,
                            true,
                            QStringLiteral("Grüße 73"),
                            QVariant::fromValue(QDBusObjectPath(QStringLiteral("/a/b"))),
                            QByteArray("\0\1\xff", 3),
                            dict};
    sender.Send(QStringLiteral("Many"), sent);
    ASSERT_TRUE(WaitFor([&] { return !got.empty(); }));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].member, QStringLiteral("Many"));
    EXPECT_EQ(got[0].signature, QStringLiteral("ynqiuxtdbsoaya{sv}"));
    ASSERT_EQ(got[0].args.size(), sent.size());
    for (qsizetype i = 0; i + 1 < sent.size(); ++i) {
        EXPECT_EQ(got[0].args[i].typeId(), sent[i].typeId()) << i;
        EXPECT_EQ(got[0].args[i], sent[i]) << i;
    }
    EXPECT_EQ(got[0].args.back().toMap(), dict);
}

// Only the named sender's signals, only the members listened to, in the order sent.
TEST(BusSignalReader, OnlyTheNamedSendersMembersComeInOrder) {
    Sender owner("owner", true), other("other", false);
    QString why;
    auto reader = BusSignalReader::Open(QDBusConnection::sessionBus(), why);
    ASSERT_TRUE(reader) << why.toStdString();
    QStringList got;
    reader->SetHandler([&](const BusSignalReader::Signal& s) {
        got << s.member + QLatin1Char(' ') + s.args.value(0).toString();
    });
    for (const char* member : {"A", "B"})
        ASSERT_TRUE(reader->Listen(QStringLiteral("org.example.Sender"), kPath, kInterface,
                                   QString::fromLatin1(member), true, why));
    other.Send(QStringLiteral("A"), {QStringLiteral("from another program")});
    for (int i = 0; i < 50; ++i)
        owner.Send(i % 2 ? QStringLiteral("B") : QStringLiteral("A"), {QString::number(i)});
    owner.Send(QStringLiteral("C"), {QStringLiteral("not listened to")});
    ASSERT_TRUE(WaitFor([&] { return got.size() >= 50; }));
    QStringList want;
    for (int i = 0; i < 50; ++i)
        want << (i % 2 ? QStringLiteral("B ") : QStringLiteral("A ")) + QString::number(i);
    // Stopping one member: the other still comes.
    ASSERT_TRUE(reader->Listen(QStringLiteral("org.example.Sender"), kPath, kInterface,
                               QStringLiteral("A"), false, why));
    owner.Send(QStringLiteral("A"), {QStringLiteral("after")});
    owner.Send(QStringLiteral("B"), {QStringLiteral("after")});
    want << QStringLiteral("B after");
    EXPECT_TRUE(WaitFor([&] { return got.size() >= want.size(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace bb::platform
