// The board and bb-host over a private session bus (the test runs under
// dbus-run-session): the contract as the bus carries it, events in order,
// and a host that is missing, killed, hung or closing.
#include "app/host_binding.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QClipboard>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>

#include "app/main_window.h"
#include "bus/station_dict.h"
#include "host/host_service.h"
#include "host/symbols.h"
#include "map/phg_overlays.h"
#include "stations/board.h"
#include "stations/record_fill.h"
#include "tests/fakes/bus_thread.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/fake_system.h"
#include "tests/fakes/host_process.h"

namespace bb::app {
namespace {

using bb::testing::FakeSystem;
using bb::testing::HostOnBus;
using bb::testing::HostProcess;
using bb::testing::WaitFor;

QDBusConnection Bus() {
    return QDBusConnection::sessionBus();
}

// Records the events in the order they reach the board.
class Recorder final : public host::HostEvents, public host::MapEvents {
  public:
    std::vector<std::string> seen;
    void mUIV_NotifyBeacon(const std::string& c, float lat, float) override {
        seen.push_back("beacon " + c + " " + std::to_string(static_cast<int>(lat)));
    }
    void mUIV_NotifyBeaconData(const host::HostStation& s) override {
        seen.push_back("data " + s.Callsign + " " + s.Symbol);
    }
    void mUIV_NotifyDelete(const std::string& c) override { seen.push_back("delete " + c); }
    void mUIV_UIView32IsClosing() override { seen.push_back("closing"); }
    void mUivMap_MapHasChanged() override { seen.push_back("map changed"); }
    void mUivMap_MapRedrawn() override { seen.push_back("map redrawn"); }
    void mUivMap_StationChosen(const std::string& c) override { seen.push_back("chosen " + c); }
};

const char kThree[] =
    "G4ABC>APRS,WIDE2-1:=5213.50N/00007.20E-PHG5132 Home 145.625MHz T088\n"
    "M0XYZ-9>S32U6T,WIDE1-1:`(_fn\"Oj/]\"4-}\n"
    "G4ABC>APRS::M0XYZ-9  :a message, not a station\n"
    "broken line\n"
    "M1OBJ>APRS:;GB3AV    *071200z5210.00N/00010.00Er146.940MHz T100 -060\n";

TEST(HostBus, MissingHostCannotBeCreatedAndFormLoadLogsIt) {
    FakeSystem sys;
    ASSERT_FALSE(HostOnBus());
    try {
        DBusHost::Create(Bus());
        FAIL() << "created without a host";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::kCantCreateObject);
    }
    Form1 app(Form1::OnBus(Bus()));
    app.Form_Load();
    EXPECT_EQ(app.Wiring(), nullptr);
    const auto log = sys.LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().find("Form1.Form_Load"), std::string::npos) << log.back();
    EXPECT_NE(log.back().find("429"), std::string::npos) << log.back();
}

TEST(HostBus, ContractAsTheBusCarriesIt) {
    HostProcess hostProcess;
    ASSERT_TRUE(hostProcess.Started());
    hostProcess.Send(kThree);
    auto call = [](const char* member, QVariantList args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(dbus::kHostService, dbus::kHostPath,
                                                        QStringLiteral("org.beaconboard.Host.Main"),
                                                        QString::fromLatin1(member));
        m.setArguments(args);
        return Bus().call(m, QDBus::Block, 2000);
    };
    ASSERT_TRUE(
        WaitFor([&] { return call("HostStationCount").arguments().value(0).toInt() == 3; }));
    EXPECT_EQ(call("HostStationCount").signature(), "n");

    const QDBusMessage reply = call("GetStation", {QStringLiteral("G4ABC")});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(reply.signature(), "ba{sv}");
    EXPECT_TRUE(reply.arguments().value(0).toBool());
    const QVariantMap dict = qdbus_cast<QVariantMap>(reply.arguments().value(1));
    const std::map<QString, int> types = {
        {"Callsign", QMetaType::QString},   {"Symbol", QMetaType::QString},
        {"BeaconText", QMetaType::QString}, {"StatusText", QMetaType::QString},
        {"Longitude", QMetaType::Double},   {"Latitude", QMetaType::Double},
        {"Speed", QMetaType::Double},       {"Course", QMetaType::Short},
        {"ReportDate", QMetaType::Double},  {"FallbackDate", QMetaType::Double},
        {"Distance", QMetaType::Double},    {"CommentStart", QMetaType::Short},
        {"Bearing", QMetaType::Short}};
    EXPECT_EQ(dict.size(), static_cast<qsizetype>(types.size()));
    for (const auto& [key, type] : types)
        EXPECT_EQ(dict.value(key).typeId(), type) << key.toStdString();

    // The same through the board's binding.
    auto host = DBusHost::Create(Bus());
    host::HostStation s;
    s.Callsign = "G4ABC";
    ASSERT_TRUE(host->GetStation(s));
    EXPECT_EQ(s.Symbol, "/-");
    EXPECT_NEAR(s.Latitude, 52 * 60 + 13.5, 1e-3);
    EXPECT_NEAR(s.Longitude, 7.2, 1e-3);
    EXPECT_EQ(s.BeaconText.substr(s.CommentStart - 1), "PHG5132 Home 145.625MHz T088");
    EXPECT_EQ(s.Speed, -99999);
    EXPECT_EQ(s.Course, -32768);
    EXPECT_EQ(s.ReportDate, 0);
    EXPECT_GT(s.FallbackDate, DateSerial(2026, 1, 1));
    EXPECT_NEAR(s.Distance, 26.33, 0.01);
    s.Callsign = "M0XYZ-9";
    ASSERT_TRUE(host->GetStation(s));
    EXPECT_EQ(s.StatusText, "Returning");
    EXPECT_EQ(s.Course, 251);
    s.Callsign = "GB3AV";
    ASSERT_TRUE(host->GetStation(s));
    EXPECT_GT(s.ReportDate, 0);
    s.Callsign = "g4abc";  // exact case only
    EXPECT_FALSE(host->GetStation(s));

    ASSERT_EQ(host->HostStationCount(), 3);
    std::set<std::string> calls;
    for (std::int16_t i = 0; i < 3; ++i) {
        const std::string line = host->HostStationLine(i);
        calls.insert(line.substr(1, line.find(' ', 1) - 1));
    }
    EXPECT_EQ(calls, (std::set<std::string>{"G4ABC", "M0XYZ-9", "GB3AV"}));
    EXPECT_EQ(host->HostStationLine(3), "");
    // Without a desktop there is no clipboard to hand a symbol over.
    EXPECT_FALSE(host->SymbolToClipboard("/", "/-", "", 0));
    EXPECT_FALSE(host->SymbolToClipboard("/", "", "", 0));
}

