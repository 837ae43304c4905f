#include "progresshelper/platform/XdgWebsiteOpener.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace Skylarn {

bool XdgWebsiteOpener::openLocalFile(const QString &path)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, {QUrl::fromLocalFile(path).toString()});
    if (!process.waitForStarted(m_timeoutMs))
        return false;
    if (!process.waitForFinished(m_timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace Skylarn
