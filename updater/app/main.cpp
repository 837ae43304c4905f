#include "updater/app/EntryPoint.h"
#include "updater/app/VornApp.h"
#include "updater/app/VornConfiguration.h"
#include "updater/infrastructure/BackgroundCalls.h"
#include "updater/infrastructure/ConsoleLogAppender.h"
#include "updater/infrastructure/FileLogAppender.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/VornSettings.h"
#include "updater/infrastructure/platform/ExecutablePath.h"
#include "updater/testprofiles/ComponentScannerRun.h"
#include "updater/testprofiles/IntegrationTester.h"
#include "updater/testprofiles/SelfUpdateRun.h"

#include <QApplication>
#include <QFile>
#include <QTextCodec>

#include <csignal>

namespace {

// The updater's built-in version. The interactive profile hands it to the
// composition root; the component-scanner run names it in the User-Agent of
// its real server question.
const char* const kBuiltInVersion = "1.16.0.436";

} // namespace

int main(int argc, char** argv)
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    installCrashHandler();
    // Our standard channels may be a pipe whose reader has gone (a copy
    // started by a hand-over outlives the run that started it): a log line
    // written there must fail, not end us. Our children start with the
    // default action again.
    std::signal(SIGPIPE, SIG_IGN);

    VornSettings settings;
    ConsoleLogAppender consoleAppender(parseLogLevel(settings.getConsoleLogLevel()), QStringList(), nullptr);
    SimpleLogger::getInstance()->addAppender(&consoleAppender);

    QFile logFile(FileLogAppender::getAndCreateLogFilePath(QStringLiteral("debug.log")));
    FileLogAppender fileAppender(&logFile, parseLogLevel(settings.getFileLogLevel()), QStringList(), nullptr);
    SimpleLogger::getInstance()->addAppender(&fileAppender);

    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("main"));
    for (const QString& refusal : settings.refusals())
        logger->error(refusal, QString());
    for (const QString& mend : settings.mends())
        logger->info(mend, QString());
    logger->debug(QStringLiteral("Profile ") + settings.getProfile(), QString());

    adjustLibraryPaths(platform::realExecutablePath());

    int result = 0;
    if (settings.getProfile() == QLatin1String("prod")) {
        result = runProfile(
            [&] {
                VornConfiguration configuration(argc, argv, QString::fromLatin1(kBuiltInVersion), nullptr);
                configuration.app();
                const int returned = QApplication::exec();
                logger->debug(QStringLiteral("Application execution returned %1").arg(returned), QString());
                return returned;
            },
            logger);
    } else if (settings.getProfile() == QLatin1String("integration-test")) {
        result = runProfile(
            [&] {
                IntegrationTester tester(argc, argv);
                return QCoreApplication::exec();
            },
            logger);
    } else if (settings.getProfile() == QLatin1String("component-scanner-run")) {
        result = runProfile(
            [&] {
                ComponentScannerRun run(argc, argv);
                QCoreApplication::setApplicationVersion(QString::fromLatin1(kBuiltInVersion));
                return QCoreApplication::exec();
            },
            logger);
    } else if (settings.getProfile() == QLatin1String("self-update-run")) {
        result = runProfile(
            [&] {
                SelfUpdateRun run(argc, argv);
                return QCoreApplication::exec();
            },
            logger);
    } else {
        logger->error(QStringLiteral("Unknown application profile (settings: %1)").arg(settings.getProfile()),
                      QString());
        result = -1;
    }

    // Nothing of the pool may still run while the static objects go.
    return endRun(result, kBackgroundCallsExitWaitMs, {&consoleAppender, &fileAppender}, logger);
}
