#include "updater/testprofiles/SelfUpdateRun.h"

#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SystemInformation.h"
#include "updater/infrastructure/VornSettings.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/services/SelfUpdateService.h"
#include "updater/testprofiles/IntegrationTester.h"

#include <QEvent>
#include <QStringList>
#include <QTimer>

#include <exception>

namespace {

struct SelfUpdateCase {
    const char* name;
    const char* mediumVersion;
    const char* localStorageVersion; // "": nothing stored
    const char* serverVersion;
    const char* minimumUpgradableVersion;
};

const SelfUpdateCase kCases[] = {
    {"Case 1", "1.9.9", "", "1.9.9", "1.9.9"},
    {"Case 2", "1.9.9", "", "2.0.10", "1.9.9"},
    {"Case 3", "1.9.9", "2.0.10", "2.0.10", "1.9.9"},
    {"Case 4", "1.9.9", "2.0.10", "2.1.9", "1.9.9"},
    {"Case 5", "1.9.9", "2.1.9", "2.1.9", "1.9.9"},
    {"Case 6", "1.9.9", "", "2.0.10", "2.0.10"},
    {"Case 7", "1.9.9", "2.0.10", "2.0.10", "2.0.10"},
    {"Case 8", "1.9.9", "", "2.1.9", "2.0.10"},
    {"Case 9", "1.9.9", "2.0.10", "2.1.9", "2.0.10"},
};

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

SelfUpdateRun::SelfUpdateRun(int& argc, char** argv)
    : QCoreApplication(argc, argv)
    , logger_(SimpleLogger::getLogger(this))
{
    QTimer::singleShot(0, this, SLOT(appReadyToInit()));
}

void SelfUpdateRun::appReadyToInit()
{
    logger_->info(QStringLiteral("SelfUpdateRun::appReadyToInit()"), QString());
    for (const SelfUpdateCase& testCase : kCases) {
        const QString name = QString::fromLatin1(testCase.name);
        const bool passed = runGuarded(name, [&] {
            return runTestCase(name, QString::fromLatin1(testCase.mediumVersion),
                               QString::fromLatin1(testCase.localStorageVersion),
                               QString::fromLatin1(testCase.serverVersion),
                               QString::fromLatin1(testCase.minimumUpgradableVersion));
        });
        // What the case's service handed to deferred deletion goes with it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!passed) {
            logger_->error(QStringLiteral("Failed to run test ") + name, QString());
            QCoreApplication::exit(-1);
            return;
        }
        logger_->info(QStringLiteral("########## Successfully run test case ") + name + QStringLiteral(" ##########"),
                      QString());
    }
    QCoreApplication::quit();
}

bool SelfUpdateRun::runGuarded(const QString& name, const std::function<bool()>& testCase)
{
    const QString stopped = QStringLiteral("Test case ") + name + QStringLiteral(" was stopped by an exception.");
    try {
        return testCase();
    } catch (const QString& text) {
        logger_->error(stopped, text);
    } catch (const std::exception& error) {
        logger_->error(stopped, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        logger_->error(stopped, QStringLiteral("Unknown exception."));
    }
    return false;
}

bool SelfUpdateRun::isVersionLower(const QString& a, const QString& b)
{
    const QStringList aParts = a.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    const QStringList bParts = b.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (aParts.size() < 3 || bParts.size() < 3)
        return false;
    for (int i = 0; i < 3; ++i) {
        const int aPart = aParts.at(i).toInt(nullptr, 10);
        const int bPart = bParts.at(i).toInt(nullptr, 10);
        if (aPart != bPart)
            return aPart < bPart;
    }
    return false;
}

bool SelfUpdateRun::runTestCase(const QString& name, const QString& mediumVersion,
                                const QString& localStorageVersion, const QString& serverVersion,
                                const QString& minimumUpgradableVersion)
{
    logger_->info(QStringLiteral(" #################### ") + name + QStringLiteral(" #################### "),
                  QString());

    const bool shouldLaunchFromLocalStorage = isVersionLower(mediumVersion, localStorageVersion);
    // The version that runs once the launch decision is made.
    const QString clientAskingServerVersion = shouldLaunchFromLocalStorage ? localStorageVersion : mediumVersion;
    const bool shouldShowErrorClientTooOld = isVersionLower(clientAskingServerVersion, minimumUpgradableVersion);
    const bool shouldDownloadFromServer =
        !shouldShowErrorClientTooOld && isVersionLower(clientAskingServerVersion, serverVersion);

    // The launcher and the service compare with the application version,
    // which no other part of this profile sets.
    QCoreApplication::setApplicationVersion(mediumVersion);

    WorkingDirectoryProvider workingDirectoryProvider(nullptr);
    auto* zipExtractor = new ZipExtractor_OSX(&workingDirectoryProvider);
    auto* extractor = new SelfUpdateExtractor_OSX(zipExtractor, &workingDirectoryProvider);
    MockedLocalStorageForSelfUpdateRun localStorage(&workingDirectoryProvider, extractor, localStorageVersion);
    MockedUpdateLauncherForSelfUpdateRun launcher(&localStorage);
    const bool didLaunchFromLocalStorage = launcher.launchLatestIfNewer();

    const VornSettings settings;
    const QString rootRestUrl = settings.getRootRestUrl();
    MockedRESTClientForSelfUpdateRun restClient(rootRestUrl);
    restClient.serverVersion = serverVersion;
    restClient.updateRequired = isVersionLower(clientAskingServerVersion, serverVersion);
    restClient.discontinued = shouldShowErrorClientTooOld;
    // Owned by the service.
    auto* serviceUrl = new ServiceUrl(QStringLiteral("downloadclient"), rootRestUrl, &restClient, nullptr);
    SelfUpdateService service(&restClient, serviceUrl, nullptr, SystemInformation::getInstance()->getPlatform(),
                              &workingDirectoryProvider, &localStorage, &launcher, nullptr);

    const int answer = service.checkSelfUpdate();
    const bool didDownloadFromServer = answer == 0;
    const bool didShowErrorClientTooOld = answer == 2;
    const bool result = didLaunchFromLocalStorage == shouldLaunchFromLocalStorage
                        && didDownloadFromServer == shouldDownloadFromServer
                        && didShowErrorClientTooOld == shouldShowErrorClientTooOld;

    const auto line = [this](const char* label, const QString& value) {
        logger_->debug(QString::fromLatin1(label).leftJustified(30) + value, QString());
    };
    line("mediumVersion:", mediumVersion);
    line("localStorageVersion:", localStorageVersion);
    line("clientAskingServerVersion:", clientAskingServerVersion);
    line("serverVersion:", serverVersion);
    line("minimumUpgradableVersion:", minimumUpgradableVersion);
    line("shouldLaunchFromLocalStorage:", boolText(shouldLaunchFromLocalStorage));
    line("didLaunchFromLocalStorage:", boolText(didLaunchFromLocalStorage));
    line("shouldDownloadFromServer:", boolText(shouldDownloadFromServer));
    line("didDownloadFromServer:", boolText(didDownloadFromServer));
    line("shouldShowErrorClientTooOld:", boolText(shouldShowErrorClientTooOld));
    line("didShowErrorClientTooOld:", boolText(didShowErrorClientTooOld));
    line("test result:", result ? QStringLiteral("OK") : QStringLiteral("FAIL"));
    return result;
}
