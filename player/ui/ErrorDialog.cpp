#include "player/ui/ErrorDialog.h"

#include "player/ui/Constants.h"

ErrorDialog::ErrorDialog(Errors error, QWidget* parent)
    : QMessageBox(parent)
{
    setIcon(QMessageBox::Information);
    switch (error) {
    case MissingImageDat:
        setWindowTitle(QStringLiteral("Error"));
        message = QStringLiteral(
            "Your DDP-directory doesn't contain a IMAGE.DAT file <br> A proper DDP must contain 4 "
            "parts:<ul><li> Audio image(s) (.DAT file(s))</li><li>DDP Identifier(DDPID)</li><li>DDP "
            "Stream descriptor(DDPMS)</li><li>Subcode descriptor(PQDESCR)</li></ul>");
        break;
    case IncompatibleSampleRate:
        setWindowTitle(QStringLiteral("Incompatible Audio Device Sample Rate"));
        message = sampleRateErrorText;
        break;
    case InvalidPath:
        setWindowTitle(QStringLiteral("Invalid path"));
        message = QStringLiteral(
            "The directory you selected does not exist. Please make sure you created and selected a "
            "proper directory. Please make also sure to hit return, if you created a new folder or "
            "renamed it.");
        break;
    case LostAudioDevice:
        setWindowTitle(tr("Audio Output Lost"));
        message = tr("The sound output was lost: the sound server ended or restarted. Playback is paused."
                     "<br><br>Glasswell reconnects as soon as the sound server is back, and <b>Play</b> goes on "
                     "from where it stopped.<br><br>To look for audio devices now, click <b>Rescan</b>. To select "
                     "another audio device, open the Glasswell menu and select it from the <b>Devices</b> "
                     "menu.<br><br>");
        break;
    case DamagedImage:
        setIcon(QMessageBox::Warning);
        setWindowTitle(tr("Damaged Image"));
        message = tr("This DDP image is damaged. What could be read is listed, and plays as far as its audio "
                     "reaches:");
        break;
    }
    setText(message);
}

ErrorDialog::~ErrorDialog() = default;

void ErrorDialog::setDetails(const QStringList& details)
{
    QString items;
    for (const QString& detail : details)
        items += QStringLiteral("<li>") + detail.toHtmlEscaped() + QStringLiteral("</li>");
    setTextFormat(Qt::RichText);
    setText(message + QStringLiteral("<ul>") + items + QStringLiteral("</ul>"));
}
