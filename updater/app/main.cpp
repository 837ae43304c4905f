#include "updater/app/EntryPoint.h"
#include "updater/app/VornApp.h"
#include "updater/app/VornConfiguration.h"
#include "updater/infrastructure/ConsoleLogAppender.h"
#include "updater/infrastructure/FileLogAppender.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/VornSettings.h"
#include "updater/infrastructure/platform/ExecutablePath.h"

#include <QApplication>
#include <QFile>
#include <QTextCodec>

int main(int argc, char** argv)
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    installCrashHandler();

    VornSettings settings;
    ConsoleLogAppender consoleAppender(parseLogLevel(settings.getConsoleLogLevel()), QStringList(), nullptr);
    SimpleLogger::getInstance()->addAppender(&consoleAppender);

    QFile logFile(FileLogAppender::getAndCreateLogFilePath(QStringLiteral("debug.log")));
    FileLogAppender fileAppender(&logFile, parseLogLevel(settings.getFileLogLevel()), QStringList(), nullptr);
    SimpleLogger::getInstance()->addAppender(&fileAppender);

    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("main"));
    logger->debug(QStringLiteral("Profile ") + settings.getProfile(), QString());

    adjustLibraryPaths(platform::realExecutablePath());

    int result = 0;
    if (settings.getProfile() == QLatin1String("prod")) {
        try {
            VornConfiguration configuration(argc, argv, QStringLiteral("1.16.0.436"), nullptr);
            configuration.app();
            result = QApplication::exec();
            logger->debug(QStringLiteral("Application execution returned %1").arg(result), QString());
        } catch (const QString& text) {
            logger->error(QStringLiteral("General exception caught. "), text);
        } catch (...) {
            logger->error(QStringLiteral("Unknown exception caught."), QString());
        }
    } else {
        logger->error(QStringLiteral("Unknown application profile (settings: %1)").arg(settings.getProfile()),
                      QString());
        result = -1;
    }

    logger->debug(QStringLiteral("application is closing... (exit code: %1)").arg(result), QString());
    return result;
}
