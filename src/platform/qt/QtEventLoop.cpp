#include "platform/qt/QtEventLoop.h"

#include <QTimer>

namespace platform {
namespace {

class QtTimer final : public Timer
{
public:
    explicit QtTimer(int interval)
    {
        m_timer.setInterval(interval);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { fire(); });
    }
    void setInterval(int milliseconds) override { m_timer.setInterval(milliseconds); }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace

QtEventLoop::QtEventLoop(QObject* parent) : QObject(parent) {}

QDateTime QtEventLoop::now() const
{
    return QDateTime::currentDateTime();
}

std::unique_ptr<Timer> QtEventLoop::createTimer(int intervalMilliseconds)
{
    return std::make_unique<QtTimer>(intervalMilliseconds);
}

void QtEventLoop::defer(std::function<void()> call)
{
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

} // namespace platform
