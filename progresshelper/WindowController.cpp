#include "progresshelper/WindowController.h"

#include "progresshelper/CheckedFormat.h"
#include "progresshelper/ProgressFileParser.h"
#include "progresshelper/UsageMessage.h"
#include "progresshelper/WebsitePath.h"

#include <algorithm>

namespace Skylarn {

namespace {
constexpr double kBytesPerMegabyte = 1048576.0;
constexpr int kFirstTickMs = 1000;
constexpr int kTickIntervalMs = 500;
} // namespace

QPoint statusWindowTopLeft(const QRect &visibleFrame, const QSize &windowSize)
{
    const int frameWidth = visibleFrame.isValid() ? visibleFrame.width() : 0;
    const int frameTop = visibleFrame.isValid() ? visibleFrame.top() : 0;
    return QPoint(frameWidth - windowSize.width() - 10, frameTop + 10);
}

DownloadProgressView downloadProgressView(qint64 currentSize, qint64 totalSize)
{
    DownloadProgressView view;
    if (totalSize <= 0)
        return view;
    const qint64 done = std::clamp<qint64>(currentSize, 0, totalSize);
    view.determinate = true;
    view.fraction = static_cast<double>(done) / static_cast<double>(totalSize);
    view.megabytesDone = static_cast<double>(done) / kBytesPerMegabyte;
    view.megabytesTotal = static_cast<double>(totalSize) / kBytesPerMegabyte;
    return view;
}

WindowController::WindowController(const PlatformServices &services)
    : m_services(services)
{
}

WindowController::~WindowController() = default;

QString WindowController::text(const char *key) const
{
    return m_services.strings->localizedString(QString::fromLatin1(key));
}

void WindowController::logMissingParameter(const QString &parameter)
{
    m_services.log->log(checkedFormat(QStringLiteral("Missing or invalid parameter: '%@' \n"), {parameter}));
}

void WindowController::awakeFromNib(const QStringList &processArguments)
{
    m_operationMode = OperationModeNone;
    m_progressFilePath.clear();
    m_shouldSuppressInformationalDialog = false;
    setWebsitePath(nullptr);

    const LaunchArguments arguments = parseLaunchArguments(processArguments);
    m_operationMode = arguments.operationMode;
    if (arguments.hasWebsiteFilePath)
        setWebsitePath(&arguments.websiteFilePath);
    m_progressFilePath = arguments.progressFilePath;
    m_shouldSuppressInformationalDialog = arguments.suppressDialog;

    if (static_cast<unsigned>(m_operationMode) > 3u) {
        m_services.log->log(
            checkedFormat(QStringLiteral("Missing operation mode parameter: '%@' \n"), {kParameterNameOperationMode}));
        printUsageMessage();
        m_services.exit->exitProcess(0);
        return;
    }

    switch (m_operationMode) {
    case OperationModeAskForInternetConnection:
        startModeAskForInternetConnection();
        break;
    case OperationModeShowDownloadProgress:
        startModeShowDownloadProgress(m_progressFilePath);
        break;
    case OperationModeShowInstallationProgress:
        startModeShowInstallationProgress();
        break;
    case OperationModeOpenWebsite:
        startModeOpenWebsite();
        break;
    default:
        break;
    }
}

void WindowController::setWebsitePath(const QString *path)
{
    if (!path)
        return;
    m_websitePath = localizedWebsitePath(*path, text("URL_Language_Specifier"));
}

bool WindowController::hasWebsitePath() const
{
    return !m_websitePath.isEmpty() && m_services.files->fileExists(m_websitePath);
}

bool WindowController::hasProgressFilePath() const
{
    return !m_progressFilePath.isEmpty();
}

bool WindowController::launchWebsite(const QString *path)
{
    if (!path)
        return false;
    return m_services.opener->openLocalFile(*path);
}

void WindowController::printUsageMessage()
{
    for (const QString &line : usageMessageLines())
        m_services.log->log(line);
}

void WindowController::startModeAskForInternetConnection()
{
    if (!hasWebsitePath()) {
        logMissingParameter(kParameterNameWebsiteFilePath);
        printUsageMessage();
        m_services.exit->exitProcess(1);
        return;
    }
    m_services.alerts->bringApplicationToFront();
    IAlertPanels::Alert alert;
    alert.title = text("Dialog_Title_AskForInternetConnection");
    alert.message = checkedFormat(QStringLiteral("%@ \n"), {text("Dialog_Text_AskForInternetConnection")});
    alert.defaultButton = text("Dialog_Button_OK");
    alert.alternateButton = text("Dialog_Button_Cancel");
    if (m_services.alerts->runInformational(alert) == IAlertPanels::DefaultButton) {
        m_services.exit->exitProcess(0);
        return;
    }
    // The user stays offline: show the page that explains why, whatever comes of it.
    launchWebsite(&m_websitePath);
    m_services.exit->exitProcess(1);
}

void WindowController::startModeOpenWebsite()
{
    if (!hasWebsitePath()) {
        logMissingParameter(kParameterNameWebsiteFilePath);
        printUsageMessage();
        m_services.exit->exitProcess(1);
        return;
    }
    if (!m_shouldSuppressInformationalDialog) {
        m_services.alerts->bringApplicationToFront();
        IAlertPanels::Alert alert;
        alert.title = text("Dialog_Title_InstallationIncomplete");
        alert.message = checkedFormat(QStringLiteral("%@ \n"), {text("Dialog_Text_InstallationIncomplete")});
        alert.defaultButton = text("Dialog_Button_OK");
        m_services.alerts->runCritical(alert);
    }
    m_services.exit->exitProcess(launchWebsite(&m_websitePath) ? 0 : 1);
}

void WindowController::showStatusWindow()
{
    m_window->showInFrontAndMakeKey();
    m_window->moveTopLeftTo(statusWindowTopLeft(m_window->screenVisibleFrame(), m_window->frameSize()));
}

void WindowController::startModeShowDownloadProgress(const QString &progressFilePath)
{
    m_window = m_services.downloadWindow;
    if (!hasProgressFilePath()) {
        logMissingParameter(kParameterNameProgressFilePath);
        printUsageMessage();
        m_services.exit->exitProcess(1);
        return;
    }
    if (m_window) {
        m_window->setDelegate(this);
        m_window->setTitle(text("ProgressBar_Title_Download"));
        m_window->setIndeterminate(true);
        m_window->startAnimation();
        m_window->setText(text("ProgressBar_Label_Download"));
        m_window->setSubtext(QString());
        m_window->setValue(0.0);
        m_window->setCancelButtonTitle(text("Dialog_Button_Cancel"));
        showStatusWindow();
    }
    m_services.progressTimer->start(kFirstTickMs, kTickIntervalMs, [this] { onProgressTimer(); });
    m_xmlParser = std::make_unique<ProgressFileParser>(*m_services.files, *m_services.log);
    m_xmlParser->setProgressFilePath(progressFilePath);
}

void WindowController::onProgressTimer()
{
    if (!m_xmlParser)
        return;
    m_xmlParser->update();
    const DownloadProgressView view = downloadProgressView(m_xmlParser->currentSize(), m_xmlParser->totalSize());
    if (!view.determinate || !m_window)
        return;
    if (m_window->isIndeterminate())
        m_window->setIndeterminate(false);
    m_window->setValue(view.fraction);
    m_window->setSubtext(
        checkedFormat(text("ProgressBar_Value_Download"), {view.megabytesDone, view.megabytesTotal}));
}

void WindowController::startModeShowInstallationProgress()
{
    m_window = m_services.installationWindow;
    if (!m_window)
        return;
    m_window->setDelegate(this);
    m_window->setTitle(text("ProgressBar_Title_Installation"));
    m_window->setIndeterminate(true);
    m_window->startAnimation();
    m_window->setText(text("ProgressBar_Label_Installation"));
    m_window->setSubtext(QStringLiteral("Installing..."));
    showStatusWindow();
}

void WindowController::actionButtonClickedCancelDownload()
{
    m_services.alerts->bringApplicationToFront();
    IAlertPanels::Alert alert;
    alert.title = text("Dialog_Title_CancelDownload");
    alert.message = checkedFormat(QStringLiteral("%@ \n"), {text("Dialog_Text_CancelDownload")});
    alert.defaultButton = text("Dialog_Button_ContinueDownload");
    alert.alternateButton = text("Dialog_Button_CancelDownload");
    // Only the confirming button ends the download; continuing, Escape and
    // closing the panel all leave it running.
    if (m_services.alerts->runCritical(alert) != IAlertPanels::AlternateButton)
        return;
    m_services.exit->exitProcess(1);
}

bool WindowController::windowShouldClose()
{
    return false;
}

void WindowController::windowWillClose()
{
    // Only the caller ends us normally; a window torn down anyway ends the application.
    m_services.exit->exitProcess(0);
}

} // namespace Skylarn
