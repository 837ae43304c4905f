#include "progresshelper/platform/QtRepeatingTimer.h"

#include <QTimer>

namespace Skylarn {

QtRepeatingTimer::QtRepeatingTimer(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, [this] {
        // After the first shot the timer settles on its interval.
        if (m_timer->interval() != m_intervalMs)
            m_timer->setInterval(m_intervalMs);
        if (m_onTick)
            m_onTick();
    });
}

void QtRepeatingTimer::start(int firstDelayMs, int intervalMs, std::function<void()> onTick)
{
    m_onTick = std::move(onTick);
    m_intervalMs = intervalMs;
    m_timer->start(firstDelayMs);
}

} // namespace Skylarn
