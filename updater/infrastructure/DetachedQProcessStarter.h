#pragma once

#include "updater/infrastructure/AbstractDetachedQProcessStarter.h"

class Logger;

// Starts programs detached (platform::startDetachedProcess). Shared by the product-installer
// launcher and the self-update launcher; the callers decide what follows a
// start (its last log line announces the exit, but it ends nothing itself).
//
// Threads: any thread; returns as soon as the child has been started.
class DetachedQProcessStarter : public AbstractDetachedQProcessStarter {
    Q_OBJECT
public:
    explicit DetachedQProcessStarter(QObject* parent = nullptr);

    bool start(QString program, QStringList arguments) override;
    QString startProblem() const override;

private:
    Logger* logger_;
    QString startProblem_;
};
