// Skylarn with scripted alert panels, for the exit-contract tests: the real
// program in every other respect. Alerts are answered from
// SKYLARN_TEST_ALERT_ANSWER (default: the default button) and recorded, one
// line each, in the file SKYLARN_TEST_ALERT_LOG. SKYLARN_TEST_CLICK_CANCEL_MS
// clicks the download window's cancel button that many ms after start.

#include "progresshelper/SkylarnApp.h"
#include "progresshelper/platform/PlatformServices.h"
#include "progresshelper/platform/QtPlatform.h"
#include "progresshelper/platform/QtStatusWindow.h"

#include <QFile>
#include <QPushButton>
#include <QTimer>

namespace {

class ScriptedAlertPanels : public Skylarn::IAlertPanels {
public:
    void bringApplicationToFront() override {}
    int runInformational(const Alert &alert) override { return record(QStringLiteral("informational"), alert); }
    int runCritical(const Alert &alert) override { return record(QStringLiteral("critical"), alert); }

private:
    int record(const QString &kind, const Alert &alert)
    {
        const QString logPath = qEnvironmentVariable("SKYLARN_TEST_ALERT_LOG");
        if (!logPath.isEmpty()) {
            QFile file(logPath);
            if (file.open(QIODevice::Append)) {
                const QStringList fields{kind, alert.title, alert.message, alert.defaultButton,
                                         alert.alternateButton, alert.otherButton};
                // One alert per line: a line end inside a text is written as a backslash and "n".
                QString line = fields.join(QLatin1Char('|'));
                line.replace(QLatin1Char('\n'), QLatin1String("\\n"));
                file.write(line.toUtf8() + '\n');
            }
        }
        bool ok = false;
        const int answer = qEnvironmentVariableIntValue("SKYLARN_TEST_ALERT_ANSWER", &ok);
        return ok ? answer : DefaultButton;
    }
};

} // namespace

int main(int argc, char **argv)
{
    ScriptedAlertPanels alerts;
    return Skylarn::runSkylarn(argc, argv, [&alerts](Skylarn::QtPlatform &platform) {
        platform.services().alerts = &alerts;
        bool ok = false;
        const int clickAfterMs = qEnvironmentVariableIntValue("SKYLARN_TEST_CLICK_CANCEL_MS", &ok);
        if (ok && platform.downloadWindow()) {
            QPushButton *cancel = platform.downloadWindow()->cancelButton();
            QTimer::singleShot(clickAfterMs, cancel, [cancel] { cancel->click(); });
        }
    });
}
