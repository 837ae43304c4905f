#include "player/ui/SampleRateErrorDialog.h"

#include "player/engine/audio/IStreamingSetup.h"

#include <QAbstractButton>
#include <QColor>
#include <QCoreApplication>
#include <QPushButton>

SampleRateErrorDialog::SampleRateErrorDialog(Errors error, IStreamingSetup* streamingSetup,
                                             QWidget* parent)
    : ErrorDialog(error, parent)
{
    setIcon(QMessageBox::Critical);
    QPushButton* ok = addButton(QCoreApplication::translate("ErrorDialog", "OK"), QMessageBox::AcceptRole);
    QPushButton* rescan =
        addButton(QCoreApplication::translate("ErrorDialog", "Rescan"), QMessageBox::NoRole);
    // Else the box takes its only NoRole button, the Rescan, for Escape,
    // which then does not close it.
    setEscapeButton(ok);

    // Cut the message box's own handling of the button, which would close the box.
    rescan->disconnect();

    connect(
        rescan, &QAbstractButton::clicked, rescan,
        [this, streamingSetup, error]() {
            const bool ok = streamingSetup->initializeStreamingEngine();
            const QColor color = ok ? QColor(61, 134, 57) : QColor(134, 61, 57);
            const QString failed = error == LostAudioDevice
                ? QCoreApplication::translate("ErrorDialog", "The sound server is not back yet.")
                : QStringLiteral("The sample rate of your audio device is not set to 44100 Hz.");
            const QString result = ok ? QStringLiteral("Rescan successful! The device can be used now.") : failed;
            // Built from the unchanged message, so each press replaces the last result line.
            setText(message + QLatin1Char('\t') + QStringLiteral("<font color= \"") + color.name() +
                    QStringLiteral("\">") + result + QStringLiteral("</font>"));
        },
        Qt::DirectConnection);
}
