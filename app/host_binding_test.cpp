// The board and bb-host over a private session bus (under dbus-run-session).
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
#include <functional>
#include <map>

#include "bus/station_dict.h"
#include "host/host_service.h"
#include "host/symbols.h"
#include "host_main_proxy.h"
#include "platform/dbus_dde.h"
#include "stations/board.h"
#include "stations/record_fill.h"
#include "tests/fakes/bus_thread.h"
#include "tests/fakes/host_process.h"

namespace bb::app {
namespace {

using bb::testing::WaitFor;
using HostBus = bb::testing::HostBusTest;

// Records the events in the order they reach the board.
class Recorder final : public HostEvents, public MapEvents {
  public:
    std::vector<std::string> seen;
    void mUIV_NotifyBeacon(const std::string& c, float lat, float) override {
        seen.push_back("beacon " + c + " " + std::to_string(static_cast<int>(lat)));
    }
    void mUIV_NotifyBeaconData(const HostStation& s) override {
        seen.push_back("data " + s.Callsign + " " + s.Symbol);
    }
    void mUIV_NotifyDelete(const std::string& c) override { seen.push_back("delete " + c); }
    void mUIV_UIView32IsClosing() override { seen.push_back("closing"); }
    void mUivMap_MapHasChanged() override { seen.push_back("map changed"); }
    void mUivMap_MapRedrawn() override { seen.push_back("map redrawn"); }
    void StationChosen(const std::string& c) override { seen.push_back("chosen " + c); }
};

const char kThree[] =
    "G4ABC>APRS,WIDE2-1:=5213.50N/00007.20E-PHG5132 Home 145.625MHz T088\n"
    "M0XYZ-9>S32U6T,WIDE1-1:`(_fn\"Oj/]\"4-}\n"
    "G4ABC>APRS::M0XYZ-9  :a message, not a station\n"
    "broken line\n"
    "M1OBJ>APRS:;GB3AV    *071200z5210.00N/00010.00Er146.940MHz T100 -060\n";

// The contract on the bus; restarted, bb-host offers the stations it heard before.
TEST_F(HostBus, ContractAsTheBusCarriesItAndARestartedHostKeepsItsStations) {
    const std::string file = (sys.folder.path() / "state" / "stations").string();
    const QStringList keep{"--stations-file", QString::fromStdString(file)};
    ASSERT_TRUE(StartHost(keep));
    host->Send(kThree);
    host->Send("G4TIME>APRS:@071015z5213.50N/00007.20E-timed\n");
    ASSERT_TRUE(WaitFor([&] { return HostCount() == 4; }));
    QDBusMessage message = QDBusMessage::createMethodCall(
        bus::kHostService, bus::kHostPath, QStringLiteral("org.beaconboard.Host.Main"),
        QStringLiteral("GetStation"));
    message.setArguments({QStringLiteral("G4ABC")});
    const QDBusMessage reply = Bus().call(message, QDBus::Block, 2000);
    ASSERT_EQ(reply.signature(), "ba{sv}") << reply.errorMessage().toStdString();
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
    auto bound = DBusHost::Create(Bus());
    const auto get = [&](const std::string& call) {
        HostStation s;
        s.Callsign = call;
        return bound->GetStation(s) ? std::optional(s) : std::nullopt;
    };
    const HostStation s = get("G4ABC").value_or(HostStation{});
    const auto got =
        std::tuple(s.Symbol, std::lround(s.Latitude * 10), std::lround(s.Longitude * 10),
                   s.BeaconText.substr(std::max(s.CommentStart, std::int16_t(1)) - 1), s.Speed,
                   s.Course, s.ReportDate, std::lround(s.Distance * 10));
    EXPECT_EQ(got, decltype(got)("/-", 31335L, 72L, "PHG5132 Home 145.625MHz T088", -99999, -32768,
                                 0, 263L));
    EXPECT_GT(s.FallbackDate, DateSerial(2026, 1, 1));
    const auto mobile = get("M0XYZ-9").value_or(HostStation{});
    EXPECT_EQ(std::pair(mobile.StatusText, mobile.Course),
              (std::pair<std::string, std::int16_t>("Returning", 251)));
    EXPECT_GT(get("GB3AV").value_or(HostStation{}).ReportDate, 0);
    EXPECT_FALSE(get("g4abc"));  // exact case only
    EXPECT_EQ(bound->HostStationLine(4), "");
    // Without a desktop there is no clipboard to hand a symbol over.
    EXPECT_FALSE(bound->SymbolToClipboard("/", "/-", "", 0));

    // A batch carries each line and what GetStation gives for it.
    std::map<std::string, HostStation> before;
    const std::vector<HostListing> listed = bound->HostStations(0, 100);
    ASSERT_EQ(listed.size(), 4u);
    for (std::int16_t i = 0; i < 4; ++i) {
        const HostListing& l = listed[static_cast<std::size_t>(i)];
        std::string call;
        ASSERT_TRUE(CallsignFromHostLine(bound->HostStationLine(i), call));
        const auto now = get(call);
        ASSERT_TRUE(now && l.known && l.callsign == call) << l.line;
        EXPECT_EQ(l.line, bound->HostStationLine(i));
        EXPECT_EQ(bus::StationToDict(l.station), bus::StationToDict(*now));
        before[call] = *now;
    }
    EXPECT_TRUE(bound->HostStations(4, 100).empty());
    bound.reset();
    ASSERT_TRUE(host->Stop());
    EXPECT_NE(testing::ReadFile(file).find("G4TIME\t"), std::string::npos);

    ASSERT_TRUE(StartHost(keep));
    ASSERT_NE(Load().Wiring(), nullptr);
    EXPECT_EQ(Table().LiveCount(), 4);
    bound = DBusHost::Create(Bus());
    for (const auto& [call, was] : before) {
        const auto now = get(call);
        ASSERT_TRUE(now) << call;
        EXPECT_EQ(bus::StationToDict(*now), bus::StationToDict(was)) << call;
        EXPECT_NE(Record(call), nullptr) << call;
    }
    EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
}

// bb-host's service on a thread of this process, which answers the board's calls.
class ThreadHost : public testing::BusThread {
  public:
    explicit ThreadHost(hostapp::HostService::Options options = {})
        : BusThread(QStringLiteral("thread-host")) {
        Run([&] {
            service_ = new hostapp::HostService(options);
            QString why;
            EXPECT_TRUE(service_->Register(Bus(), why)) << why.toStdString();
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
    // What `f` gives, read on the service's thread.
    template <class F>
    auto Ask(F f) {
        decltype(f(*service_)) out{};
        Run([&] { out = f(*service_); });
        return out;
    }
    std::uint64_t Queries() {
        return Ask([](hostapp::HostService& s) { return s.Counters().queries; });
    }
    void Hear(const std::string& line) {
        Run([&] { service_->Hear(line); });
    }
    // Lines heard in one turn of the host's event loop, so in one batch.
    void HearInOneTurn(const std::vector<std::string>& lines) {
        Run([&] {
            for (const std::string& line : lines)
                service_->Hear(line);
            service_->FlushBeaconBatch();
        });
    }
    // The stations a board asked the map to show.
    QStringList Shown() {
        return Ask([this](hostapp::HostService&) { return shown_; });
    }
    // Heard silently, then told with a plain NotifyBeacon.
    void HearThenNotifyBeacon(const std::string& line, const std::string& call) {
        Run([&] {
            service_->blockSignals(true);
            service_->Hear(line);
            service_->blockSignals(false);
            emit service_->NotifyBeacon(QString::fromStdString(call), 0, 0);
        });
    }

  private:
    hostapp::HostService* service_ = nullptr;
    QStringList shown_;
};

// Map calls go in order, in batches; ShowStation and StationChosen cross the bus.
TEST_F(HostBus, MapCallsShowStationAndStationChosenCrossTheBus) {
    ThreadHost service;
    service.Hear("G4ABC>APRS:!5110.00N/00010.00W-");
    auto bound = DBusHost::Create(Bus());
    Recorder recorder;
    bound->SetEvents(&recorder, &recorder, nullptr);
    bound->Release();
    HostMap& map = bound->Map();
    map.SetMapLineWidth(5);
    map.SetMapDrawColour(16777215);
    map.MapCircle(10, 3120, 7, 65280, 0, 6.2831855f, 1);
    map.SetMapLineWidth(5);  // unchanged: not sent again
    map.SetMapLineWidth(3);
    map.MapLine(1, 2, 3, 4, 16711680, 0);
    map.SetMapDrawMode(7);
    map.MapCircle(10, 3120, 7, 65280, 0, 6.2831855f, 1);  // the same circle, now XOR
    const auto items = [&] {
        return service.Ask([](hostapp::HostService& s) { return s.Overlays().Items(); });
    };
    ASSERT_TRUE(WaitFor([&] { return items().size() == 3; }));  // sent at the turn's end
    using Shape = hostapp::Overlay::Shape;
    EXPECT_EQ(items()[0], (hostapp::Overlay{Shape::Circle, 10, 3120, 0, 0, 7, 65280, 5, 13}));
    EXPECT_EQ(items()[1], (hostapp::Overlay{Shape::Line, 1, 2, 3, 4, 0, 16711680, 3, 13}));
    EXPECT_EQ(items()[2].mode, 7);
    EXPECT_EQ(service.Ask([](hostapp::HostService& s) { return s.Overlays().DrawColour(); }),
              16777215);
    for (const auto& [call, known] : {std::pair{"G4ABC", true}, {"NOBODY", false}})
        EXPECT_EQ(map.ShowStation(call), std::optional<bool>(known)) << call;
    EXPECT_EQ(service.Shown(), QStringList{QStringLiteral("G4ABC")});
    service.Ask([](hostapp::HostService& s) {  // the user clicks it on the host's map
        emit s.MapObject().StationChosen(QStringLiteral("G4ABC"));
        return 0;
    });
    EXPECT_TRUE(
        WaitFor([&] { return !recorder.seen.empty() && recorder.seen.back() == "chosen G4ABC"; }));
}

// A station board bound over the bus, whose first pause runs `once`.
struct PausedBoard final : MessagePump {
    std::function<void()> once;
    std::unique_ptr<DBusHost> bound;
    StationBoard stations;
    explicit PausedBoard(DBusHost::HostSignals from = DBusHost::HostSignals::OwnConnection)
        : bound(DBusHost::Create(QDBusConnection::sessionBus(), from)), stations(*bound, *this) {
        bound->SetEvents(&stations, nullptr, nullptr);
        bound->SetNotify(true);
        bound->Release();
    }
    void LetPendingMessagesRun() override {
        if (auto f = std::exchange(once, nullptr)) f();
    }
};

// The records of a table in order, each with what the board made of it.
std::string Records(const StationTable& t) {
    std::string out;
    for (std::int32_t i = 0; i < t.StationCount(); ++i)
        out += t[i].Callsign + (t[i].Deleted ? " deleted " : " ") + t[i].LatitudeText() + " " +
               std::string(t[i].Comment()) + "\n";
    return out;
}

// Beacons in batches make the records the same beacons told one by one make,
// whether the board reads the host's signals on a connection of its own or
// from the toolkit's.
TEST_F(HostBus, BeaconsInBatchesMakeTheSameRecordsAsOneByOne) {
    using From = DBusHost::HostSignals;
    std::map<std::pair<bool, From>, std::string> records;
    for (const From from : {From::OwnConnection, From::ToolkitConnection})
        for (const bool batches : {false, true}) {
            SCOPED_TRACE(std::string(batches ? "batches" : "one by one") +
                         (from == From::OwnConnection ? ", own connection" : ", toolkit's"));
            hostapp::HostService::Options options;
            options.beaconBatches = batches;
            ThreadHost service(options);
            PausedBoard pump(from);
            const std::uint64_t queries = service.Queries();
            pump.once = [&] {
                service.HearInOneTurn({"G2AAA>APRS:!5130.00N/00030.00W#in the pause",
                                       "G0AAA>APRS:!5131.00N/00031.00W#again in the pause"});
                // A round trip: what the host sent before its answer has come.
                pump.bound->HostStationCount();
                QCoreApplication::processEvents();
            };
            service.HearInOneTurn({"G0AAA>APRS:!5110.00N/00010.00W#first",
                                   "M1OBJ>APRS:;GB3AV    *071200z5210.00N/00010.00Er146.940MHz",
                                   "G0AAA>APRS:!5111.00N/00011.00W#second",
                                   "G1AAA>APRS:!5112.00N/00012.00W#",
                                   "M1OBJ>APRS:;GB3AV    _071200z5210.00N/00010.00Er146.940MHz",
                                   "G1AAA>APRS:!5113.00N/00013.00W#after the delete"});
            const StationTable& t = pump.stations.Table();
            ASSERT_TRUE(WaitFor([&] { return t.StationCount() == 7; })) << Records(t);
            EXPECT_FALSE(pump.once);  // the pause came
            EXPECT_EQ(
                service.Ask([](hostapp::HostService& s) { return s.Counters().beaconBatches; }) > 0,
                batches);
            EXPECT_EQ(service.Queries(), queries);
            EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
            records[{batches, from}] = Records(t);
            if (!batches) continue;
            // A board closed during the pause of a batch's first beacon is handed no more.
            pump.once = [&] { pump.bound->SetEvents(nullptr, nullptr, nullptr); };
            service.HearInOneTurn(
                {"G0AAA>APRS:!5110.00N/00010.00W#", "G2BBB>APRS:!5112.00N/00012.00W#"});
            ASSERT_TRUE(WaitFor([&] { return !pump.once; }));
            QCoreApplication::processEvents();
            EXPECT_EQ(t.StationCount(), 8);
        }
    for (const auto& [how, text] : records)
        EXPECT_EQ(text, records.begin()->second);
}

// A signal of the host's with other arguments than its interface gives is
// left out and said once in the log; the board goes on with the next.
TEST_F(HostBus, AHostSignalOfTheWrongShapeIsLeftOutAndLogged) {
    ThreadHost service;
    auto bound = DBusHost::Create(Bus());
    Recorder recorder;
    bound->SetEvents(&recorder, &recorder, nullptr);
    bound->Release();
    const auto send = [&](const char* member, const QVariantList& args) {
        service.Run([&] {
            QDBusMessage m = QDBusMessage::createSignal(
                bus::kHostPath, QStringLiteral("org.beaconboard.Host.Main"), member);
            m.setArguments(args);
            service.Bus().send(m);
        });
    };
    send("NotifyDelete", {42});
    send("NotifyDelete", {43});
    send("UIView32IsClosing", {QStringLiteral("now")});
    send("NotifyDelete", {QStringLiteral("G4ABC")});
    ASSERT_TRUE(WaitFor([&] { return !recorder.seen.empty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.seen, std::vector<std::string>{"delete G4ABC"});
    EXPECT_EQ(LogCount("came with arguments"), 2) << sys.LogText();
    EXPECT_EQ(LogCount("The host's NotifyDelete came with arguments (i) its interface does not "
                       "give it; such signals are left out"),
              1);
    EXPECT_EQ(LogCount("The host's UIView32IsClosing came with arguments (s)"), 1);
}

// Each listener has the announcements on for itself: a board that turns them off or leaves
// silences no other; beacons go out one by one only while a listener takes them so. A
// board's events are held until it is ready, then come in order.
TEST_F(HostBus, EachListenerKeepsItsAnnouncementsWhateverTheOthersDo) {
    using Main = OrgBeaconboardHostMainInterface;
    const auto open = [](const char* name) {
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    };
    for (const bool plain : {false, true}) {  // with --notify-callsign no board takes batches
        host.reset();
        ASSERT_TRUE(StartHost(plain ? QStringList{"--notify-callsign"} : QStringList{}));
        std::map<std::string, std::unique_ptr<DBusHost>> boards;
        std::map<std::string, Recorder> seen;
        for (const char* name : {"A", "B"}) {
            (boards[name] = DBusHost::Create(open(name)))->SetEvents(&seen[name], nullptr, nullptr);
            boards[name]->SetNotify(true);
        }
        boards["A"]->Release();
        // A board of the older kind, and `watch`, which asks for nothing and hears what goes out.
        auto older = std::make_unique<Main>(bus::kHostService, bus::kHostPath, open("older"));
        Main watch(bus::kHostService, bus::kHostPath, open("watch"));
        int singles = 0;
        QObject::connect(&watch, &Main::NotifyBeacon, [&] { ++singles; });
        QObject::connect(&watch, &Main::NotifyBeaconData, [&] { ++singles; });
        const auto leave = [&](const char* name) {  // the host hears of it once the bus has
            const QString unique = QDBusConnection(name).baseService();
            if (!boards.erase(name)) older.reset();
            QDBusConnection::disconnectFromBus(name);
            ASSERT_TRUE(
                WaitFor([&] { return !Bus().interface()->isServiceRegistered(unique).value(); }));
        };
        const auto release = [&] {
            EXPECT_TRUE(seen["B"].seen.empty());  // held
            boards["B"]->Release();
        };
        const std::tuple<std::function<void()>, std::vector<std::string>, int> steps[] = {
            {[] {}, {"A"}, plain},
            {[&] { release(), older->SetNotify(true).waitForFinished(); }, {"A", "B"}, 1},
            {[&] { boards["A"]->SetNotify(false); }, {"B"}, 1},
            {[&] { boards["A"]->SetNotify(true), leave("older"); }, {"A", "B"}, plain},
            {[&] { leave("B"); }, {"A"}, plain}};
        int n = 0;
        std::vector<std::string> heardByB;
        for (const auto& [act, hearing, sent] : steps) {
            act();
            HostCount();  // a round trip: the host has taken the step
            singles = 0;
            const std::string call = "S" + std::to_string(n++);
            heardByB.push_back((plain ? "beacon " : "data ") + call + (plain ? " 3066" : " /-"));
            host->Send(call + ">APRS:!5106.00N/00010.00W-\n");
            for (const std::string& name : hearing)
                EXPECT_TRUE(WaitFor([&, r = &seen[name].seen] {
                    return std::count(r->begin(), r->end(), heardByB.back()) == 1;
                })) << name
                    << " " << call;
            watch.HostStationCount().waitForFinished();  // answered after the announcements
            QCoreApplication::processEvents();
            EXPECT_EQ(singles, sent) << call << " " << plain;
        }
        heardByB.pop_back();  // B had left
        EXPECT_EQ(seen["B"].seen, heardByB);
        // A burst of lines is told as data available, not line by line.
        int data = 0;
        QObject::connect(&watch, &Main::DataAvailable, [&] { ++data; });
        watch.HostStationCount().waitForFinished();  // after the bus has its match
        std::string burst;
        for (int i = 0; i < 40; ++i)
            burst += "B" + std::to_string(i) + ">APRS:!5106.00N/00010.00W-\n";
        host->Send(burst);
        EXPECT_TRUE(WaitFor([&] { return seen["A"].seen.size() >= heardByB.size() + 40; }));
        EXPECT_TRUE(WaitFor([&] { return data >= 1; }));
        EXPECT_LT(data, 20);
        boards.clear();
        for (const char* name : {"A", "watch"})
            QDBusConnection::disconnectFromBus(name);
    }
}

// A newer beacon told plainly during an intake's pause is asked for and kept.
TEST_F(HostBus, AnIntakeInAnAnnouncementsPauseAsksForTheNewerStation) {
    hostapp::HostService::Options options;
    options.beaconData = true;
    options.beaconBatches = false;  // the plain NotifyBeacon is heard
    ThreadHost service(options);
    PausedBoard pump;
    const StationTable& t = pump.stations.Table();
    pump.once = [&] {
        service.HearThenNotifyBeacon("G0XYZ>APRS:!5120.00N/00020.00W#second", "G0XYZ");
        ASSERT_TRUE(WaitFor([&] { return t.StationCount() == 2; }));
    };
    service.Hear("G0XYZ>APRS:!5110.00N/00010.00W#first");
    ASSERT_TRUE(WaitFor([&] { return t.StationCount() == 2 && t[0].Callsign == "G0XYZ"; }));
    EXPECT_FALSE(pump.once);  // the second came in the first one's pause
    const int live = t.find_station("G0XYZ");
    ASSERT_GE(live, 0);
    EXPECT_EQ(std::pair(t[live].BeaconText.substr(20), t.LiveCount()),
              std::pair(std::string("second"), 1));
    EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
}

// Symbols come as PNG bytes; the user's clipboard is left alone.
TEST_F(HostBus, SymbolPicturesComeAsPngAndTheClipboardIsLeftAlone) {
    ThreadHost service;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("the user's own text"));
    QSignalSpy changed(clipboard, &QClipboard::dataChanged);
    ASSERT_NE(Load().Wiring(), nullptr);
    service.Hear("G4ABC>APRS:!5110.00N/00010.00W-PHG5130");
    service.Hear("M0XYZ>APRS:!5111.00N/00011.00W>");
    const platform::GridControl& grid = board->GridModel();
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
        const QImage shown(reinterpret_cast<const uchar*>(picture->argb.data()), picture->width,
                           picture->height, QImage::Format_ARGB32);
        EXPECT_EQ(shown, drawn.convertToFormat(QImage::Format_ARGB32)) << call;
    }
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(clipboard->text(), QStringLiteral("the user's own text"));
    EXPECT_TRUE(sys.LogLines().empty()) << sys.LogText();
}

// A host of the contract's first version: no SymbolPng, no ShowStation.
class OlderHost final : public QDBusVirtualObject {
  public:
    QStringList calls;  // the members asked for
    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"org.beaconboard.Host.Main\">"
            "<method name=\"SymbolToClipboard\"/></interface>");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString m = message.member();
        calls << m;
        if (m == QLatin1String("SymbolToClipboard"))
            return connection.send(message.createReply(QVariant(true)));
        if (m == QLatin1String("Map"))
            return connection.send(
                message.createReply(QVariant::fromValue(QDBusObjectPath(bus::kMapPath))));
        return m == QLatin1String("SetNotify") && connection.send(message.createReply());
    }
};

TEST_F(HostBus, AnOlderHostWithoutPngSymbolsIsAskedByTheClipboard) {
    // The older host answers from a thread of its own, as a host program would.
    OlderHost* older = nullptr;
    testing::BusThread thread(QStringLiteral("older-host"));
    bool registered = false;
    thread.Run([&] {
        older = new OlderHost;
        registered =
            thread.Bus().registerVirtualObject(bus::kHostPath, older, QDBusConnection::SubPath) &&
            thread.Bus().registerService(bus::kHostService);
    });
    thread.AtEnd([&] {
        thread.Bus().unregisterService(bus::kHostService);
        thread.Bus().unregisterObject(bus::kHostPath);
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
    thread.Run([&] {  // clipboard, png, show, notify, batches
        const QStringList& c = older->calls;
        EXPECT_EQ(
            std::tuple(c.count("SymbolToClipboard"), c.count("SymbolPng"), c.count("ShowStation"),
                       c.count("SetNotify"), c.count("NotifyInBatches")),
            std::tuple(1, 0, 0, 1, 0));
    });
}

// A killed or hung host fails calls at once; the program ends when its host closes.
TEST_F(HostBus, AKilledOrHungHostFailsCallsAtOnceAndTheProgramEndsWhenTheHostCloses) {
    ASSERT_TRUE(StartHost());
    auto bound = DBusHost::Create(Bus());
    bound->Map();
    host->Signal(SIGSTOP);
    QElapsedTimer t;
    t.start();
    HostStation s;
    s.Callsign = "G4ABC";
    try {
        bound->GetStation(s);
        FAIL() << "a hung host answered";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 462);
    }
    EXPECT_LT(t.elapsed(), DBusHost::kCallTimeoutMs + 1000);
    // Not waited on again until it is heard from.
    t.restart();
    EXPECT_THROW(bound->HostStationCount(), RuntimeError);
    EXPECT_LT(t.elapsed(), 100);

    ASSERT_TRUE(host->Kill());
    EXPECT_THROW(DBusHost::Create(Bus()), RuntimeError);
    // Map calls of a vanished host go nowhere and raise nothing.
    bound->MapCircle(1, 2, 3, 255, 0, 6.2831855f, 1);
    bound->SetMapDrawMode(13);

    ASSERT_TRUE(StartHost());
    host->Send(kThree);
    QProcess program;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(BB_BOARD_EXE));
    // Bound to the host: its radio link, made after the binding, serves its topic.
    const QString radio = platform::DdeServiceName("beaconboard");
    ASSERT_TRUE(
        WaitFor([&] { return Bus().interface()->isServiceRegistered(radio).value(); }, 10000));
    EXPECT_EQ(program.state(), QProcess::Running);
    host->Signal(SIGTERM);
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
}  // namespace bb::app
