#pragma once

#include <QObject>

#include <functional>

namespace vozel::sip {

// Ticks every 20 ms from its thread's event loop, so a tick never runs in the middle of another
// operation of that thread. The tick runs straight from the timer event: queueing it once more
// would wake the thread twice per tick for nothing. No tick comes after the timer is destroyed.
class IterationTimer final : public QObject {
public:
    explicit IterationTimer(std::function<void()> tick);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    std::function<void()> m_tick;
};

} // namespace vozel::sip
