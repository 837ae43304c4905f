#include "updater/infrastructure/SystemInformation.h"
#include "updater/infrastructure/platform/OsRelease.h"
#include "updater/infrastructure/platform/SystemInformation_Linux.h"
#include "updater/infrastructure/platform/SystemInformation_OSX.h"
#include "updater/testsupport/StandInProgram.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The OS-dependent answers fixed, so the shared logic can be checked alone.
class FixedSystemInformation : public SystemInformation {
public:
    FixedSystemInformation(const QString& version, const QStringList& languages)
        : version_(version)
        , languages_(languages)
    {
    }
    int getPlatform() override { return 0; }
    QString getOSBits() override { return QStringLiteral("64"); }
    QString getOSName(bool) override { return QStringLiteral("Test OS"); }
    QString getOSVersion(bool) override { return version_; }
    QStringList getOSLanguage() override { return languages_; }

private:
    QString version_;
    QStringList languages_;
};

const QStringList kSupported = {QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("es"),
                                QStringLiteral("fr"), QStringLiteral("it"), QStringLiteral("ja"),
                                QStringLiteral("pt"), QStringLiteral("ru"), QStringLiteral("zh")};

} // namespace

TEST(OSVersionComparison, MajorAndMinorDecideBuildAndLaterPartsDoNot)
{
    const struct {
        const char* current;
        const char* minimum;
        bool expected;
    } table[] = {
        {"10.8.5 (12F45)", "10.8", true},
        {"10.8.5 (12F45)", "10.7.9", true},
        {"10.8 (1)", "10.8", true},
        {"10.7.5 (11G63)", "10.8", false},
        {"10.10 (14A389)", "10.8", true},
        {"11.0 (20A)", "10.8", true},
        {"11.0 (20A)", "10", false},
        {"10.9.5 (13F34)", "10.x", false},
        {"10.9.5 (13F34)", "", false},
        {"10.9.5 (13F34)", " 10.8 ", true},
        {" ()", "10.8", false},
        {"12.0 (bookworm)", "12.0", true},
        {"11.0 (bullseye)", "12.0", false},
        {"22.04 (jammy)", "12.0", true},
        {"9.20 (x)", "10.8", false},
        {"10.abc (x)", "10.0", true},
    };
    for (const auto& row : table) {
        EXPECT_EQ(isVersionAtLeast(QString::fromLatin1(row.current), QString::fromLatin1(row.minimum)), row.expected)
            << row.current << " >= " << row.minimum;
    }
}

TEST(OSVersionComparison, InstanceUsesItsOwnVersion)
{
    FixedSystemInformation info(QStringLiteral("10.8.5 (12F45)"), {});
    EXPECT_TRUE(info.isOSVersionAtLeast(QStringLiteral("10.8")));
    EXPECT_FALSE(info.isOSVersionAtLeast(QStringLiteral("10.9")));
}

TEST(UiLanguageChoice, FirstSupportedPreferredLanguageElseFallback)
{
    EXPECT_EQ(FixedSystemInformation({}, {QStringLiteral("fr-CA"), QStringLiteral("de")})
                  .getUiLanguage(kSupported, QStringLiteral("en")),
              QStringLiteral("fr"));
    EXPECT_EQ(FixedSystemInformation({}, {QStringLiteral("ko")}).getUiLanguage(kSupported, QStringLiteral("en")),
              QStringLiteral("en"));
    EXPECT_EQ(FixedSystemInformation({}, {}).getUiLanguage(kSupported, QStringLiteral("en")), QStringLiteral("en"));
    EXPECT_EQ(FixedSystemInformation({}, {QStringLiteral("de")}).getUiLanguage({}, QStringLiteral("en")),
              QStringLiteral("en"));
    // Compared case-sensitively.
    EXPECT_EQ(FixedSystemInformation({}, {QStringLiteral("DE")}).getUiLanguage(kSupported, QStringLiteral("en")),
              QStringLiteral("en"));
}

TEST(UiLanguageChoice, LanguagesAreCutToTheirLanguagePartWithoutDuplicates)
{
    FixedSystemInformation info({}, {QStringLiteral("en-US"), QStringLiteral("en-GB"), QStringLiteral("de"),
                                     QStringLiteral("zh-Hans"), QStringLiteral("pt_BR")});
    EXPECT_EQ(info.getUiLanguages(),
              (QStringList{QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("zh"), QStringLiteral("pt")}));
    EXPECT_EQ(info.getFirstOSLanguage(), QStringLiteral("en-US"));
    EXPECT_EQ(FixedSystemInformation({}, {}).getFirstOSLanguage(), QString());
}

