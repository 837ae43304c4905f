#pragma once

#include <QObject>
#include <QString>

class AbstractUpdateLauncher;
class Logger;

// The start-up decision, taken once from the event loop: the OS is too old,
// a newer stored copy was started, the updater was restarted in online mode,
// or it is a regular start. Exactly one signal tells which.
class VornAppService : public QObject {
    Q_OBJECT
public:
    // The launcher may be null while the local store is not available; the
    // decision then goes on as if no newer copy were stored.
    VornAppService(AbstractUpdateLauncher* selfUpdateLauncher, const QString& minimumSystemText,
                   bool osVersionGoodEnough, bool forceOnlineMode, QObject* parent);

signals:
    void currentOSNotSupportedSignal();
    void selfUpdateLauncherStartedNewVersionSignal();
    void applicationRestartedAndIsAllowedToGoOnlineSignal();
    void regularStartOfApplicationSignal();
    void startOfApplicationWithMandatoryUpdateSignal();

public slots:
    void handlePreconditions();

private:
    AbstractUpdateLauncher* selfUpdateLauncher_;
    QString minimumSystemText_;
    bool osVersionGoodEnough_;
    bool forceOnlineMode_;
    Logger* logger_;
};
