#include "progresshelper/CheckedFormat.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <clocale>
#include <string>

using Skylarn::checkedFormat;

TEST(CheckedFormat, FormatsMegabytesLikePrintf)
{
    EXPECT_EQ(checkedFormat(QStringLiteral("%.1f MB of %.1f MB"), {1.0, 2.0}), QStringLiteral("1.0 MB of 2.0 MB"));
    EXPECT_EQ(checkedFormat(QStringLiteral("%5.2f|%-6.1f|%d%%"), {3.14159, 2.5, 42.0}),
              QStringLiteral(" 3.14|2.5   |42%"));
    EXPECT_EQ(checkedFormat(QStringLiteral("%@ \n"), {QStringLiteral("50% done")}), QStringLiteral("50% done \n"));
}

// Under a German or Turkish locale printf writes "1,0"; the string table's
// numbers keep their full stop.
TEST(CheckedFormat, NumbersKeepTheFullStopUnderADecimalCommaLocale)
{
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const auto findComma = []() -> const char * {
        for (const char *name : {"de_DE.UTF-8", "tr_TR.UTF-8", "fr_FR.UTF-8", "de_DE", "fr_FR"})
            if (std::setlocale(LC_NUMERIC, name) != nullptr && *std::localeconv()->decimal_point == ',')
                return name;
        return nullptr;
    };
    const char *comma = findComma();
    // A machine that has generated no such locale (a bare Debian has only
    // C.UTF-8) gets one compiled for this process alone, from the locale
    // sources of the `locales` package, so that the test still runs.
    QTemporaryDir privateLocales;
    const QByteArray locPath = qgetenv("LOCPATH");
    const bool hadLocPath = qEnvironmentVariableIsSet("LOCPATH");
    if (comma == nullptr && privateLocales.isValid()
        && QProcess::execute(QStringLiteral("localedef"),
                             {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"), QStringLiteral("UTF-8"),
                              privateLocales.filePath(QStringLiteral("de_DE.UTF-8"))})
               == 0) {
        qputenv("LOCPATH", QFile::encodeName(privateLocales.path()));
        comma = findComma();
    }
    const QString text = checkedFormat(QStringLiteral("%.1f MB of %.1f MB"), {1.0, 2.5});
    std::setlocale(LC_NUMERIC, before.c_str());
    if (hadLocPath)
        qputenv("LOCPATH", locPath);
    else
        qunsetenv("LOCPATH");
    if (comma == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma is installed, and localedef could not make one";
    EXPECT_EQ(text, QStringLiteral("1.0 MB of 2.5 MB")) << comma;
}

TEST(CheckedFormat, PositionalPlaceholdersPickTheirArgument)
{
    EXPECT_EQ(checkedFormat(QStringLiteral("%2$.1f von %1$.1f"), {1.0, 2.0}), QStringLiteral("2.0 von 1.0"));
    EXPECT_EQ(checkedFormat(QStringLiteral("%1$@/%1$@"), {QStringLiteral("x")}), QStringLiteral("x/x"));
}

TEST(CheckedFormat, PlaceholdersThatDoNotFitStayLiteral)
{
    // Object and string placeholders take numbers as text; unknown or
    // dangerous conversions and missing arguments never read anything.
    EXPECT_EQ(checkedFormat(QStringLiteral("%@ of %s"), {1.5, 2.0}), QStringLiteral("1.5 of 2"));
    EXPECT_EQ(checkedFormat(QStringLiteral("%n %x %p"), {1.0, 2.0, 3.0}), QStringLiteral("%n %x %p"));
    EXPECT_EQ(checkedFormat(QStringLiteral("%.1f %.1f %.1f"), {1.0, 2.0}), QStringLiteral("1.0 2.0 %.1f"));
    EXPECT_EQ(checkedFormat(QStringLiteral("%f"), {QStringLiteral("text")}), QStringLiteral("%f"));
    EXPECT_EQ(checkedFormat(QStringLiteral("%9$f"), {1.0}), QStringLiteral("%9$f"));
    EXPECT_EQ(checkedFormat(QStringLiteral("100%"), {}), QStringLiteral("100%"));
    EXPECT_EQ(checkedFormat(QStringLiteral("%"), {1.0}), QStringLiteral("%"));
}

TEST(CheckedFormat, HugeWidthOrPrecisionIsNotHonoured)
{
    EXPECT_EQ(checkedFormat(QStringLiteral("%999999999f"), {1.0}), QStringLiteral("%999999999f"));
    EXPECT_EQ(checkedFormat(QStringLiteral("%.5000f"), {1.0}), QStringLiteral("%.5000f"));
    const QString wide = checkedFormat(QStringLiteral("%64.64f"), {1e300});
    EXPECT_GT(wide.size(), 300);
}
