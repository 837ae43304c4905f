#pragma once

// The strip that stands in for the window's title bar: close and minimise
// buttons and a push button carrying the player's only menu ("Open",
// "Attributes", "Devices", "Export as WAV", "About", in that order, appended
// by the setup operations that the main window calls once each, in order).
// GUI thread only.

#include <QWidget>

class QAction;
class QMenu;
class QPushButton;
class QToolButton;

namespace Audio {
class IDeviceSetup;
}

class MenuBar : public QWidget
{
    Q_OBJECT

public:
    explicit MenuBar(QWidget* parent);

    void setupOpen();
    // Appends the column menu (the main window's AttributesMenu) as "Attributes".
    void initialize(QMenu* attributesMenu);
    // Lists the usable output devices of deviceSetup as check boxes, exactly
    // one checked; choosing one calls setDevice. deviceSetup must be set first.
    // Called again, it replaces the list in place.
    void setupAudioDevicePrefs();
    void setupWavExport();
    void setupAbout();

    // The main menu's action at index (a submenu counts by its menu action);
    // null for an index outside the menu.
    QAction* getActionAt(int index) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Not owned; the main window points it at its player before setupAudioDevicePrefs.
    Audio::IDeviceSetup* deviceSetup = nullptr;

    QToolButton* minimizeButton = nullptr;
    QToolButton* closeButton = nullptr;
    QPushButton* menuButton = nullptr;
    QMenu* devicesMenu = nullptr;

signals:
    void audioDeviceChanged(int device);
    void wavExportAllTriggered();
    void rescanTriggered();

private:
    QMenu* mainMenu() const;
};