// bb-host's service in a thread of this process, so that the test can look
// at what it drew; its own thread answers the board's blocking calls.
class ThreadHost : public testing::BusThread {
  public:
    explicit ThreadHost(hostapp::HostService::Options options = {})
        : BusThread(QStringLiteral("thread-host")) {
        Run([&] {
            service_ = new hostapp::HostService(options);
            QString why;
            registered_ = service_->Register(Bus(), why);
            QObject::connect(&service_->MapObject(), &hostapp::MapService::StationShown,
                             [this](const QString& call) { shown_ << call; });
        });
    }
    ~ThreadHost() {
        Run([this] {
            service_->Close();
            delete service_;
        });
    }
    bool Registered() const { return registered_; }
    std::deque<hostapp::Overlay> Items() {
        std::deque<hostapp::Overlay> copy;
        Run([&] { copy = service_->Overlays().Items(); });
        return copy;
    }
    std::int32_t DrawColour() {
        std::int32_t c = 0;
        Run([&] { c = service_->Overlays().DrawColour(); });
        return c;
    }
    std::uint64_t Queries() {
        std::uint64_t n = 0;
        Run([&] { n = service_->Counters().queries; });
        return n;
    }
    // A station heard, as from the host's own feed.
    void Hear(const std::string& line) {
        Run([&] { service_->Hear(line); });
    }
    // Lines heard in one turn of the host's event loop (so within one batch),
    // which ends with the batch sent.
    void HearInOneTurn(const std::vector<std::string>& lines) {
        Run([&] {
            for (const std::string& line : lines)
                service_->Hear(line);
            service_->FlushBeaconBatch();
        });
    }
    std::uint64_t Batches() {
        std::uint64_t n = 0;
        Run([&] { n = service_->Counters().beaconBatches; });
        return n;
    }
    // The stations a board asked the map to show.
    QStringList Shown() {
        QStringList copy;
        Run([&] { copy = shown_; });
        return copy;
    }
    // What the host's map says when the user clicks a station.
    void Choose(const QString& call) {
        Run([&] { emit service_->MapObject().StationChosen(call); });
    }
    // Heard without a word on the bus, then told with a plain NotifyBeacon.
    void HearThenNotifyBeacon(const std::string& line, const std::string& call) {
        Run([&] {
            service_->SetNotify(false);
            service_->Hear(line);
            service_->SetNotify(true);
            emit service_->NotifyBeacon(QString::fromStdString(call), 0, 0);
        });
    }
    // What the host's map does when it repaints: its figures go, then it says so.
    void Redraw() {
        Run([&] {
            service_->Overlays().Clear();
            emit service_->MapObject().MapRedrawn();
        });
    }

  private:
    hostapp::HostService* service_ = nullptr;
    QStringList shown_;
    bool registered_ = false;
};

