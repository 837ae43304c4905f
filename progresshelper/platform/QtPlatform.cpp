#include "progresshelper/platform/QtPlatform.h"

#include "progresshelper/platform/LocalFileTests.h"
#include "progresshelper/platform/ProcessServices.h"
#include "progresshelper/platform/QtAlertPanels.h"
#include "progresshelper/platform/QtRepeatingTimer.h"
#include "progresshelper/platform/QtStatusWindow.h"
#include "progresshelper/platform/ResourceStringTable.h"
#include "progresshelper/platform/XdgWebsiteOpener.h"

namespace Skylarn {

QtPlatform::QtPlatform(const QStringList &preferredLanguages, Windows windows)
    : m_strings(std::make_unique<ResourceStringTable>(preferredLanguages))
    , m_files(std::make_unique<LocalFileTests>())
    , m_alerts(windows == WithWindows ? std::make_unique<QtAlertPanels>() : nullptr)
    , m_opener(std::make_unique<XdgWebsiteOpener>())
    , m_downloadWindow(windows == WithWindows ? std::make_unique<QtStatusWindow>(true) : nullptr)
    , m_installationWindow(windows == WithWindows ? std::make_unique<QtStatusWindow>(false) : nullptr)
    , m_timer(std::make_unique<QtRepeatingTimer>())
    , m_log(std::make_unique<StderrLog>())
    , m_exit(std::make_unique<ImmediateProcessExit>())
{
    m_services.strings = m_strings.get();
    m_services.files = m_files.get();
    m_services.alerts = m_alerts.get();
    m_services.opener = m_opener.get();
    m_services.downloadWindow = m_downloadWindow.get();
    m_services.installationWindow = m_installationWindow.get();
    m_services.progressTimer = m_timer.get();
    m_services.log = m_log.get();
    m_services.exit = m_exit.get();
}

QtPlatform::~QtPlatform() = default;

} // namespace Skylarn
