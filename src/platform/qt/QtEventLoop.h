#pragma once

#include "platform/EventLoop.h"

#include <QObject>

namespace platform {

// The program's event loop: QTimer, the local wall clock and queued calls.
class QtEventLoop final : public QObject, public EventLoop
{
    Q_OBJECT
public:
    explicit QtEventLoop(QObject* parent = nullptr);

    QDateTime now() const override;
    std::unique_ptr<Timer> createTimer(int intervalMilliseconds) override;
    void defer(std::function<void()> call) override;
};

} // namespace platform