TEST(HostBus, MapCallsReachTheHostInOrderInBatchesAndABrokenBatchIsCutShort) {
    ThreadHost service;
    ASSERT_TRUE(service.Registered());
    {
        auto host = DBusHost::Create(Bus());
        host::HostMap& map = host->Map();
        map.SetMapLineWidth(5);
        map.SetMapDrawColour(16777215);
        map.MapCircle(10, 3120, 7, 65280, 0, 6.2831855f, 1);
        map.SetMapLineWidth(5);  // unchanged: not sent again
        map.SetMapLineWidth(3);
        map.MapLine(1, 2, 3, 4, 16711680, 0);
        map.SetMapDrawMode(7);
        map.MapCircle(10, 3120, 7, 65280, 0, 6.2831855f, 1);  // the same circle, now XOR
        // Sent at the end of the event loop's turn.
        ASSERT_TRUE(WaitFor([&] { return service.Items().size() == 3; }));
        const auto items = service.Items();
        EXPECT_EQ(items[0].shape, hostapp::Overlay::Shape::Circle);
        EXPECT_EQ(items[0].radiusMiles, 7);
        EXPECT_EQ(items[0].colour, 65280);
        EXPECT_EQ(items[0].width, 5);
        EXPECT_EQ(items[1].shape, hostapp::Overlay::Shape::Line);
        EXPECT_EQ(items[1].x2, 3);
        EXPECT_EQ(items[1].y2, 4);
        EXPECT_EQ(items[1].width, 3);
        EXPECT_EQ(items[2].mode, 7);
        EXPECT_EQ(service.DrawColour(), 16777215);
    }
    // A batch whose second call lacks its numbers: the first is drawn, the
    // rest dropped, and the host carries on.
    QByteArray numbers;
    for (double v : {1.0, 2.0, 3.0, 4.0, 255.0, 0.0, 9.0}) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int b = 0; b < 8; ++b)
            numbers.append(static_cast<char>(bits >> (8 * b) & 0xFF));
    }
    QDBusMessage m = QDBusMessage::createMethodCall(dbus::kHostService, dbus::kMapPath,
                                                    QStringLiteral("org.beaconboard.Host.Map"),
                                                    QStringLiteral("MapDraw"));
    m.setArguments({QByteArray("\x02\x01\x63", 3), numbers});
    ASSERT_TRUE(Bus().send(m));
    ASSERT_TRUE(WaitFor([&] { return service.Items().size() == 4; }));
    EXPECT_EQ(service.Items()[3].colour, 255);
    m.setArguments({QByteArray("\x63", 1), QByteArray("x")});
    Bus().send(m);
    EXPECT_EQ(Bus()
                  .call(QDBusMessage::createMethodCall(dbus::kHostService, dbus::kHostPath,
                                                       QStringLiteral("org.beaconboard.Host.Main"),
                                                       QStringLiteral("HostStationCount")))
                  .type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(service.Items().size(), 4u);
}

TEST(HostBus, EventsAreHeldUntilReleasedThenArriveInOrder) {
    HostProcess hostProcess({"--notify-callsign"});
    ASSERT_TRUE(hostProcess.Started());
    auto host = DBusHost::Create(Bus());
    Recorder rec;
    host->SetEvents(&rec, &rec, nullptr);
    host->Map();
    host->SetNotify(true);
    hostProcess.Send("A1>APRS:!5200.00N/00000.00E-\nB2>APRS:!5100.00N/00000.00E-\n");
    // Held: nothing reaches the board before the release.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(rec.seen.empty());
    host->Release();
    hostProcess.Send(
        "A1>APRS:!5300.00N/00000.00E-\n"
        "M1OBJ>APRS:;GB3AV    *071200z5210.00N/00010.00Er\n"
        "M1OBJ>APRS:;GB3AV    _071200z5210.00N/00010.00Er\n");
    ASSERT_TRUE(WaitFor([&] { return rec.seen.size() >= 5; }));
    EXPECT_EQ(rec.seen,
              (std::vector<std::string>{"beacon A1 3120", "beacon B2 3060", "beacon A1 3180",
                                        "beacon GB3AV 3130", "delete GB3AV"}));
}

// The figures a full pass draws, as the host keeps them.
std::vector<hostapp::Overlay> FullPass(StationBoard& board) {
    struct NoPauses final : MessagePump {
        void LetPendingMessagesRun() override {}
    } pump;
    testing::FakeMap map;
    map.drawMode = 13;  // the host's pen before anyone sets it
    PhgOverlays full(board, map, pump, Settings());
    full.Plot_PHG();
    std::vector<hostapp::Overlay> out;
    for (const auto& c : map.circles)
        out.push_back(
            {hostapp::Overlay::Shape::Circle, c.x, c.y, 0, 0, c.radius, c.colour, c.width, c.mode});
    for (const auto& l : map.lines)
        out.push_back(
            {hostapp::Overlay::Shape::Line, l.x1, l.y1, l.x2, l.y2, 0, l.colour, l.width, l.mode});
    return out;
}

