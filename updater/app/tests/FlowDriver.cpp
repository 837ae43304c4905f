// Runs the interactive updater's start-up in this process and plays the user:
// it reports every window that comes up on standard output and answers it as
// PATHWARDEN_FLOW says ("stay-offline" or "go-online"; anything else quits at
// the first consent dialog). With "download-first-choice" it also ticks the
// first listed download choice and presses the wizard's button; with
// "cancel-while-searching" it presses Esc on the download-choice page once
// the file PATHWARDEN_FLOW_STARTED names is there (a stand-in tool of the
// scan writes it when it runs; unset: at once), with "cancel-while-asking" a
// moment after the page's query for the choices went out; it logs "Esc
// pressed" just before. "install-offline" answers the dialog that the
// server cannot be reached with "Install without updating", and
// "install-without-updating" presses that button where the self-update page
// says that this updater is too old. "stay-offline-then-close" answers the
// consent dialog as "stay-offline" does, then closes it once the file
// PATHWARDEN_FLOW_STARTED names is there.
// The exit status is the event loop's result.

#include "updater/app/DownloadChoiceSelectionPage.h"
#include "updater/app/SelfUpdatePage.h"
#include "updater/app/VornApp.h"
#include "updater/app/EntryPoint.h"
#include "updater/app/VornConfiguration.h"
#include "updater/infrastructure/BackgroundCalls.h"
#include "updater/infrastructure/ConsoleLogAppender.h"
#include "updater/infrastructure/LogAppender.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <QWizard>

#include <atomic>
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
        if (className == QLatin1String("CheckIfOnlineDialog") && flow == "install-offline") {
            auto* install = widget->findChild<QPushButton*>(QStringLiteral("installButton"));
            QTimer::singleShot(0, install, &QPushButton::click);
        }
        if (className != QLatin1String("AskForGoOnlineDialog") && className != QLatin1String("MandatoryUpdateDialog"))
            continue;
        const char* button = flow.startsWith("stay-offline") ? "stayOfflineButton"
                             : flow == "go-online"            ? "goOnlineButton"
                                                              : nullptr;
        if (button)
            widget->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        else
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(42); });
    }
}

void closeConsentDialog()
{
    static bool closed = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (closed || !widget->isVisible() || QLatin1String(widget->metaObject()->className()) != "AskForGoOnlineDialog")
            continue;
        report(QStringLiteral("close:") + widget->windowTitle());
        closed = true;
        widget->close();
    }
}

// Once the self-update page says this updater is too old: install without
// updating.
void installWithoutUpdating()
{
    static bool pressed = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* button = widget->findChild<QPushButton*>(QStringLiteral("installWithoutUpdatingButton"));
        if (pressed || !button || !button->isVisible())
            continue;
        report(QStringLiteral("button:") + button->text());
        pressed = true;
        button->click();
    }
}

// Once the choices are listed: tick the first and start its download.
void downloadFirstChoice()
{
    static bool pressed = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* wizard = qobject_cast<QWizard*>(widget);
        if (pressed || !wizard || !wizard->isVisible()
            || !qobject_cast<DownloadChoiceSelectionPage*>(wizard->currentPage()))
            continue;
        auto* table = wizard->currentPage()->findChild<QTableWidget*>(QStringLiteral("downloadChoicesTable"));
        QAbstractButton* button = wizard->button(QWizard::CustomButton1);
        if (!table || table->rowCount() == 0 || !button->isEnabled())
            continue;
        report(QStringLiteral("choices:%1").arg(table->rowCount()));
        table->item(0, 0)->setCheckState(Qt::Checked);
        report(QStringLiteral("button:") + button->text());
        pressed = true;
        button->click();
    }
}

// Esc on the wizard while a page waits for the server, as a user would press
// it. Notices the query for the download choices and the self-update check
// going out, on whichever thread logs them.
class ChoicesQueryWatch : public LogAppender {
public:
    ChoicesQueryWatch()
        : LogAppender(ALL, {}, nullptr)
    {
    }
    ~ChoicesQueryWatch() override { detachFromHub(); }
    std::atomic<bool> asked{false};
    std::atomic<bool> checking{false};

protected:
    void writeRaw(const QString& shortText, const QString&, const QString&, LogLevels, const QDateTime&) override
    {
        if (shortText.startsWith(QLatin1String("POST : ")) && shortText.contains(QLatin1String("productlines/scan")))
            asked = true;
        if (shortText.startsWith(QLatin1String("GET : "))
            && shortText.contains(QLatin1String("downloadclient/discontinued")))
            checking = true;
    }
};

template <typename Page>
void cancelOn(int delayMs)
{
    static bool scheduled = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* wizard = qobject_cast<QWizard*>(widget);
        if (scheduled || !wizard || !wizard->isVisible() || !qobject_cast<Page*>(wizard->currentPage()))
            continue;
        scheduled = true;
        QTimer::singleShot(delayMs, wizard, [wizard] {
            report(QStringLiteral("escape:") + wizard->currentPage()->title());
            // Queued for the remote log just before the cancel.
            SimpleLogger::getInstance()->createLogger(QStringLiteral("FlowDriver"))->info(QStringLiteral("Esc pressed"),
                                                                                          QString());
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(wizard, &escape);
        });
    }
}

} // namespace

int main(int argc, char** argv)
{
    ConsoleLogAppender console(ALL, {}, nullptr);
    SimpleLogger::getInstance()->addAppender(&console);
    ChoicesQueryWatch choicesQuery;
    SimpleLogger::getInstance()->addAppender(&choicesQuery);
    const QByteArray flow = qgetenv("PATHWARDEN_FLOW");
    const QString started = qEnvironmentVariable("PATHWARDEN_FLOW_STARTED");

    int result = 0;
    {
        VornConfiguration configuration(argc, argv, QStringLiteral("1.16.0.436"), nullptr);
        // Modal boxes run their own loop inside start-up; the timer answers them too.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [flow, started, &choicesQuery] {
            answerVisibleWindows(flow);
            if (flow == "download-first-choice")
                downloadFirstChoice();
            if (flow == "install-without-updating")
                installWithoutUpdating();
            if (flow == "stay-offline-then-close" && QFileInfo::exists(started))
                closeConsentDialog();
            if (flow == "cancel-while-searching" && (started.isEmpty() || QFileInfo::exists(started)))
                cancelOn<DownloadChoiceSelectionPage>(0);
            if (flow == "cancel-while-asking" && choicesQuery.asked)
                cancelOn<DownloadChoiceSelectionPage>(300);
            if (flow == "cancel-while-checking" && choicesQuery.checking)
                cancelOn<SelfUpdatePage>(300);
        });
        poll.start(20);
        configuration.app();
        result = QApplication::exec();
        report(QStringLiteral("exec:%1").arg(result));
    }
    // The entry point's end.
    return endRun(result, kBackgroundCallsExitWaitMs, {&console, &choicesQuery},
                  SimpleLogger::getInstance()->createLogger(QStringLiteral("FlowDriver")));
}
