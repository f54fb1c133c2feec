#include "host/host_program.h"

#include <unistd.h>

#include <QApplication>
#include <QDBusConnection>
#include <chrono>
#include <cstdio>

#include "host/feed.h"
#include "host/tiles.h"
#include "platform/screenshot.h"

namespace bb::hostapp {
namespace {

std::int64_t NowUnix() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::unique_ptr<LiveSource> MakeLiveSource(const HostCommandLine& line, Scheduler& scheduler) {
    using Source = HostCommandLine::Source;
    switch (line.source) {
        case Source::AprsIs: {
            auto source = std::make_unique<AprsIsSource>(scheduler, line.netHost, line.netPort,
                                                         line.aprsIsLogin);
            source->SetNote(line.filterNote);
            return source;
        }
        case Source::KissTcp:
            return std::make_unique<KissTcpSource>(scheduler, line.netHost, line.netPort);
        case Source::KissSerial:
            return std::make_unique<KissSerialSource>(scheduler, line.serialDevice, line.baud);
        default:
            return nullptr;
    }
}

// Without a source and with nothing on standard input, a new user is told
// what to do, on the map and on standard error; the host keeps running so a
// board can bind to it.
void Advise(MapWindow* window) {
    const QString advice = NoSourceAdvice();
    std::fprintf(stderr, "bb-host: %s\n", qPrintable(advice));
    if (window) window->ShowAdvice(advice);
}

std::unique_ptr<QObject> StartStandardInput(const HostCommandLine& line, HostService& host,
                                            MapWindow* window) {
    auto in = std::make_unique<StdinFeed>();
    auto heard = std::make_shared<bool>(false);
    QObject::connect(in.get(), &StdinFeed::Line, &host, [&host, heard](const std::string& packet) {
        *heard = true;
        host.Hear(packet);
    });
    if (!line.sourceGiven) {
        if (::isatty(STDIN_FILENO))
            Advise(window);
        else
            QObject::connect(in.get(), &StdinFeed::Finished, &host, [window, heard] {
                if (!*heard) Advise(window);
            });
    }
    return in;
}

// The replayed file or standard input; null with the reason when the file
// cannot be read.
std::unique_ptr<QObject> StartRecordedSource(const HostCommandLine& line, HostService& host,
                                             MapWindow* window, std::string& why) {
    if (line.source == HostCommandLine::Source::StandardInput)
        return StartStandardInput(line, host, window);
    std::vector<std::string> lines;
    if (!FeedReplay::Load(line.feedFile.toStdString(), lines, why)) return nullptr;
    auto replay = std::make_unique<FeedReplay>(std::move(lines), line.speed, line.loop);
    QObject::connect(replay.get(), &FeedReplay::Line, &host, &HostService::HearReplayed);
    replay->Start();
    return replay;
}

// For checking a long run: what the host ended with, station by station.
void DumpStations(const QString& file, HostService& host) {
    FILE* f = std::fopen(file.toLocal8Bit().constData(), "w");
    if (!f) return;
    host.ForEachStation([f](const HostEntry& e) {
        std::fprintf(f, "%s %d\n", e.callsign.c_str(), e.hasPosition ? 1 : 0);
    });
    std::fclose(f);
}

}  // namespace

HostProgram::HostProgram(const HostCommandLine& line)
    : line_(line), live_(MakeLiveSource(line, scheduler_)), host_(line.service) {
    LoadStations();
}

void HostProgram::Say(const QString& text) const {
    std::fprintf(stderr, "bb-host: %s\n", qPrintable(text));
}

void HostProgram::LoadStations() {
    if (line_.stationsFile.isEmpty()) return;
    store_.emplace(line_.stationsFile.toStdString());
    std::string note;
    store_->Load(host_.Stations(), &host_.History(), NowUnix(),
                 std::int64_t{line_.service.expiryMinutes} * 60, note);
    if (!note.empty()) std::fprintf(stderr, "bb-host: %s\n", note.c_str());
}

void HostProgram::SaveStations() {
    std::string why;
    if (!store_ || store_->Save(host_.Stations(), &host_.History(), why)) return;
    if (why != lastSaveError_)
        std::fprintf(stderr, "bb-host: cannot keep the stations: %s\n", why.c_str());
    lastSaveError_ = why;
}

bool HostProgram::Register() {
    QString error;
    if (host_.Register(QDBusConnection::sessionBus(), error)) return true;
    Say(error);
    return false;
}

void HostProgram::ShowMap(QApplication& app) {
    if (line_.windowless) return;
    window_ = std::make_unique<MapWindow>(host_, scheduler_);
    if (!line_.tiles.isEmpty()) {
        TilePolicy policy;
        policy.contact = line_.contact;
        policy.cacheBytes = std::int64_t{line_.tileCacheMb} * 1000 * 1000;
        policy.scheduler = &scheduler_;
        window_->SetTiles(new TileLoader(line_.tiles, DefaultTileCache(), policy, window_.get()));
    }
    QObject::connect(window_.get(), &MapWindow::Closing, &app, &QApplication::quit);
    window_->show();
    if (!line_.screenshot.isEmpty())
        platform::SaveScreenshotAfter(*window_, line_.screenshotAfter, line_.screenshot, "bb-host");
}

bool HostProgram::StartSource() {
    if (!line_.filterNote.isEmpty()) Say(line_.filterNote);
    if (live_) {
        StartLive();
        return true;
    }
    std::string why;
    source_ = StartRecordedSource(line_, host_, window_.get(), why);
    if (source_) return true;
    host_.Close();
    std::fprintf(stderr, "bb-host: %s\n", why.c_str());
    return false;
}

void HostProgram::StartLive() {
    if (!line_.packetLog.isEmpty()) {
        const std::filesystem::path folder = line_.packetLog.toStdString();
        PacketLog::RemoveOld(folder, line_.packetLogDays, NowUnix());
        packetLog_.emplace(folder);
    }
    QObject::connect(live_.get(), &LiveSource::Line, &host_, [this](const std::string& packet) {
        const std::int64_t now = NowUnix();
        std::string why;
        if (packetLog_ && !packetLog_->Write(packet, now, why) && why != lastLogError_) {
            std::fprintf(stderr, "bb-host: cannot log packets: %s\n", why.c_str());
            lastLogError_ = why;
        }
        host_.Hear(packet, now);
    });
    QObject::connect(live_.get(), &LiveSource::StateChanged, &host_, [this](const QString& state) {
        if (window_) window_->SetStatus(state);
        if (!line_.quiet) Say(state);
    });
    live_->Start();
}

void HostProgram::StartTimers() {
    running_.start();
    QObject::connect(&tick_, &QTimer::timeout, &host_, [this] { Tick(); });
    tick_.start(10000);
    QObject::connect(&keep_, &QTimer::timeout, &host_, [this] { SaveStations(); });
    if (store_) keep_.start(60000);
}

void HostProgram::Tick() {
    host_.ExpireStations(NowUnix());
    const auto& c = host_.Counters();
    QString status = QStringLiteral("%1 packets heard, %2 stations, %3 not decoded")
                         .arg(c.heard)
                         .arg(host_.Stations().size())
                         .arg(c.malformed);
    if (live_) status = live_->State().Text() + QStringLiteral("; ") + status;
    if (window_) window_->SetStatus(status);
    if (!line_.quiet && statusLine_.Due(status, running_.elapsed())) Say(status);
}

void HostProgram::Stop() {
    SaveStations();
    if (!line_.dumpFile.isEmpty()) DumpStations(line_.dumpFile, host_);
    host_.Close();
}

}  // namespace bb::hostapp