std::vector<std::string> Sorted(const std::deque<hostapp::Overlay>& items) {
    std::vector<std::string> out;
    for (const hostapp::Overlay& o : items)
        out.push_back(QString::asprintf("%d %.4f %.4f %.4f %.4f %.4f %d %d %d",
                                        static_cast<int>(o.shape), o.x1, o.y1, o.x2, o.y2,
                                        o.radiusMiles, o.colour, o.width, o.mode)
                          .toStdString());
    std::sort(out.begin(), out.end());
    return out;
}

// Between the host's repaints the board draws only the stations that
// changed; once the host has repainted, its map holds what a full pass draws.
TEST(HostBus, AfterTheHostRepaintsItsMapHoldsWhatAFullPassDraws) {
    FakeSystem sys;
    ThreadHost service;
    ASSERT_TRUE(service.Registered());
    Form1 app(Form1::OnBus(Bus()));
    app.Form_Load();
    ASSERT_NE(app.Wiring(), nullptr);
    const StationTable& t = app.Wiring()->Board().Table();
    const auto hear = [&](int station, int phg) {
        service.Hear("G" + std::to_string(station) + "ABC>APRS:!51" + std::to_string(10 + station) +
                     ".00N/000" + std::to_string(10 + station) + ".00W#PHG" + std::to_string(phg) +
                     " club");
    };
    const auto holds = [&](const std::vector<hostapp::Overlay>& full) {
        const std::deque<hostapp::Overlay> wanted(full.begin(), full.end());
        return WaitFor([&] { return Sorted(service.Items()) == Sorted(wanted); }, 5000);
    };
    // Omni and directional stations: the first pass draws them all.
    for (int i = 0; i < 12; ++i)
        hear(i, 5130 + i % 9);
    ASSERT_TRUE(WaitFor([&] { return t.LiveCount() == 12; }));
    const std::vector<hostapp::Overlay> first = FullPass(app.Wiring()->Board());
    ASSERT_GE(first.size(), 12u);  // a circle at least for each station
    EXPECT_TRUE(holds(first));
    // Some of them again with other figures: until the repaint the host
    // keeps the figures they had before beside their new ones.
    for (int i = 0; i < 12; i += 3)
        hear(i, 3264 + i % 5);
    ASSERT_TRUE(WaitFor(
        [&] { return t.find_station("G9ABC") >= 0 && t[t.find_station("G9ABC")].PHG.Power == 9; }));
    const std::vector<hostapp::Overlay> full = FullPass(app.Wiring()->Board());
    EXPECT_TRUE(WaitFor([&] { return service.Items().size() > full.size(); }, 5000));
    service.Redraw();
    EXPECT_TRUE(holds(full)) << ::testing::PrintToString(Sorted(service.Items()));
    EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
}

TEST(HostBus, BoardFollowsTheHostsEvents) {
    FakeSystem sys;
    HostProcess hostProcess({"--notify-data"});
    ASSERT_TRUE(hostProcess.Started());
    hostProcess.Send(kThree);
    ASSERT_TRUE(WaitFor([&] { return DBusHost::Create(Bus())->HostStationCount() == 3; }));
    Form1 app(Form1::OnBus(Bus()));
    app.Form_Load();
    ASSERT_NE(app.Wiring(), nullptr);
    EXPECT_EQ(app.Wiring()->Board().Table().LiveCount(), 3);
    hostProcess.Send("G4ABC>APRS:>EMERGENCY\n2E0NEW>APRS:!5200.00S/00000.00W-\n");
    const StationTable& t = app.Wiring()->Board().Table();
    ASSERT_TRUE(WaitFor([&] {
        return t.LiveCount() == 4 && t.find_station("G4ABC") >= 0 &&
               t[t.find_station("G4ABC")].Emergency;
    }));
    const auto log = sys.LogLines();
    EXPECT_TRUE(log.empty()) << log.back();
}

// Texts beyond ASCII from the air reach the board's record whole: a UTF-8
// object name, Windows-1252 bytes, a NUL and a third-party packet each keep
// the comment and its PHG group where the host said it starts.
TEST(HostBus, CommentsBeyondAsciiReachTheBoardWhole) {
    FakeSystem sys;
    HostProcess hostProcess;
    ASSERT_TRUE(hostProcess.Started());
    Form1 app(Form1::OnBus(Bus()));
    app.Form_Load();
    ASSERT_NE(app.Wiring(), nullptr);
    using namespace std::string_literals;
    hostProcess.Send(
        "G4ABC>APRS:;Caf\xC3\xA9     *071200z5210.00N/00010.00Er PHG5132 Th\xC3\xA9 club\n"
        "G4ABC>APRS:;Bar\xE9     *071200z5211.00N/00010.00Er PHG2360 caf\xE9\n"
        "M0NUL>APRS:!5212.00N/00010.00Er\0PHG5132\n"
        "G4GATE>APRS,TCPIP*:}PA3THR>APRS,TCPIP,G4GATE*:!5213.00N/00010.00Er PHG7130 gated\n"s);
    const StationTable& t = app.Wiring()->Board().Table();
    const auto record = [&](const char* call) -> const StationRecord* {
        const std::int32_t i = t.find_station(call);
        return i < 0 ? nullptr : &t[i];
    };
    ASSERT_TRUE(WaitFor([&] {
        return record("Caf\xC3\xA9") && record("Bar\xC3\xA9") && record("M0NUL") &&
               record("PA3THR");
    })) << t.LiveCount();
    EXPECT_EQ(record("Caf\xC3\xA9")->Comment, " PHG5132 Th\xC3\xA9 club");
    EXPECT_EQ(record("Bar\xC3\xA9")->Comment, " PHG2360 caf\xC3\xA9");
    EXPECT_EQ(record("M0NUL")->Comment, "\xEF\xBF\xBDPHG5132");
    EXPECT_EQ(record("PA3THR")->Comment, " PHG7130 gated");
    EXPECT_EQ(record("PA3THR")->BeaconText, "!5213.00N/00010.00Er PHG7130 gated");
    for (const char* call : {"Caf\xC3\xA9", "Bar\xC3\xA9", "PA3THR"})
        EXPECT_TRUE(record(call)->HasPHG) << call;
    EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
}

