// Live APRS for the host: an APRS-IS server over the internet, or a KISS
// TNC over TCP (Direwolf's port 8001) or a serial device. Receive only:
// nothing is ever sent but the APRS-IS login and its keep-alive answers.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTcpSocket>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/kiss.h"
#include "host/scheduled_wait.h"
#include "support/scheduler.h"

namespace bb::hostapp {

struct AprsIsLogin {
    std::string callsign;
    std::string passcode = "-1";  // receive only
    std::string filter;           // for example "r/52.2/0.12/100"
};

// "user N0CALL pass -1 vers bb-host 1.0.10 filter r/52.2/0.12/100\r\n"; empty
// with the reason when a field would break the line or is not what the
// server expects.
std::string AprsIsLoginLine(const AprsIsLogin& login, std::string_view version, std::string& why);

// The serial speeds a TNC is set to.
bool KnownBaud(int baud);

// HOST:PORT, with `defaultPort` when the port is left out.
bool ParseHostPort(const QString& text, int defaultPort, QString& host, quint16& port);

// What every source tells the user: where it stands, and why no stations arrive.
struct SourceState {
    QString name;   // "APRS-IS rotate.aprs2.net:14580"
    QString state;  // "connecting", "connected", "logged in", "waiting 4 s to reconnect"
    std::uint64_t packets = 0;
    std::uint64_t dropped = 0;  // frames or lines that were not APRS or were broken
    QString lastError;
    QString note;  // what the user should know of how it was set up
    QString Text() const;
};

class LiveSource : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    virtual void Start() = 0;
    const SourceState& State() const { return state_; }
    void SetNote(const QString& note) { state_.note = note; }

  signals:
    void Line(const std::string& packet);
    void StateChanged(const QString& text);

  protected:
    void SetState(const QString& state, const QString& error = {});
    void Heard(const std::string& packet);
    void Dropped(std::uint64_t n = 1);
    // A KISS data frame: heard when it is APRS, counted as dropped otherwise.
    void HearAx25(const std::string& frame);
    SourceState state_;
};

// A TCP link that reconnects with a growing delay (1 s, doubling to 64 s),
// starting again at 1 s once the peer has sent something. TCP keep-alive
// notices a peer that went away without a word within a few minutes,
// however quiet the link; where the peer talks at least every so often, a
// silence limit notices a half-open link sooner. The waits are on `scheduler`.
class TcpSource : public LiveSource {
    Q_OBJECT
  public:
    TcpSource(Scheduler& scheduler, QString host, quint16 port, QObject* parent = nullptr);
    // The socket's last signals would reach parts already gone.
    ~TcpSource() override;
    void Start() override;
    // Reconnects when nothing has come for `ms` (0: never).
    void SetSilenceLimit(int ms) { silenceLimitMs_ = ms; }
    const QTcpSocket& Socket() const { return socket_; }

    // Keep-alive probes: the first after a minute of quiet, then every 20 s,
    // and the peer is given up after 5 unanswered: about 3 minutes.
    static constexpr int kKeepAliveIdleS = 60, kKeepAliveIntervalS = 20, kKeepAliveCount = 5;
    static constexpr int kRetryBaseMs = 1000;

  protected:
    virtual void Connected() = 0;
    virtual void Received(std::string_view bytes) = 0;
    void Send(const std::string& bytes) {
        socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    void Abort(const QString& why);

  private:
    void Connect();
    void KeepAlive();
    void Lost(const QString& why);

    QString host_;
    quint16 port_;
    QTcpSocket socket_;
    ScheduledWait retry_;
    ScheduledWait silence_;
    int silenceLimitMs_ = 0;
    int retryMs_ = kRetryBaseMs;
    bool heardSinceConnect_ = false;
};

class AprsIsSource final : public TcpSource {
    Q_OBJECT
  public:
    // A server sends at least a comment line every 20 s or so: two minutes
    // of silence is a dead link, however it still looks.
    static constexpr int kSilenceLimitMs = 120000;

    AprsIsSource(Scheduler& scheduler, QString host, quint16 port, std::string loginLine,
                 QObject* parent = nullptr);

  protected:
    void Connected() override;
    void Received(std::string_view bytes) override;

  private:
    void ServerLine(std::string_view line);
    std::string login_;
    std::string pending_;
    bool skipping_ = false;
};

class KissTcpSource final : public TcpSource {
    Q_OBJECT
  public:
    KissTcpSource(Scheduler& scheduler, QString host, quint16 port, QObject* parent = nullptr);

  protected:
    void Connected() override;
    void Received(std::string_view bytes) override;

  private:
    std::unique_ptr<KissDeframer> deframer_;
};

// A KISS TNC on a serial device, raw at the given speed. A device that
// cannot be opened, or that goes away, is tried again every 5 s, on `scheduler`.
class KissSerialSource final : public LiveSource {
    Q_OBJECT
  public:
    KissSerialSource(Scheduler& scheduler, QString device, int baud, QObject* parent = nullptr);
    ~KissSerialSource() override;
    void Start() override;

  private:
    void Open();
    void Readable();
    void Close(const QString& why);

    QString device_;
    int baud_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<KissDeframer> deframer_;
    ScheduledWait retry_;
};

}  // namespace bb::hostapp
