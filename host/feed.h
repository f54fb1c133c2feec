// Monitor lines for the host: a file replayed with its own timing, or
// standard input as it comes.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bb::hostapp {

// A feed line may start with the time it was heard, "2026-12-07T10:00:05Z ";
// the rest is the packet. Gives the time in seconds since 1970, or nothing.
std::optional<std::int64_t> SplitFeedTime(std::string_view& line);

class FeedReplay : public QObject {
    Q_OBJECT
  public:
    // speed: 1 plays in real time, 10 ten times faster, 0 as fast as possible.
    FeedReplay(std::vector<std::string> lines, double speed, bool loop, QObject* parent = nullptr);
    static bool Load(const std::string& path, std::vector<std::string>& lines, std::string& error);
    void Start();

  signals:
    // `recordedUnix`: the time the line says it was heard; 0 when it says none.
    void Line(const std::string& packet, std::int64_t recordedUnix);
    void Finished();

  private:
    void Next();

    struct Item {
        double due;  // seconds from the start of one pass
        std::string packet;
        std::int64_t recorded;
    };
    std::vector<Item> items_;
    double speed_;
    bool loop_;
    std::size_t next_ = 0;
    double passStart_ = 0;  // seconds of the monotonic clock
    double passLength_ = 0;
    QTimer timer_;
};

class StdinFeed : public QObject {
    Q_OBJECT
  public:
    explicit StdinFeed(QObject* parent = nullptr);

  signals:
    void Line(const std::string& packet);
    void Finished();

  private:
    void Readable();
    QSocketNotifier notifier_;
    std::string pending_;
    bool skipping_ = false;  // inside a line too long to keep
};

}  // namespace bb::hostapp