// bb-host keeps its station list on disk: stopped and started again, it
// offers the board the stations it heard before, with their true report
// times, and the board shows them at once.
TEST(HostBus, ARestartedHostOffersTheStationsItHeardBefore) {
    FakeSystem sys;
    const std::string file = (sys.folder.path() / "state" / "stations").string();
    const QStringList keep{"--stations-file", QString::fromStdString(file)};
    std::map<std::string, host::HostStation> before;
    {
        HostProcess first(keep);
        ASSERT_TRUE(first.Started());
        first.Send(kThree);
        first.Send("G4TIME>APRS:@071015z5213.50N/00007.20E-timed\n");
        ASSERT_TRUE(WaitFor([&] { return DBusHost::Create(Bus())->HostStationCount() == 4; }));
        auto host = DBusHost::Create(Bus());
        for (std::int16_t i = 0; i < host->HostStationCount(); ++i) {
            host::HostStation s;
            ASSERT_TRUE(CallsignFromHostLine(host->HostStationLine(i), s.Callsign));
            ASSERT_TRUE(host->GetStation(s));
            before[s.Callsign] = s;
        }
        // A batch carries each line and what GetStation gives for it.
        const std::vector<host::HostListing> listed = host->HostStations(0, 100);
        ASSERT_EQ(listed.size(), before.size());
        for (std::int16_t i = 0; i < 4; ++i) {
            const host::HostListing& l = listed[static_cast<std::size_t>(i)];
            EXPECT_EQ(l.line, host->HostStationLine(i));
            ASSERT_TRUE(l.known && before.count(l.callsign)) << l.line;
            EXPECT_EQ(dbus::StationToDict(l.station), dbus::StationToDict(before[l.callsign]));
        }
        EXPECT_TRUE(host->HostStations(4, 100).empty());
        ASSERT_TRUE(first.Stop());
    }
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_NE(testing::ReadFile(file).find("G4TIME\t"), std::string::npos);

    HostProcess second(keep);
    ASSERT_TRUE(second.Started());
    Form1 app(Form1::OnBus(Bus()));
    app.Form_Load();
    ASSERT_NE(app.Wiring(), nullptr);
    const StationTable& t = app.Wiring()->Board().Table();
    EXPECT_EQ(t.LiveCount(), 4);
    auto host = DBusHost::Create(Bus());
    for (const auto& [call, was] : before) {
        SCOPED_TRACE(call);
        host::HostStation now;
        now.Callsign = call;
        ASSERT_TRUE(host->GetStation(now));
        EXPECT_EQ(now.BeaconText, was.BeaconText);
        EXPECT_EQ(now.ReportDate, was.ReportDate);
        EXPECT_EQ(now.FallbackDate, was.FallbackDate);
        EXPECT_EQ(now.Latitude, was.Latitude);
        EXPECT_EQ(now.Distance, was.Distance);
        EXPECT_GE(t.find_station(call), 0);
    }
    EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
}

