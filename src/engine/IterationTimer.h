#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace vozel::sip {

// Fires every 20 ms and queues one tick per firing on its own thread, so a tick never runs in
// the middle of another operation of that thread. Ticks still queued when the timer is
// destroyed are dropped.
class IterationTimer final : public QObject {
public:
    explicit IterationTimer(std::function<void()> tick);

private:
    QTimer m_timer;
    std::function<void()> m_tick;
};

} // namespace vozel::sip
