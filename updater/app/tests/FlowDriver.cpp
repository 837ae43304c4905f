// Runs the interactive updater's start-up in this process and plays the user:
// it reports every window that comes up on standard output and answers it as
// PATHWARDEN_FLOW says ("stay-offline" or "go-online"; anything else quits at
// the first consent dialog). The exit status is the event loop's result.

#include "updater/app/VornApp.h"
#include "updater/app/VornConfiguration.h"
#include "updater/infrastructure/ConsoleLogAppender.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void report(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void answerVisibleWindows(const QByteArray& flow)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible() || widget->property("answered").toBool())
            continue;
        widget->setProperty("answered", true);
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            report(QStringLiteral("messagebox:") + box->text());
            QTimer::singleShot(0, box, &QMessageBox::accept);
            continue;
        }
        const QString className = QString::fromLatin1(widget->metaObject()->className());
        const bool warned = widget->findChild<QLabel*>(QStringLiteral("securityWarningLabel")) != nullptr;
        report(QStringLiteral("window:") + className + QStringLiteral(":") + widget->windowTitle()
               + (warned ? QStringLiteral(":warning") : QString()));
        if (className != QLatin1String("AskForGoOnlineDialog") && className != QLatin1String("MandatoryUpdateDialog"))
            continue;
        const char* button = flow == "stay-offline" ? "stayOfflineButton"
                             : flow == "go-online"  ? "goOnlineButton"
                                                    : nullptr;
        if (button)
            widget->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        else
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(42); });
    }
}

} // namespace

int main(int argc, char** argv)
{
    ConsoleLogAppender console(ALL, {}, nullptr);
    SimpleLogger::getInstance()->addAppender(&console);
    const QByteArray flow = qgetenv("PATHWARDEN_FLOW");

    VornConfiguration configuration(argc, argv, QStringLiteral("1.16.0.436"), nullptr);
    // Modal boxes run their own loop inside start-up; the timer answers them too.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [flow] { answerVisibleWindows(flow); });
    poll.start(20);
    configuration.app();
    const int result = QApplication::exec();
    report(QStringLiteral("exec:%1").arg(result));
    return result;
}