// A host that announces each beacon with the station's data is not asked
// for the station again; one that announces only the callsign is, once a
// beacon. Either way the board's record is the host's.
TEST(HostBus, AStationAnnouncedWholeIsNotAskedForAgain) {
    for (const bool data : {true, false}) {
        SCOPED_TRACE(data ? "NotifyBeaconData" : "NotifyBeacon");
        FakeSystem sys;
        hostapp::HostService::Options options;
        options.beaconData = data;
        ThreadHost service(options);
        ASSERT_TRUE(service.Registered());
        Form1 app(Form1::OnBus(Bus()));
        app.Form_Load();
        ASSERT_NE(app.Wiring(), nullptr);
        const StationTable& t = app.Wiring()->Board().Table();
        const std::uint64_t before = service.Queries();
        for (int i = 0; i < 5; ++i)
            service.Hear("G" + std::to_string(i) + "XYZ>APRS:!5110.00N/00010.00W#PHG" +
                         std::to_string(i + 1) + "130 round " + std::to_string(i));
        // One station twice: its second beacon's data replaces the first.
        service.Hear("G0XYZ>APRS:!5120.00N/00020.00W#PHG7130 moved");
        ASSERT_TRUE(WaitFor([&] {
            const int i = t.find_station("G0XYZ");
            return t.LiveCount() == 5 && i >= 0 && t[i].PHG.Power == 49;
        }));
        const int moved = t.find_station("G0XYZ");
        EXPECT_NEAR(t[moved].Latitude, 51 * 60 + 20, 0.01);
        EXPECT_NE(t[moved].BeaconText.find("moved"), std::string::npos);
        EXPECT_EQ(t[t.find_station("G2XYZ")].PHG.Power, 9);
        EXPECT_EQ(service.Queries() - before, data ? 0u : 6u);
        EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
    }
}

// A pump whose first pause runs what the test gives it.
struct AtPause final : MessagePump {
    std::function<void()> once;
    void LetPendingMessagesRun() override {
        if (auto f = std::exchange(once, nullptr)) f();
    }
};

// The records of a table in order, each with what the board made of it.
std::string Records(const StationTable& t) {
    std::string out;
    for (std::int32_t i = 0; i < t.StationCount(); ++i)
        out += t[i].Callsign + (t[i].Deleted ? " deleted " : " ") + t[i].LatitudeText + " " +
               t[i].Comment + "\n";
    return out;
}

// Beacons taken from the host's batches make the records that the same
// beacons told one by one make, in the same order: a station deleted between
// two of them, a station heard twice in one batch, and beacons heard during
// an intake's pause, which wait behind the batch it belongs to. None is
// asked for.
TEST(HostBus, BeaconsInBatchesMakeTheSameRecordsAsOneByOne) {
    std::map<bool, std::string> records;
    for (const bool batches : {false, true}) {
        SCOPED_TRACE(batches ? "batches" : "one by one");
        FakeSystem sys;
        hostapp::HostService::Options options;
        options.beaconBatches = batches;
        ThreadHost service(options);
        auto host = DBusHost::Create(Bus());
        AtPause pump;
        StationBoard board(*host, pump);
        host->SetEvents(&board, nullptr, nullptr);
        host->SetNotify(true);
        host->Release();
        const std::uint64_t queries = service.Queries();
        pump.once = [&] {
            service.HearInOneTurn({"G2AAA>APRS:!5130.00N/00030.00W#in the pause",
                                   "G0AAA>APRS:!5131.00N/00031.00W#again in the pause"});
            // A round trip: what the host sent before its answer has come.
            host->HostStationCount();
            QCoreApplication::processEvents();
        };
        service.HearInOneTurn({"G0AAA>APRS:!5110.00N/00010.00W#first",
                               "M1OBJ>APRS:;GB3AV    *071200z5210.00N/00010.00Er146.940MHz",
                               "G0AAA>APRS:!5111.00N/00011.00W#second",
                               "G1AAA>APRS:!5112.00N/00012.00W#",
                               "M1OBJ>APRS:;GB3AV    _071200z5210.00N/00010.00Er146.940MHz",
                               "G1AAA>APRS:!5113.00N/00013.00W#after the delete"});
        const StationTable& t = board.Table();
        ASSERT_TRUE(WaitFor([&] { return t.StationCount() == 7; })) << Records(t);
        EXPECT_FALSE(pump.once);  // the pause came
        EXPECT_EQ(service.Batches() > 0, batches);
        EXPECT_EQ(service.Queries(), queries);
        EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
        records[batches] = Records(t);
    }
    EXPECT_EQ(records[true], records[false]);
}

