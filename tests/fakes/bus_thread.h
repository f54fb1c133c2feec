// Another program on the session bus: a thread with a connection of its own,
// so that the test's blocking calls are answered there.
#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>

namespace bb::testing {

class BusThread {
  public:
    explicit BusThread(QString name) : name_(std::move(name)) {
        thread_.start();
        context_->moveToThread(&thread_);
        Run([this] { QDBusConnection::connectToBus(QDBusConnection::SessionBus, name_); });
    }
    ~BusThread() {
        Run([this] {
            if (atEnd_) atEnd_();
        });
        QDBusConnection::disconnectFromBus(name_);
        thread_.quit();
        thread_.wait();
        delete context_;
    }
    BusThread(const BusThread&) = delete;
    BusThread& operator=(const BusThread&) = delete;

    QDBusConnection Bus() const { return QDBusConnection(name_); }
    // Runs `f` on the program's thread and waits for it.
    void Run(const std::function<void()>& f) {
        QMetaObject::invokeMethod(context_, f, Qt::BlockingQueuedConnection);
    }
    // Runs `f` there later, without waiting.
    void Post(std::function<void()> f) {
        QMetaObject::invokeMethod(context_, std::move(f), Qt::QueuedConnection);
    }
    // Runs `f` there while this thread goes on serving the bus.
    void RunServing(const std::function<void()>& f) {
        std::atomic<bool> done = false;
        QMetaObject::invokeMethod(context_, [&] {
            f();
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    // The program stops answering for a while.
    void Hang(int ms) {
        QMetaObject::invokeMethod(
            context_, [ms] { QThread::msleep(static_cast<unsigned long>(ms)); },
            Qt::QueuedConnection);
    }
    // Run on its thread as it ends.
    void AtEnd(std::function<void()> f) { atEnd_ = std::move(f); }

  private:
    QString name_;
    QThread thread_;
    QObject* context_ = new QObject;
    std::function<void()> atEnd_;
};

}  // namespace bb::testing
