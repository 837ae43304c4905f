#pragma once

// Connects the four transport buttons and the Space key to the player, keeps
// the disc model's current track number in step after each action and the
// play button's checked state equal to the model's running flag.
//
// The handlers run on the GUI thread. The running callback runs on whatever
// thread changes the running flag (the GUI thread, or the reader thread at
// the end of the image) and touches the play button only on the GUI thread.

#include <QMetaObject>
#include <QObject>

class QAbstractButton;
class QShortcut;

namespace Audio {
class IAudioPlayerTransport;
class ITrackNumberModel;
} // namespace Audio

namespace Ui {
class MainWindow;
}

class TransportController : public QObject
{
    Q_OBJECT

public:
    explicit TransportController(QObject* parent);

    // Not owned; the main window sets them right after construction and
    // clears them before it goes.
    Ui::MainWindow* form = nullptr;
    Audio::IAudioPlayerTransport* transport = nullptr;

    // Replaced on every load (not owned); installs the running callback on it.
    void setTrackNumberModel(Audio::ITrackNumberModel* model);
    Audio::ITrackNumberModel* trackNumberModel() const { return model; }

    // Each load calls resetConnections() then setupConnections(), so every
    // button is connected exactly once.
    void setupConnections();
    void resetConnections();

    QShortcut* spaceShortcut() const { return shortcut; }

    // The running callback: sets the play button's checked state; hands the
    // change to the GUI thread when called from another thread.
    void setPlayButtonChecked(bool running);

signals:
    void update();
    void reset();

private:
    void onPlayButtonReleased();
    void onNextButtonReleased();
    void onStopButtonReleased();
    void onBackButtonReleased();
    void onSpaceKeyActivated();
    void syncTrackNumber();
    void applyPlayButtonChecked(bool running);
    QAbstractButton* playButton() const;

    Audio::ITrackNumberModel* model = nullptr;
    QShortcut* shortcut = nullptr;
    QMetaObject::Connection connections[5];
};