// A board closed during the pause of a batch's first beacon is not handed
// the rest of the batch.
TEST(HostBus, ABoardClosedInABatchesPauseIsHandedNoMore) {
    FakeSystem sys;
    ThreadHost service;
    auto host = DBusHost::Create(Bus());
    AtPause pump;
    StationBoard board(*host, pump);
    host->SetEvents(&board, nullptr, nullptr);
    host->SetNotify(true);
    host->Release();
    pump.once = [&] { host->SetEvents(nullptr, nullptr, nullptr); };
    service.HearInOneTurn(
        {"G0AAA>APRS:!5110.00N/00010.00W#first", "G1AAA>APRS:!5112.00N/00012.00W#second"});
    ASSERT_TRUE(WaitFor([&] { return !pump.once; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(board.Table().StationCount(), 1);
}

// A newer beacon of the same station, told with a plain NotifyBeacon while
// a NotifyBeaconData's intake pauses: its intake asks the host, and the
// station's one live record is the newer one.
TEST(HostBus, AnIntakeInAnAnnouncementsPauseAsksForTheNewerStation) {
    FakeSystem sys;
    hostapp::HostService::Options options;
    options.beaconData = true;
    options.beaconBatches = false;  // the plain NotifyBeacon is heard
    ThreadHost service(options);
    ASSERT_TRUE(service.Registered());
    auto host = DBusHost::Create(Bus());
    AtPause pump;
    StationBoard board(*host, pump);
    host->SetEvents(&board, nullptr, nullptr);
    host->SetNotify(true);
    host->Release();
    const StationTable& t = board.Table();
    pump.once = [&] {
        service.HearThenNotifyBeacon("G0XYZ>APRS:!5120.00N/00020.00W#second", "G0XYZ");
        ASSERT_TRUE(WaitFor([&] { return t.StationCount() == 2; }));
    };
    service.Hear("G0XYZ>APRS:!5110.00N/00010.00W#first");
    ASSERT_TRUE(WaitFor([&] { return t.StationCount() == 2 && t[0].Callsign == "G0XYZ"; }));
    EXPECT_FALSE(pump.once);  // the second came in the first one's pause
    const int live = t.find_station("G0XYZ");
    ASSERT_GE(live, 0);
    EXPECT_NE(t[live].BeaconText.find("second"), std::string::npos) << t[live].BeaconText;
    EXPECT_EQ(t.LiveCount(), 1);
    EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
}

// A host that gives symbols as PNG bytes: the grid shows the host's own
// pictures and the user's clipboard is neither read into nor written.
TEST(HostBus, SymbolPicturesComeAsPngAndTheClipboardIsLeftAlone) {
    FakeSystem sys;
    ThreadHost service;
    ASSERT_TRUE(service.Registered());
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("the user's own text"));
    QSignalSpy changed(clipboard, &QClipboard::dataChanged);
    Form1 app(Form1::OnBus(Bus()));
    app.Form_Load();
    ASSERT_NE(app.Wiring(), nullptr);
    service.Hear("G4ABC>APRS:!5110.00N/00010.00W-PHG5130");
    service.Hear("M0XYZ>APRS:!5111.00N/00011.00W>");
    const platform::GridControl& grid = app.GridModel();
    const auto symbolOf = [&](const std::string& call) {
        for (int r = grid.FixedRows(); r < grid.Rows(); ++r)
            if (grid.TextMatrix(r, 0) == call) return grid.Cell(r, 1);
        return platform::GridCell{};
    };
    ASSERT_TRUE(WaitFor([&] { return symbolOf("G4ABC").picture && symbolOf("M0XYZ").picture; }));
    for (const auto& [call, code] : {std::pair{"G4ABC", '-'}, {"M0XYZ", '>'}}) {
        const auto picture = symbolOf(call).picture;
        QImage drawn;
        ASSERT_TRUE(hostapp::DrawSymbol('/', code, drawn));
        drawn = drawn.convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(picture->width, drawn.width()) << call;
        ASSERT_EQ(picture->height, drawn.height()) << call;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                ASSERT_EQ(picture->argb[static_cast<std::size_t>(y * drawn.width() + x)],
                          drawn.pixel(x, y))
                    << call << " at " << x << "," << y;
    }
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(clipboard->text(), QStringLiteral("the user's own text"));
    EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
}

// The map's members a board follows the host by: ShowStation answers over
// the bus whether the host knows the station (its map then shows it), and
// the host's StationChosen reaches the board's map events.
TEST(HostBus, ShowStationAndStationChosenCrossTheBus) {
    ThreadHost service;
    ASSERT_TRUE(service.Registered());
    service.Hear("G4ABC>APRS:!5110.00N/00010.00W-");
    auto host = DBusHost::Create(Bus());
    Recorder recorder;
    host->SetEvents(&recorder, &recorder, nullptr);
    host->Release();
    for (const auto& [call, known] : {std::pair{"G4ABC", true}, {"NOBODY", false}})
        EXPECT_EQ(host->Map().ShowStation(call), std::optional<bool>(known)) << call;
    EXPECT_EQ(service.Shown(), QStringList{QStringLiteral("G4ABC")});
    service.Choose(QStringLiteral("G4ABC"));
    EXPECT_TRUE(
        WaitFor([&] { return !recorder.seen.empty() && recorder.seen.back() == "chosen G4ABC"; }));
}

// A host of the contract's first version: its main object has no
// SymbolPng, only the clipboard way, and its map cannot show a station.
class OlderHost final : public QDBusVirtualObject {
  public:
    int clipboardCalls = 0, pngCalls = 0, showCalls = 0, notifyCalls = 0, batchCalls = 0;
    QString introspect(const QString& path) const override {
        if (path == dbus::kMapPath)
            return QStringLiteral(
                "<interface name=\"org.beaconboard.Host.Map\"><method name=\"MapLine\">"
                "<arg name=\"x1\" type=\"d\" direction=\"in\"/></method></interface>");
        return QStringLiteral(
            "<interface name=\"org.beaconboard.Host.Main\"><method name=\"SymbolToClipboard\">"
            "<arg name=\"table\" type=\"s\" direction=\"in\"/>"
            "<arg name=\"symbol\" type=\"s\" direction=\"in\"/>"
            "<arg name=\"overlay\" type=\"s\" direction=\"in\"/>"
            "<arg name=\"flags\" type=\"i\" direction=\"in\"/>"
            "<arg name=\"ok\" type=\"b\" direction=\"out\"/></method></interface>");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QLatin1String("SymbolToClipboard")) {
            ++clipboardCalls;
            return connection.send(message.createReply(QVariant(true)));
        }
        if (message.member() == QLatin1String("Map"))
            return connection.send(
                message.createReply(QVariant::fromValue(QDBusObjectPath(dbus::kMapPath))));
        if (message.member() == QLatin1String("SetNotify")) {
            ++notifyCalls;
            return connection.send(message.createReply());
        }
        if (message.member() == QLatin1String("NotifyInBatches")) ++batchCalls;
        if (message.member() == QLatin1String("SymbolPng")) ++pngCalls;
        if (message.member() == QLatin1String("ShowStation")) ++showCalls;
        return false;
    }
};

TEST(HostBus, AnOlderHostWithoutPngSymbolsIsAskedByTheClipboard) {
    // The older host answers from a thread of its own, as a host program would.
    OlderHost* older = nullptr;
    testing::BusThread thread(QStringLiteral("older-host"));
    bool registered = false;
    thread.Run([&] {
        older = new OlderHost;
        registered =
            thread.Bus().registerVirtualObject(dbus::kHostPath, older, QDBusConnection::SubPath) &&
            thread.Bus().registerService(dbus::kHostService);
    });
    thread.AtEnd([&] {
        thread.Bus().unregisterService(dbus::kHostService);
        thread.Bus().unregisterObject(dbus::kHostPath);
        delete older;
    });
    ASSERT_TRUE(registered);
    {
        auto host = DBusHost::Create(Bus());
        Picture picture;
        EXPECT_FALSE(host->SymbolPicture("/", "/>", "", picture).has_value());
        EXPECT_FALSE(host->SymbolPicture("/", "/-", "", picture).has_value());
        EXPECT_TRUE(host->SymbolToClipboard("/", "/>", "", 0));
        EXPECT_FALSE(host->Map().ShowStation("G4ABC").has_value());
        EXPECT_FALSE(host->ListsInBatches());  // its list is read a station at a time
        host->SetNotify(true);                 // and its beacons are told one by one
    }
    thread.Run([&] {
        EXPECT_EQ(older->clipboardCalls, 1);
        EXPECT_EQ(older->pngCalls, 0);
        EXPECT_EQ(older->showCalls, 0);
        EXPECT_EQ(std::pair(older->notifyCalls, older->batchCalls), std::pair(1, 0));
    });
}

TEST(HostBus, TheProgramEndsWhenTheHostCloses) {
    HostProcess hostProcess;
    ASSERT_TRUE(hostProcess.Started());
    hostProcess.Send(kThree);
    QProcess board;
    board.setProgram(QStringLiteral(BB_BOARD_EXE));
    board.setProcessEnvironment([] {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }());
    board.start();
    ASSERT_TRUE(board.waitForStarted(5000));
    // Running and bound: it stays up while the host does.
    EXPECT_FALSE(board.waitForFinished(1500));
    hostProcess.Signal(SIGTERM);
    ASSERT_TRUE(board.waitForFinished(5000));
    EXPECT_EQ(board.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(board.exitCode(), 0);
}

TEST(HostBus, KilledOrHungHostFailsCallsWithoutHanging) {
    HostProcess hostProcess;
    ASSERT_TRUE(hostProcess.Started());
    auto host = DBusHost::Create(Bus());
    host->Map();
    hostProcess.Signal(SIGSTOP);
    QElapsedTimer t;
    t.start();
    host::HostStation s;
    s.Callsign = "G4ABC";
    try {
        host->GetStation(s);
        FAIL() << "a hung host answered";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 462);
    }
    EXPECT_LT(t.elapsed(), DBusHost::kCallTimeoutMs + 1000);
    // Not waited on again until it is heard from.
    t.restart();
    EXPECT_THROW(host->HostStationCount(), RuntimeError);
    EXPECT_LT(t.elapsed(), 100);

    hostProcess.Signal(SIGCONT);
    hostProcess.Signal(SIGKILL);
    ASSERT_TRUE(hostProcess.WaitGone());
    auto again = std::unique_ptr<DBusHost>();
    EXPECT_THROW(DBusHost::Create(Bus()), RuntimeError);
    // Map calls of a vanished host go nowhere and raise nothing.
    host->MapCircle(1, 2, 3, 255, 0, 6.2831855f, 1);
    host->SetMapDrawMode(13);
}

}  // namespace
}  // namespace bb::app
