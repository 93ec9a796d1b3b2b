#include "engine/IterationTimer.h"

namespace vozel::sip {

namespace {
constexpr int intervalMs = 20;
}

IterationTimer::IterationTimer(std::function<void()> tick) : m_tick(std::move(tick))
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(this, [this] { m_tick(); }, Qt::QueuedConnection);
    });
    m_timer.start();
}

} // namespace vozel::sip
