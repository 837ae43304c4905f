#include <QCoreApplication>
#include <QTranslator>

#include <gtest/gtest.h>

static void initTranslations()
{
    Q_INIT_RESOURCE(pathwarden_translations);
}

TEST(Translations, EverySupportedLanguageIsBuiltInAndTranslatesTheDialogs)
{
    initTranslations();
    const struct {
        const char* context;
        const char* source;
    } texts[] = {
        {"AskForGoOnlineDialog", "Yes, search for updates"},
        {"AskForGoOnlineDialog", "No, install locally available software"},
        {"MandatoryUpdateDialog", "Yes, download and install components"},
        {"CheckIfOnlineDialog", "Try again"},
        {"CheckIfOnlineDialog", "Could not connect to server"},
        {"SelfUpdatePage", "Cancel installation"},
        {"SelfUpdatePage", "An error has occurred.\n\nThe Pathwarden will stop."},
        {"SelfUpdatePage", "\n\nPlease try again later, or contact Holmgrave Support in case the problem persists."},
        {"SelfUpdatePage", "The Pathwarden is currently preparing for update. Afterwards, the Pathwarden will "
                           "automatically restart and look for updates of the product you are about to install. "
                           "\n\nPlease wait until the Pathwarden has restarted, and follow the instructions on "
                           "screen. "},
    };
    for (const char* language : {"de", "es", "fr", "it", "ja", "pt", "ru", "zh"}) {
        QTranslator translator;
        ASSERT_TRUE(translator.load(QStringLiteral(":pathwarden_") + QLatin1String(language))) << language;
        for (const auto& text : texts) {
            const QString translated = translator.translate(text.context, text.source);
            EXPECT_FALSE(translated.isEmpty()) << language << ": " << text.source;
            EXPECT_NE(translated, QString::fromLatin1(text.source)) << language << ": " << text.source;
        }
        // Identical in some languages, but present in all.
        EXPECT_FALSE(translator.translate("QObject", "Version").isEmpty()) << language;
    }
}

TEST(Translations, PlaceholdersSurviveInEveryLanguage)
{
    initTranslations();
    for (const char* language : {"de", "es", "fr", "it", "ja", "pt", "ru", "zh"}) {
        QTranslator translator;
        ASSERT_TRUE(translator.load(QStringLiteral(":pathwarden_") + QLatin1String(language)));
        const QString tooOld = translator.translate(
            "QObject", "This software cannot be installed on this computer because the installed version of the "
                       "operating system is too old. \n\nThe minimum system requirement is %1.");
        EXPECT_TRUE(tooOld.contains(QStringLiteral("%1"))) << language;
    }
}
