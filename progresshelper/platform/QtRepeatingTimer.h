#pragma once

#include "progresshelper/platform/PlatformServices.h"

#include <QObject>

class QTimer;

namespace Skylarn {

class QtRepeatingTimer : public QObject, public IRepeatingTimer {
    Q_OBJECT
public:
    explicit QtRepeatingTimer(QObject *parent = nullptr);
    void start(int firstDelayMs, int intervalMs, std::function<void()> onTick) override;

private:
    QTimer *m_timer;
    int m_intervalMs = 0;
    std::function<void()> m_onTick;
};

} // namespace Skylarn