TEST(MacSystemInformation, ReadsNameAndVersionFromSwVersAndCachesThem)
{
    QTemporaryDir dir;
    const QString counter = dir.filePath(QStringLiteral("calls"));
    const QString swVers = writeStandInProgram(
        dir.path(), QStringLiteral("sw_vers"),
        QStringLiteral("echo x >> '%1'\n"
                       "case \"$1\" in\n"
                       "  -productName) echo '  Mac OS X  ';;\n"
                       "  -productVersion) echo '10.9.5';;\n"
                       "  -buildVersion) echo '13F34';;\n"
                       "esac")
            .arg(counter));
    SystemInformation_OSX info(swVers);
    EXPECT_EQ(info.getPlatform(), 0);
    EXPECT_EQ(info.getClientBits(), QStringLiteral("64"));
    EXPECT_EQ(info.getOSName(true), QStringLiteral("Mac OS X"));
    EXPECT_EQ(info.getOSVersion(true), QStringLiteral("10.9.5 (13F34)"));
    EXPECT_EQ(info.getOSVersion(true), QStringLiteral("10.9.5 (13F34)"));
    EXPECT_TRUE(info.isOSVersionAtLeast(QStringLiteral("10.8")));
    QFile calls(counter);
    ASSERT_TRUE(calls.open(QIODevice::ReadOnly));
    EXPECT_EQ(calls.readAll().count('\n'), 3);
    calls.close();
    info.getOSVersion(false);
    ASSERT_TRUE(calls.open(QIODevice::ReadOnly));
    EXPECT_EQ(calls.readAll().count('\n'), 5);
}

TEST(MacSystemInformation, MissingOrHangingProgramGivesEmptyTexts)
{
    SystemInformation_OSX missing(QStringLiteral("/nonexistent/sw_vers"));
    EXPECT_EQ(missing.getOSName(true), QString());
    EXPECT_EQ(missing.getOSVersion(true), QStringLiteral(" ()"));
    EXPECT_FALSE(missing.isOSVersionAtLeast(QStringLiteral("10.8")));

    QTemporaryDir dir;
    // exec: killing the hanging program must end the sleep too, not leave it behind.
    const QString slow = writeStandInProgram(dir.path(), QStringLiteral("slow"), QStringLiteral("exec sleep 30"));
    EXPECT_EQ(missing.runCommand(slow, {}), QString());
}

TEST(MacSystemInformation, OutputEndsAtTheFirstNulByte)
{
    QTemporaryDir dir;
    const QString program =
        writeStandInProgram(dir.path(), QStringLiteral("nul"), QStringLiteral("printf 'abc\\000def'"));
    SystemInformation_OSX info;
    EXPECT_EQ(info.runCommand(program, {}), QStringLiteral("abc"));
}

TEST(OsReleaseParsing, QuotedUnquotedCommentsAndJunk)
{
    const auto fields = parseOsRelease("# comment\n"
                                       "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                                       "NAME='Debian GNU/Linux'\n"
                                       "VERSION_ID=12\n"
                                       "ESCAPED=\"a \\\"b\\\" \\\\c\"\n"
                                       "not an assignment\n"
                                       "=novalue\n"
                                       "1BAD=x\n"
                                       "EMPTY=\n"
                                       "UNTERMINATED=\"abc\n");
    EXPECT_EQ(fields.value(QStringLiteral("PRETTY_NAME")), QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    EXPECT_EQ(fields.value(QStringLiteral("NAME")), QStringLiteral("Debian GNU/Linux"));
    EXPECT_EQ(fields.value(QStringLiteral("VERSION_ID")), QStringLiteral("12"));
    EXPECT_EQ(fields.value(QStringLiteral("ESCAPED")), QStringLiteral("a \"b\" \\c"));
    EXPECT_TRUE(fields.contains(QStringLiteral("EMPTY")));
    EXPECT_FALSE(fields.contains(QStringLiteral("1BAD")));
    EXPECT_EQ(fields.value(QStringLiteral("UNTERMINATED")), QStringLiteral("\"abc"));
    EXPECT_EQ(fields.size(), 6);
}

TEST(LinuxSystemInformation, NameAndPaddedVersionFromOsRelease)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("os-release")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\nVERSION_CODENAME=bookworm\n");
    file.close();
    SystemInformation_Linux info({dir.filePath(QStringLiteral("missing")), file.fileName()});
    EXPECT_EQ(info.getPlatform(), 0);
    EXPECT_EQ(info.getOSName(true), QStringLiteral("Debian GNU/Linux"));
    EXPECT_EQ(info.getOSVersion(true), QStringLiteral("12.0 (bookworm)"));
    EXPECT_TRUE(info.isOSVersionAtLeast(SystemInformation::minimumOSVersion()));
    EXPECT_TRUE(info.getOSBits() == QStringLiteral("64") || info.getOSBits() == QStringLiteral("32"));
}

