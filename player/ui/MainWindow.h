#pragma once

// Glasswell's only window. It owns the playback controller by value, the
// current disc model, the table model, the transport controller, WAV export
// and the display timer, builds the widget tree through its form, opens the
// audio output at start-up, opens images by dialog or drop, follows playback
// every 16 ms, watches the output device (a lost one pauses playback, is
// reported with the device message and is reopened once it is back), and
// saves its geometry and table header when it closes.
//
// GUI thread only, except onAudioFileEnded, which the player's reader thread
// calls and which hands its widget work to the GUI thread.

#include "player/engine/audio/Player.h"
#include "player/ui/DDPModelAdapter.h"

#include <QMainWindow>
#include <QModelIndex>
#include <QMessageBox>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class AttributesMenu;
class CellDelegate;
class DDPModel;
class MenuBar;
class QDir;
class QMimeData;
class QTimer;
class QToolButton;
class TransportController;
class WavExport;

namespace Ui {
class MainWindow;
}

// Keeps the column menu open when one of its check-box entries is clicked.
class ContextMenuEventFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The local file of the first URL a drag carries; empty when there is none.
QString localFileFromMimeData(const QMimeData* mime);

namespace MainWindow {

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // For tests and the screenshot tool: what the window holds.
    Ui::MainWindow* form() const { return ui; }
    Audio::Player& player() { return audioPlayer; }
    std::shared_ptr<DDPModel> currentModel() const { return model; }
    QString imageFolder() const { return folder; }
    QTimer* displayTimer() const { return timer; }
    QTimer* deviceTimer() const { return deviceWatch; }
    AttributesMenu* columnMenu() const { return attributesMenu; }
    TransportController* transportController() const { return transport; }
    WavExport* wavExport() const { return exporter; }
    bool cdTimeShowsRemaining() const { return cdTimeRemaining; }
    bool trackTimeShowsRemaining() const { return trackTimeRemaining; }
    // Until the reader has opened the loaded image's "IMAGE.DAT", its damage
    // is not known, and no report has been shown.
    bool damageCheckPending() const { return imageCheckPending; }

    // Opens the image in `folder`: the end of every dialog open and drop.
    void loadFile(const QDir& folder);
    // Whether a dragged local path names something loadable: a folder that
    // holds "IMAGE.DAT", or a file of that name. An empty path never is.
    static bool isLoadablePath(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // The open dialog; tests answer it.
    virtual QString askImageFolder(const QString& startFolder);
    // The missing-image error; tests count it.
    virtual void showMissingImageError();
    // What is damaged in the loaded image, one line each; shown without
    // waiting for the user, so that the load (and a drop) returns at once.
    // Tests collect the lines.
    virtual void showDamageReport(const QStringList& lines);

private slots:
    void onUpdate();
    void onRescan();
    void onReset();
    void onMinimize();
    void onVolumeSliderValueChanged(int value);
    void onVolumeSliderReleased();
    void onSeekSliderPosChanged(int pos);
    void onSeekSliderReleased();
    void onCellDoubleClicked(QModelIndex idx);
    void onContextMenuRequested(QPoint pos);
    void onActionOpenTriggered();
    void onActionExitTriggered();
    void onActionAboutTriggered();
    void onInfoButtonClicked(int32_t id, QToolButton* button);
    void onExportAsWavButtonClicked(int32_t id);
    void onWavExportAllTriggered();
    void onTimeout();
    void onCdTimeLabelClicked();
    void onTrackTimeLabelClicked();
    void onResize(int deltaX, int deltaY);
    void onDeviceCheck();

private:
    void updateDisplay();
    void updateTrackLabel();
    void updateCdTimeLabel(int seconds);
    void updateTrackTimeLabel(int seconds);
    // Both time labels for the seek slider's value in the current range.
    void updateTimeLabels();
    // Reader thread: the image has been played to its end at `move`; nothing
    // when the user has moved since.
    void onAudioFileEnded(std::uint32_t move);
    // Once the reader has opened the loaded image: checks its audio against
    // the descriptors and reports what is damaged, on the display tick.
    void checkOpenedImage();
    // Played bytes of the current entry as the display counts them.
    float playedBytes() const;
    void fitIntoScreen();
    // After a show: fits again once the window manager's frame is known, if
    // that frame leaves the screen's free area.
    void fitFrameOnceKnown();
    // Whether a box may open over the window: placed, and where the frame
    // fit put it.
    bool boxesMayShow() const;
    // Once the window has been placed: the boxes its start held back.
    void showHeldBoxes();
    // The lost device's message, held until the window has been placed.
    void showDeviceMessage();
    void setupColumnEntries();
    void syncColumnEntries();
    void rewireImageConnections();

    Ui::MainWindow* ui;
    std::shared_ptr<DDPModel> model;
    DDPModelAdapter tableModel;
    TransportController* transport = nullptr;
    QPoint dragOffset;
    MenuBar* menuBar = nullptr;
    AttributesMenu* attributesMenu = nullptr;
    CellDelegate* cellDelegate = nullptr;
    Audio::Player audioPlayer;
    QTimer* timer = nullptr;
    QTimer* deviceWatch = nullptr;
    // The device message shown for a lost device, while it is open.
    QPointer<QMessageBox> deviceMessage;
    // The engine's probe count the device menu was listed for.
    unsigned menuProbeCount = 0;
    QString folder;
    // Where the loaded image's audio ends when it ends before its
    // descriptors do (bytes); -1 for an image that holds all of them.
    std::int64_t audioEnd = -1;
    // The descriptor files' damage of the loaded image, held for its report
    // until the reader has opened the audio (checkOpenedImage).
    std::vector<DDP::Damage> descriptorDamage;
    bool imageCheckPending = false;
    QPointer<QWidget> damageDialog;
    WavExport* exporter = nullptr;
    bool cdTimeRemaining = false;
    bool trackTimeRemaining = false;
    bool frameFitPending = false;
    // The window has been exposed once (the window manager has placed it).
    bool windowPlaced = false;
    // The frame fit moved the window; its new place has not come back yet.
    bool fitMovePending = false;
    // Boxes held for the fit no longer wait (a window manager that tells no
    // frame, or never answers the fit's move).
    bool boxWaitOver = false;
    // The output device refused 44100 Hz at the start; told once placed.
    bool sampleRateDialogPending = false;
    // A loss found before the window was placed.
    bool deviceMessageHeld = false;
};

// The volume panel's read-outs for a volume (0..1) and a slider value (0..10000).
void setdBValueLabelText(Ui::MainWindow* form, float volume);
void setVolumeValueLabelText(Ui::MainWindow* form, float value);

} // namespace MainWindow
