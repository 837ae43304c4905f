#include "progresshelper/platform/XdgWebsiteOpener.h"

#include "progresshelper/platform/ProcessServices.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace Skylarn {

bool XdgWebsiteOpener::openLocalFile(const QString &path)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty())
        return false;
    // Not parented and not deleted on the still-running road: destroying a
    // QProcess kills its child, which would close the page we just opened.
    auto *process = new QProcess;
    // The browser it starts may outlive us; it must not hold on to the
    // caller's pipes of our output.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // A relative path would become a relative URL ("file:pages/x.html"),
    // which browsers do not resolve against our working folder.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QByteArray bytes = pathBytes(absolute);
    // A name that is not valid text goes out as its percent-encoded bytes.
    const QUrl url = bytes == QFile::encodeName(absolute)
                         ? QUrl::fromLocalFile(absolute)
                         : QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
    process->start(program, {url.toString(QUrl::FullyEncoded)});
    if (!process->waitForStarted(m_settleMs)) {
        delete process;
        return false;
    }
    if (!process->waitForFinished(m_settleMs))
        return true;
    const bool opened = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    delete process;
    return opened;
}

} // namespace Skylarn
