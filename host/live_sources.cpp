#include "host/live_sources.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QSignalBlocker>

namespace bb::hostapp {
namespace {

constexpr int kRetryMaxMs = 64000;
constexpr int kSerialRetryMs = 5000;
constexpr std::size_t kMaxLine = 4096;  // APRS-IS lines are at most 512 bytes

bool Printable(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > ' ' && u < 0x7F;
    });
}

speed_t Baud(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

}  // namespace

bool KnownBaud(int baud) {
    return Baud(baud) != B0;
}

std::string AprsIsLoginLine(const AprsIsLogin& l, std::string_view version, std::string& why) {
    if (l.callsign.empty() || l.callsign.size() > 9 || !Printable(l.callsign)) {
        why = "the callsign must be 1 to 9 characters without blanks";
        return {};
    }
    const bool number =
        !l.passcode.empty() &&
        std::all_of(l.passcode.begin() + (l.passcode[0] == '-' ? 1 : 0), l.passcode.end(),
                    [](char c) { return c >= '0' && c <= '9'; }) &&
        l.passcode != "-";
    if (!number || l.passcode.size() > 6) {
        why = "the passcode must be a number (-1 to receive only)";
        return {};
    }
    // A filter is words separated by blanks; a line end would start a second command.
    if (l.filter.find_first_of("\r\n") != std::string::npos || l.filter.size() > 400) {
        why = "the filter must be one line";
        return {};
    }
    std::string line =
        "user " + l.callsign + " pass " + l.passcode + " vers bb-host " + std::string(version);
    if (!l.filter.empty()) line += " filter " + l.filter;
    return line + "\r\n";
}

bool ParseHostPort(const QString& text, int defaultPort, QString& host, quint16& port) {
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    host = colon < 0 ? text : text.left(colon);
    int p = defaultPort;
    if (colon >= 0) {
        bool ok = false;
        p = text.mid(colon + 1).toInt(&ok);
        if (!ok) return false;
    }
    if (host.isEmpty() || p < 1 || p > 65535) return false;
    port = static_cast<quint16>(p);
    return true;
}

QString SourceState::Text() const {
    QString t = name + QStringLiteral(": ") + state + QStringLiteral(", %1 packets").arg(packets);
    if (dropped) t += QStringLiteral(", %1 dropped").arg(dropped);
    if (!lastError.isEmpty()) t += QStringLiteral(", last error: ") + lastError;
    if (!note.isEmpty()) t += QStringLiteral(" (") + note + QStringLiteral(")");
    return t;
}

void LiveSource::SetState(const QString& state, const QString& error) {
    state_.state = state;
    if (!error.isEmpty()) state_.lastError = error;
    emit StateChanged(state_.Text());
}

void LiveSource::Heard(const std::string& packet) {
    ++state_.packets;
    emit Line(packet);
}

void LiveSource::Dropped(std::uint64_t n) {
    state_.dropped += n;
}

void LiveSource::HearAx25(const std::string& frame) {
    std::string monitor, why;
    if (DecodeAx25(frame, monitor, why) == Ax25Result::Aprs)
        Heard(monitor);
    else
        Dropped();
}

TcpSource::TcpSource(Scheduler& scheduler, QString host, quint16 port, QObject* parent)
    : LiveSource(parent),
      host_(std::move(host)),
      port_(port),
      retry_(scheduler, [this] { Connect(); }),
      silence_(scheduler, [this] {
          Abort(QStringLiteral("nothing heard for %1 s").arg((silenceLimitMs_ + 999) / 1000));
      }) {
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        heardSinceConnect_ = false;
        KeepAlive();
        SetState(QStringLiteral("connected"));
        Connected();
    });
    connect(&socket_, &QTcpSocket::readyRead, this, [this] {
        if (silenceLimitMs_ > 0) silence_.Start(silenceLimitMs_);
        const QByteArray bytes = socket_.readAll();
        if (!bytes.isEmpty() && !heardSinceConnect_) {
            heardSinceConnect_ = true;
            retryMs_ = kRetryBaseMs;
        }
        Received(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    });
    connect(&socket_, &QTcpSocket::disconnected, this,
            [this] { Lost(QStringLiteral("the connection was closed")); });
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this] {
        if (socket_.state() != QAbstractSocket::ConnectedState) Lost(socket_.errorString());
    });
}

TcpSource::~TcpSource() {
    socket_.disconnect(this);
}

void TcpSource::Start() {
    Connect();
}

void TcpSource::Connect() {
    SetState(QStringLiteral("connecting"));
    socket_.abort();
    // A connection that never answers counts as silence too.
    if (silenceLimitMs_ > 0) silence_.Start(silenceLimitMs_);
    socket_.connectToHost(host_, port_);
}

