#include "engine/IterationTimer.h"

namespace vozel::sip {

namespace {
constexpr int intervalMs = 20;
}

IterationTimer::IterationTimer(std::function<void()> tick) : m_tick(std::move(tick))
{
    startTimer(intervalMs);
}

void IterationTimer::timerEvent(QTimerEvent *)
{
    m_tick();
}

} // namespace vozel::sip
