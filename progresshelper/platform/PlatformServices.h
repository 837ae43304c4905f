#pragma once

// The narrow services Skylarn needs from the desktop. The program logic talks
// only to these interfaces; QtPlatform builds the real set on Qt Widgets and
// the tests replace single services. Everything here is used on the GUI
// thread only.

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

namespace Skylarn {

// The bundle's string table in the user's language.
class IStringTable {
public:
    virtual ~IStringTable() = default;
    // The text for key; a key the table lacks gives the key itself.
    virtual QString localizedString(const QString &key) const = 0;
};

// What readRegularFile found.
struct FileContent {
    enum Status {
        Read,       // bytes holds the whole file
        Unreadable, // missing, not a regular file (FIFO, device, folder) or not ours to read
        TooLarge,   // more than the caller's limit; bytes is empty
    };
    Status status = Unreadable;
    QByteArray bytes;
};

class IFileTests {
public:
    virtual ~IFileTests() = default;
    virtual bool fileExists(const QString &path) const = 0;
    // Reads a file that someone else hands us. Only a regular file is read,
    // and never more than maxBytes + 1 bytes of it, so neither a FIFO without
    // a writer nor a file that grows without end can hold up the caller.
    virtual FileContent readRegularFile(const QString &path, qint64 maxBytes) const = 0;
};

// Modal alert panels. The answer tells which button ended the panel;
// Dismissed means none did (Escape, or closed through the window manager),
// which callers must never take for a choice that cannot be undone.
class IAlertPanels {
public:
    enum Result { DefaultButton = 1, AlternateButton = 0, OtherButton = -1, Error = -2, Dismissed = -3 };
    struct Alert {
        QString title;
        QString message;
        QString defaultButton;
        QString alternateButton; // empty: no such button
        QString otherButton;     // empty: no such button
    };
    virtual ~IAlertPanels() = default;
    virtual void bringApplicationToFront() = 0;
    virtual int runInformational(const Alert &alert) = 0;
    virtual int runCritical(const Alert &alert) = 0;
};

// Opens a local file with the user's default application.
class IWebsiteOpener {
public:
    virtual ~IWebsiteOpener() = default;
    // True when the default application accepted the file.
    virtual bool openLocalFile(const QString &path) = 0;
};

// Receives what happens to a status window.
class IStatusWindowDelegate {
public:
    virtual ~IStatusWindowDelegate() = default;
    // Asked before the window closes; false keeps it open.
    virtual bool windowShouldClose() = 0;
    // The window closes regardless of the answer above (e.g. torn down by the system).
    virtual void windowWillClose() = 0;
    virtual void cancelButtonClicked() = 0;
};

// A small status window with a progress bar, three texts and, for downloads,
// a cancel button.
class IStatusWindow {
public:
    virtual ~IStatusWindow() = default;
    virtual void setDelegate(IStatusWindowDelegate *delegate) = 0;
    virtual void setTitle(const QString &title) = 0;
    virtual void setText(const QString &text) = 0;
    virtual void setSubtext(const QString &subtext) = 0;
    virtual void setCancelButtonTitle(const QString &title) = 0;
    virtual void setIndeterminate(bool indeterminate) = 0;
    virtual bool isIndeterminate() const = 0;
    virtual void startAnimation() = 0;
    // Fraction done, 0 to 1.
    virtual void setValue(double fraction) = 0;
    virtual void showInFrontAndMakeKey() = 0;
    virtual QSize frameSize() const = 0;
    // Screen coordinates with the origin at the top left.
    virtual void moveTopLeftTo(const QPoint &topLeft) = 0;
    // The usable area of the window's screen; empty without a screen.
    virtual QRect screenVisibleFrame() const = 0;
};

// Fires first after firstDelayMs, then every intervalMs, on the GUI thread.
class IRepeatingTimer {
public:
    virtual ~IRepeatingTimer() = default;
    virtual void start(int firstDelayMs, int intervalMs, std::function<void()> onTick) = 0;
};

class ILog {
public:
    virtual ~ILog() = default;
    virtual void log(const QString &line) = 0;
};

// Ends the process with a status. A replacement in tests may return; callers
// therefore return right after asking for the exit.
class IProcessExit {
public:
    virtual ~IProcessExit() = default;
    virtual void exitProcess(int status) = 0;
};

// The set the controller works with; not owned.
struct PlatformServices {
    IStringTable *strings = nullptr;
    IFileTests *files = nullptr;
    IAlertPanels *alerts = nullptr;
    IWebsiteOpener *opener = nullptr;
    IStatusWindow *downloadWindow = nullptr;
    IStatusWindow *installationWindow = nullptr;
    IRepeatingTimer *progressTimer = nullptr;
    ILog *log = nullptr;
    IProcessExit *exit = nullptr;
};

} // namespace Skylarn