TEST(LinuxSystemInformation, NoOsReleaseIsNeverTooOld)
{
    SystemInformation_Linux info({QStringLiteral("/nonexistent/os-release")});
    EXPECT_EQ(info.getOSName(true), QString());
    EXPECT_EQ(info.getOSVersion(true), QStringLiteral(" ()"));
    EXPECT_TRUE(info.isOSVersionAtLeast(SystemInformation::minimumOSVersion()));
}

TEST(LinuxSystemInformation, TheMinimumAppliesToDebianAndToDerivativesOfAKnownRelease)
{
    const struct {
        const char* name;
        const char* osRelease;
        const char* release; // empty: nothing to compare, the system passes
        bool passes;
    } table[] = {
        {"Debian 12", "ID=debian\nVERSION_ID=\"12\"\nVERSION_CODENAME=bookworm", "12.0", true},
        {"Debian 11", "ID=debian\nVERSION_ID=\"11\"\nVERSION_CODENAME=bullseye", "11.0", false},
        {"Debian testing", "ID=debian\nVERSION_CODENAME=trixie", "", true},
        {"Raspbian 12", "ID=raspbian\nID_LIKE=debian\nVERSION_ID=\"12\"\nVERSION_CODENAME=bookworm", "12.0", true},
        {"Raspbian 10", "ID=raspbian\nID_LIKE=debian\nVERSION_ID=\"10\"\nVERSION_CODENAME=buster", "10.0", false},
        {"LMDE 6", "ID=linuxmint\nID_LIKE=debian\nVERSION_ID=\"6\"\nVERSION_CODENAME=faye\nDEBIAN_CODENAME=bookworm",
         "12.0", true},
        {"Devuan 5", "ID=devuan\nID_LIKE=debian\nVERSION_ID=\"5\"\nVERSION_CODENAME=daedalus", "", true},
        {"Ubuntu 22.04", "ID=ubuntu\nID_LIKE=debian\nVERSION_ID=\"22.04\"\nVERSION_CODENAME=jammy", "", true},
        {"RHEL 9.3", "ID=\"rhel\"\nID_LIKE=\"fedora\"\nVERSION_ID=\"9.3\"", "", true},
        {"Alpine", "ID=alpine\nVERSION_ID=3.19.1", "", true},
        {"Arch", "ID=arch\nBUILD_ID=rolling", "", true},
        {"nothing", "", "", true},
    };
    for (const auto& row : table) {
        QString whyNot;
        const QString release = comparableDebianRelease(parseOsRelease(row.osRelease), &whyNot);
        EXPECT_EQ(release, QString::fromLatin1(row.release)) << row.name;
        EXPECT_EQ(whyNot.isEmpty(), !release.isEmpty()) << row.name;

        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("os-release")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(row.osRelease);
        file.close();
        SystemInformation_Linux info({file.fileName()});
        EXPECT_EQ(info.isOSVersionAtLeast(SystemInformation::minimumOSVersion()), row.passes) << row.name;
    }
}

TEST(LinuxSystemInformation, ThisMachinePassesTheMinimum)
{
    // The build and test machines run Debian 12 or newer.
    EXPECT_TRUE(SystemInformation::getInstance()->isOSVersionAtLeast(SystemInformation::minimumOSVersion()))
        << SystemInformation::getInstance()->getOSVersion(true).toStdString();
    EXPECT_FALSE(SystemInformation::getInstance()->getOSLanguage().isEmpty());
}
