#pragma once

// The real desktop services on Qt Widgets, owned in one place. With windows
// it needs a QApplication; without (a run that shows nothing) a
// QCoreApplication does, and the alert panels and status windows are null.
// Build it after the application object and drop it before.

#include "progresshelper/platform/PlatformServices.h"

#include <QStringList>

#include <memory>

namespace Skylarn {

class LocalFileTests;
class QtAlertPanels;
class QtRepeatingTimer;
class QtStatusWindow;
class ResourceStringTable;
class StderrLog;
class ImmediateProcessExit;
class XdgWebsiteOpener;

class QtPlatform {
public:
    enum Windows { WithWindows, WithoutWindows };
    // preferredLanguages as QLocale::uiLanguages() gives them.
    explicit QtPlatform(const QStringList &preferredLanguages, Windows windows = WithWindows);
    ~QtPlatform();

    // Pointers into this object; a caller may swap single services before use.
    PlatformServices &services() { return m_services; }
    // Null without windows.
    QtStatusWindow *downloadWindow() { return m_downloadWindow.get(); }
    QtStatusWindow *installationWindow() { return m_installationWindow.get(); }

private:
    std::unique_ptr<ResourceStringTable> m_strings;
    std::unique_ptr<LocalFileTests> m_files;
    std::unique_ptr<QtAlertPanels> m_alerts;
    std::unique_ptr<XdgWebsiteOpener> m_opener;
    std::unique_ptr<QtStatusWindow> m_downloadWindow;
    std::unique_ptr<QtStatusWindow> m_installationWindow;
    std::unique_ptr<QtRepeatingTimer> m_timer;
    std::unique_ptr<StderrLog> m_log;
    std::unique_ptr<ImmediateProcessExit> m_exit;
    PlatformServices m_services;
};

} // namespace Skylarn
