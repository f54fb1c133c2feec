// bb-rigbridge: answers the board as DXLab Commander ("CI-V Commander") and
// Ham Radio Deluxe ("HRD_RADIO_000") and tunes a real radio through Hamlib.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "generated/version.h"
#include "platform/dbus_dde.h"
#include "rigbridge/bridge.h"
#include "rigbridge/hamlib_rig.h"

using namespace bb;
using rigbridge::Program;

namespace {

void Say(const std::string& text) {
    std::fprintf(stderr, "bb-rigbridge: %s\n", text.c_str());
    std::fflush(stderr);
}

const char* kHelp =
    "Answers the board's Tune dialog as both radio-control programs it knows,\n"
    "DXLab Commander and Ham Radio Deluxe, and tunes your radio through Hamlib:\n"
    "the board sends the QSY frequency and the mode you chose, the bridge sets\n"
    "the mode, then the frequency. Start it with the board running or not; it\n"
    "announces itself to the board, which shows both programs as connected\n"
    "within a few seconds.\n\n"
    "Examples:\n"
    "  rigctld -m 1 &                        Hamlib's dummy radio, to try it out\n"
    "  bb-rigbridge                          the radio behind rigctld on 127.0.0.1:4532\n"
    "  bb-rigbridge -m 3073 -r /dev/ttyUSB0 -s 19200    an IC-7300 on a serial port\n"
    "  rigctl -l                             lists Hamlib's rig models\n";

struct Options {
    int model = 2;
    std::string port;
    int baud = 0;
    int pollMs = 1000;
    std::string board;
    QString which;  // commander, hrd or both
};

// Reads the command line; false (after saying why) on a bad value. --help,
// --version and unknown options end the program inside, as Qt's parser does.
bool ReadOptions(QCoreApplication& app, Options& out) {
    QCommandLineParser cli;
    cli.setApplicationDescription(QString::fromLatin1(kHelp));
    cli.addHelpOption();
    QCommandLineOption model({"m", "model"},
                             "Hamlib rig model number (default 2: rigctld over the network).",
                             "number", "2");
    QCommandLineOption port({"r", "rig-file"},
                            "The radio's serial device, or host:port for network models "
                            "(default 127.0.0.1:4532 for model 2).",
                            "port");
    QCommandLineOption speed({"s", "serial-speed"}, "Serial speed in baud (default: the model's).",
                             "baud", "0");
    QCommandLineOption poll("poll", "How often the radio is read for the hot links, in ms.", "ms",
                            "1000");
    QCommandLineOption board("board", "The board's service name, its executable's name.", "name",
                             "beaconboard");
    QCommandLineOption as("as", "Answer as: commander, hrd or both.", "which", "both");
    QCommandLineOption showVersion("version", "Show the version.");
    cli.addOptions({model, port, speed, poll, board, as, showVersion});
    cli.process(app);
    if (cli.isSet(showVersion)) {
        // As the board gives it.
        std::printf("%s %d.%d.%d\n", version::kProductName, version::kMajor, version::kMinor,
                    version::kRevision);
        std::exit(0);
    }

    bool ok = true;
    out.model = cli.value(model).toInt(&ok);
    out.baud = ok ? cli.value(speed).toInt(&ok) : 0;
    out.pollMs = ok ? cli.value(poll).toInt(&ok) : 0;
    out.which = cli.value(as).toLower();
    if (!ok || out.model <= 0 || out.baud < 0 || out.pollMs < 50 ||
        (out.which != "both" && out.which != "commander" && out.which != "hrd")) {
        Say("bad option value; see --help");
        return false;
    }
    out.port = cli.value(port).toStdString();
    if (out.port.empty() && out.model == 2) out.port = "127.0.0.1:4532";
    out.board = cli.value(board).toStdString();
    return true;
}

struct Answering {
    Program program;
    const char* service;
    std::vector<const char*> topics;
};

std::vector<Answering> ProgramsFor(const QString& which) {
    std::vector<Answering> programs;
    if (which != "hrd")
        programs.push_back(
            {Program::Commander, "CI-V Commander", {"CIV_CommanderUI", "DDEServer"}});
    if (which != "commander")
        programs.push_back({Program::HamRadioDeluxe, "HRD_RADIO_000", {"HRD_CAT"}});
    return programs;
}

// One topic of a program the bridge answers as.
class BridgeTopic final : public platform::DdeTopicHandler {
  public:
    BridgeTopic(rigbridge::Bridge& bridge, Program program, std::string topic)
        : bridge_(bridge), program_(program), topic_(std::move(topic)) {}
    bool Execute(const std::string& c) override { return bridge_.Execute(program_, topic_, c); }
    std::optional<std::string> Request(const std::string& item) override {
        return bridge_.Request(program_, topic_, item);
    }

  private:
    rigbridge::Bridge& bridge_;
    const Program program_;
    const std::string topic_;
};

using Topics = std::map<std::pair<Program, std::string>, platform::DdeTopicObject*>;

// Offers each program's service and topics on the bus; false (after saying
// why) when a name is taken.
bool AnswerAs(const std::vector<Answering>& programs, QDBusConnection bus,
              rigbridge::Bridge& bridge,
              std::vector<std::unique_ptr<platform::DdeService>>& services, Topics& topics) {
    for (const Answering& a : programs) {
        auto service = std::make_unique<platform::DdeService>(bus, a.service);
        QString why;
        if (!service->Register(why)) {
            Say("cannot answer as " + std::string(a.service) + ": " + why.toStdString());
            return false;
        }
        for (const char* topic : a.topics)
            topics[{a.program, topic}] =
                service->AddTopic(topic, std::make_unique<BridgeTopic>(bridge, a.program, topic));
        services.push_back(std::move(service));
    }
    return true;
}

// Tells the board, without waiting: it opens its links to us at once.
void Announce(const std::vector<Answering>& programs, QDBusConnection bus,
              const std::string& boardName) {
    for (const Answering& a : programs) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            platform::DdeServiceName(boardName), platform::DdeTopicPath("DDEClient"),
            QStringLiteral("org.beaconboard.DDE.Topic"), QStringLiteral("Execute"));
        m.setAutoStartService(false);
        m << QString::fromLatin1(a.program == Program::Commander ? "000start" : "001start");
        bus.send(m);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bb-rigbridge"));
    Options options;
    if (!ReadOptions(app, options)) return 2;

    rigbridge::HamlibRig rig(options.model, options.port, options.baud);
    std::string error;
    if (!rig.Open(error)) {
        Say("cannot open rig model " + std::to_string(options.model) + " on " +
            (options.port.empty() ? std::string("its default port") : options.port) + ": " + error);
        return 1;
    }
    rigbridge::Bridge bridge(rig, Say);

    QDBusConnection bus = QDBusConnection::sessionBus();
    const std::vector<Answering> programs = ProgramsFor(options.which);
    std::vector<std::unique_ptr<platform::DdeService>> services;
    Topics topics;
    if (!AnswerAs(programs, bus, bridge, services, topics)) return 1;

    QTimer poller;
    QObject::connect(&poller, &QTimer::timeout, [&] {
        for (const rigbridge::Change& c : bridge.Poll())
            if (auto it = topics.find({c.program, c.topic}); it != topics.end() && it->second)
                it->second->Notify(c.item, c.value);
    });
    poller.start(options.pollMs);

    Announce(programs, bus, options.board);
    Say("answering as " +
        std::string(programs.size() == 2 ? "CI-V Commander and HRD_RADIO_000"
                                         : programs[0].service) +
        " for " + rig.Name() + (options.port.empty() ? std::string() : " on " + options.port));
    return app.exec();
}