void TcpSource::KeepAlive() {
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const int fd = static_cast<int>(socket_.socketDescriptor());
    if (fd < 0) return;
    for (const auto& [option, value] :
         {std::pair{TCP_KEEPIDLE, kKeepAliveIdleS}, std::pair{TCP_KEEPINTVL, kKeepAliveIntervalS},
          std::pair{TCP_KEEPCNT, kKeepAliveCount}})
        ::setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value);
}

void TcpSource::Abort(const QString& why) {
    {
        // Its "disconnected" would name the loss before the reason does.
        const QSignalBlocker quiet(socket_);
        socket_.abort();
    }
    Lost(why);
}

void TcpSource::Lost(const QString& why) {
    silence_.Stop();
    if (retry_.Active()) return;  // one loss, one retry
    SetState(QStringLiteral("waiting %1 s to reconnect").arg((retryMs_ + 999) / 1000), why);
    retry_.Start(retryMs_);
    retryMs_ = std::min(retryMs_ * 2, kRetryMaxMs);
}

AprsIsSource::AprsIsSource(Scheduler& scheduler, QString host, quint16 port, std::string loginLine,
                           QObject* parent)
    : TcpSource(scheduler, host, port, parent), login_(std::move(loginLine)) {
    state_.name = QStringLiteral("APRS-IS %1:%2").arg(host).arg(port);
    SetSilenceLimit(kSilenceLimitMs);
}

void AprsIsSource::Connected() {
    pending_.clear();
    skipping_ = false;
    Send(login_);
}

void AprsIsSource::Received(std::string_view bytes) {
    for (char c : bytes) {
        if (c == '\n' || c == '\r') {
            if (!skipping_ && !pending_.empty()) ServerLine(pending_);
            pending_.clear();
            skipping_ = false;
        } else if (!skipping_) {
            pending_ += c;
            if (pending_.size() > kMaxLine) {
                Dropped();
                pending_.clear();
                skipping_ = true;
            }
        }
    }
}

void AprsIsSource::ServerLine(std::string_view line) {
    if (line.front() != '#') {
        Heard(std::string(line));
        return;
    }
    // Comment lines: the banner, the login answer and the keep-alives.
    if (line.find("logresp") != std::string_view::npos) {
        if (line.find("unverified") != std::string_view::npos ||
            line.find(" verified") != std::string_view::npos)
            SetState(QStringLiteral("logged in"));
        return;
    }
    if (line.find("Login by user not allowed") != std::string_view::npos ||
        line.find("Port full") != std::string_view::npos) {
        Abort(QString::fromStdString(std::string(line.substr(1))).trimmed());
        return;
    }
    // The server's keep-alive, answered with one of ours so that neither
    // side takes the quiet link for a dead one.
    if (state_.state == QStringLiteral("logged in")) Send("#keepalive\r\n");
}

KissTcpSource::KissTcpSource(Scheduler& scheduler, QString host, quint16 port, QObject* parent)
    : TcpSource(scheduler, host, port, parent) {
    state_.name = QStringLiteral("KISS %1:%2").arg(host).arg(port);
}

void KissTcpSource::Connected() {
    // A frame cut by the lost connection is not joined to the next one.
    deframer_ = std::make_unique<KissDeframer>([this](const std::string& f) { HearAx25(f); });
}

void KissTcpSource::Received(std::string_view bytes) {
    const std::uint64_t before = deframer_->Dropped();
    deframer_->Feed(bytes);
    Dropped(deframer_->Dropped() - before);
}

KissSerialSource::KissSerialSource(Scheduler& scheduler, QString device, int baud, QObject* parent)
    : LiveSource(parent),
      device_(std::move(device)),
      baud_(baud),
      retry_(scheduler, [this] { Open(); }) {
    state_.name = QStringLiteral("KISS %1 at %2 baud").arg(device_).arg(baud_);
}

KissSerialSource::~KissSerialSource() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

void KissSerialSource::Start() {
    Open();
}

void KissSerialSource::Open() {
    SetState(QStringLiteral("opening"));
    fd_ = ::open(device_.toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        Close(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    termios t{};
    if (::tcgetattr(fd_, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&t, Baud(baud_));
        ::cfsetospeed(&t, Baud(baud_));
        ::tcsetattr(fd_, TCSANOW, &t);
    }  // a pipe or pseudo-terminal without settings is read as it is
    deframer_ = std::make_unique<KissDeframer>([this](const std::string& f) { HearAx25(f); });
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &KissSerialSource::Readable);
    SetState(QStringLiteral("open"));
}

void KissSerialSource::Readable() {
    char buf[4096];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) {
        const std::uint64_t before = deframer_->Dropped();
        deframer_->Feed(std::string_view(buf, static_cast<std::size_t>(n)));
        Dropped(deframer_->Dropped() - before);
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    Close(n == 0 ? QStringLiteral("the device was closed")
                 : QString::fromLocal8Bit(std::strerror(errno)));
}

void KissSerialSource::Close(const QString& why) {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    SetState(QStringLiteral("waiting 5 s to open again"), why);
    retry_.Start(kSerialRetryMs);
}

}  // namespace bb::hostapp
