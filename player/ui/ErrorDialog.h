#pragma once

// Message box for the player's error situations. Created on the caller's
// stack with the main window as parent and run with exec().

#include <QMessageBox>
#include <QString>
#include <QStringList>

enum Errors : int {
    MissingImageDat = 0,        // the chosen DDP folder holds no "IMAGE.DAT"
    IncompatibleSampleRate = 1, // the output device cannot run at 44100 Hz
    InvalidPath = 2,            // the chosen directory does not exist
    DamagedImage = 3,           // the image loaded, but parts of it are missing or unreadable
    LostAudioDevice = 4,        // the sound output went away (the sound server ended or restarted)
};

class ErrorDialog : public QMessageBox
{
    Q_OBJECT

public:
    // An unlisted value gives an untitled information box with an empty text.
    ErrorDialog(Errors error, QWidget* parent);
    ~ErrorDialog() override;

    // Lists `details` (plain text, one item each) below the message.
    void setDetails(const QStringList& details);

protected:
    // The body text chosen for the error; kept so that subclasses can append
    // to it without accumulating earlier additions.
    QString message;
};
