// A tile server on 127.0.0.1 (sea, a red mark, ETag, 304, refusals) that keeps each request.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace bb::testing {

class TileServer {
  public:
    static constexpr QRgb kMark = 0xffff0000;

    // The mark's position in degrees; `delayMs` holds each answer back.
    explicit TileServer(double markLat = 51.9, double markLon = 0.5, int delayMs = 0)
        : markLat_(markLat), markLon_(markLon), delayMs_(delayMs) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* c = server_.nextPendingConnection()) {
                ++open_;
                maxOpen_ = std::max(maxOpen_, open_);
                QObject::connect(c, &QTcpSocket::readyRead, [this, c] { Read(c); });
                QObject::connect(c, &QTcpSocket::disconnected, [this, c] {
                    --open_;
                    c->deleteLater();
                });
            }
        });
    }
    QString Url() const {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(server_.serverPort());
    }
    void Close() { server_.close(); }

    int requests = 0, notModified = 0;
    int maxOpen() const { return maxOpen_; }
    int maxInFlight() const { return maxInFlight_; }
    QByteArray userAgent, lastIfNoneMatch;
    int maxAgeSeconds = 3600;
    std::vector<QByteArray> served;  // the PNG bytes, in order
    std::vector<QByteArray> heads;   // request line and headers, as they arrived
    // Non-zero: every request is refused with this status, and `retryAfter` if given.
    int refuseWith = 0;
    QByteArray retryAfter;

    // The picture of a tile: sea, with the mark over it.
    static QImage MakeTile(int z, int x, int y, double markLat, double markLon) {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(QColor(170, 205, 234));
        const double size = 256.0 * std::exp2(z);
        const double markX = (markLon + 180) / 360 * size;
        const double latR = markLat * std::numbers::pi / 180;
        const double markY =
            (1 - std::log(std::tan(latR) + 1 / std::cos(latR)) / std::numbers::pi) / 2 * size;
        QPainter p(&tile);
        p.fillRect(QRectF(markX - x * 256 - 3, markY - y * 256 - 3, 6, 6), QColor(kMark));
        return tile;
    }

  private:
    void Read(QTcpSocket* c) {
        QByteArray& pending = pending_[c];
        pending += c->readAll();
        for (int end; (end = pending.indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray head = pending.left(end);
            pending.remove(0, end + 4);
            heads.push_back(head);
            ++requests;
            ++inFlight_;
            maxInFlight_ = std::max(maxInFlight_, inFlight_);
            const QList<QByteArray> lines = head.split('\n');
            QByteArray ifNoneMatch;
            for (const QByteArray& line : lines) {
                const QByteArray l = line.trimmed();
                if (l.toLower().startsWith("user-agent:")) userAgent = l.mid(11).trimmed();
                if (l.toLower().startsWith("if-none-match:")) ifNoneMatch = l.mid(14).trimmed();
            }
            lastIfNoneMatch = ifNoneMatch;
            const QList<QByteArray> path = lines.value(0).split(' ').value(1).split('/');
            const int z = path.value(1).toInt(), x = path.value(2).toInt(),
                      y = path.value(3).split('.').value(0).toInt();
            const QByteArray etag = "\"" + QByteArray::number(z) + "-" + QByteArray::number(x) +
                                    "-" + QByteArray::number(y) + "\"";
            QByteArray answer;
            if (refuseWith != 0) {
                answer =
                    "HTTP/1.1 " + QByteArray::number(refuseWith) + " Refused\r\n" +
                    (retryAfter.isEmpty() ? QByteArray() : "Retry-After: " + retryAfter + "\r\n") +
                    "Content-Length: 0\r\n\r\n";
            } else if (!ifNoneMatch.isEmpty() && ifNoneMatch == etag) {
                ++notModified;
                answer = "HTTP/1.1 304 Not Modified\r\nETag: " + etag +
                         "\r\nCache-Control: max-age=" + QByteArray::number(maxAgeSeconds) +
                         "\r\nContent-Length: 0\r\n\r\n";
            } else {
                QByteArray png;
                QBuffer buffer(&png);
                buffer.open(QIODevice::WriteOnly);
                MakeTile(z, x, y, markLat_, markLon_).save(&buffer, "PNG");
                served.push_back(png);
                answer = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nETag: " + etag +
                         "\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 GMT" +
                         "\r\nCache-Control: max-age=" + QByteArray::number(maxAgeSeconds) +
                         "\r\nContent-Length: " + QByteArray::number(png.size()) + "\r\n\r\n" + png;
            }
            QTimer::singleShot(delayMs_, c, [this, c, answer] {
                --inFlight_;
                c->write(answer);
            });
        }
    }

    double markLat_, markLon_;
    int delayMs_;
    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> pending_;
    int open_ = 0, maxOpen_ = 0, inFlight_ = 0, maxInFlight_ = 0;
};

}  // namespace bb::testing
