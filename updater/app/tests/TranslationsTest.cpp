// Every user-visible text of the updater's sources must be translated in
// every supported language. The texts are extracted from the sources with
// lupdate, as the build target pathwarden_update_translations does, so a text
// added anywhere in the updater is checked without touching this test.

#include "testsupport/TestTree.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

static void initTranslations()
{
    Q_INIT_RESOURCE(pathwarden_translations);
}

namespace {

struct SourceText {
    QString context;
    QString source;
    QString disambiguation;
    bool numerus = false;
};

QStringList languages()
{
    return QStringLiteral(PATHWARDEN_LANGUAGES).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The texts of the sources, read from the .ts file that lupdate writes.
QList<SourceText> extractSourceTexts(QString* failure)
{
    QTemporaryDir scratch;
    const QString ts = scratch.filePath(QStringLiteral("sources.ts"));
    QProcess extract;
    extract.start(QStringLiteral(PATHWARDEN_CMAKE_COMMAND),
                  {QStringLiteral("-DLUPDATE=" PATHWARDEN_LUPDATE),
                   QStringLiteral("-DSOURCE_DIR=") + testtree::inSourceTree(QStringLiteral(PATHWARDEN_UPDATER_SOURCES)), QStringLiteral("-DTS_FILES=") + ts,
                   QStringLiteral("-DLIST_FILE=") + scratch.filePath(QStringLiteral("sources.lst")),
                   QStringLiteral("-P"), testtree::inSourceTree(QStringLiteral(PATHWARDEN_EXTRACT_SCRIPT))});
    if (!extract.waitForFinished(120000) || extract.exitCode() != 0) {
        *failure = QStringLiteral("extracting the texts failed: ") + QString::fromUtf8(extract.readAllStandardError());
        return {};
    }
    QFile file(ts);
    if (!file.open(QIODevice::ReadOnly)) {
        *failure = QStringLiteral("lupdate wrote no file");
        return {};
    }
    QList<SourceText> texts;
    QXmlStreamReader xml(&file);
    QString context;
    SourceText current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            current = SourceText{context, QString(), QString(),
                                 xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes")};
        } else if (xml.name() == QLatin1String("source")) {
            current.source = xml.readElementText();
            texts.append(current);
        } else if (xml.name() == QLatin1String("comment")) {
            texts.last().disambiguation = xml.readElementText();
        }
    }
    if (xml.hasError())
        *failure = QStringLiteral("unreadable lupdate output: ") + xml.errorString();
    return texts;
}

QSet<QString> placeholders(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("%(\\d+|n)"));
    QSet<QString> found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.insert(it.next().captured());
    return found;
}

QString quoted(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    if (shown.size() > 90)
        shown = shown.left(87) + QStringLiteral("...");
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

} // namespace

TEST(Translations, EveryTextOfTheSourcesIsTranslatedInEverySupportedLanguage)
{
    initTranslations();
    QString failure;
    const QList<SourceText> texts = extractSourceTexts(&failure);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    // The preparation page, the dialogs and the application name at least.
    ASSERT_GE(texts.size(), 15);

    QStringList missing;
    QStringList brokenPlaceholders;
    for (const QString& language : languages()) {
        QTranslator translator;
        ASSERT_TRUE(translator.load(QStringLiteral(":pathwarden_") + language)) << language.toStdString();
        for (const SourceText& text : texts) {
            const QByteArray context = text.context.toUtf8();
            const QByteArray source = text.source.toUtf8();
            const QByteArray disambiguation = text.disambiguation.toUtf8();
            const QString translated =
                translator.translate(context.constData(), source.constData(),
                                     disambiguation.isEmpty() ? nullptr : disambiguation.constData(),
                                     text.numerus ? 1 : -1);
            const QString where = QStringLiteral("  pathwarden_%1.ts  %2  %3").arg(language, text.context,
                                                                                   quoted(text.source));
            if (translated.isEmpty())
                missing << where;
            else if (placeholders(translated) != placeholders(text.source))
                brokenPlaceholders << where + QStringLiteral("  ->  ") + quoted(translated);
        }
    }
    EXPECT_TRUE(missing.isEmpty())
        << "Texts without a translation (file, context, source text):\n"
        << missing.join(QLatin1Char('\n')).toStdString()
        << "\n\nIn resources/pathwarden/translations/, add to each file named, inside the <context> of that name:\n"
           "    <message>\n      <source>the source text, XML-escaped</source>\n"
           "      <translation>its translation</translation>\n    </message>\n"
           "or let `cmake --build <build folder> --target pathwarden_update_translations` add every missing text "
           "with an empty <translation> to fill in.\n";
    EXPECT_TRUE(brokenPlaceholders.isEmpty())
        << "Translations whose %1, %2 ... placeholders differ from their source text:\n"
        << brokenPlaceholders.join(QLatin1Char('\n')).toStdString() << "\n";
}
