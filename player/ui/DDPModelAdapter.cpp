#include "player/ui/DDPModelAdapter.h"

#include "player/engine/ddp/CdInfo.h"
#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/Parser.h"
#include "player/ui/Constants.h"

#include <QList>
#include <QSortFilterProxyModel>
#include <QStandardItem>
#include <QTime>

#include <algorithm>

namespace {

constexpr int timeColumn = 3;

bool isBlankIsrc(const DDP::PQDESCR& entry)
{
    return std::all_of(std::begin(entry.isrc), std::end(entry.isrc),
                       [](char c) { return c == '\0' || c == ' '; });
}

int indexNumberOf(const DDP::PQDESCR& entry)
{
    return asciiToInt(entry.indexNumber, 2);
}

// A fixed-width descriptor field up to its first NUL: a moved-away ISRC
// leaves NULs, which are no text to show.
QString fieldText(const char* field, std::size_t width)
{
    return QString::fromUtf8(field, static_cast<int>(std::find(field, field + width, '\0') - field));
}

QStandardItem* textItem(const QString& text)
{
    return new QStandardItem(text);
}

QString cdText(const char (&field)[CdText::fieldSize], bool doubleByte)
{
    const std::string bytes = CdText::fieldText(field);
    return doubleByte ? QString::fromStdString(bytes)
                      : QString::fromLatin1(bytes.data(), static_cast<int>(bytes.size()));
}

// A track's ISRC sits on its pause entry in many masters; move it onto the
// index-01 entry so it shows on the track's row. A blank ISRC on the entry
// before never replaces the track's own one.
void moveIsrcs(std::vector<DDP::PQDESCR>& list)
{
    const int n = static_cast<int>(list.size());
    for (int i = 1; i <= n - 3; ++i) {
        DDP::PQDESCR& previous = list[static_cast<std::size_t>(i - 1)];
        DDP::PQDESCR& current = list[static_cast<std::size_t>(i)];
        if (indexNumberOf(current) != 1 || indexNumberOf(previous) == 1 || isBlankIsrc(previous))
            continue;
        std::copy(std::begin(previous.isrc), std::end(previous.isrc), std::begin(current.isrc));
        std::fill(std::begin(previous.isrc), std::end(previous.isrc), '\0');
    }
}

} // namespace

int pqTimeInSeconds(const DDP::PQDESCR& entry)
{
    return asciiToInt(entry.minutes, 2) * 60 + asciiToInt(entry.seconds, 2);
}

int pqDurationInSeconds(const std::vector<DDP::PQDESCR>& list, int i)
{
    const DDP::PQDESCR& current = list.at(static_cast<std::size_t>(i));
    const DDP::PQDESCR& next = list.at(static_cast<std::size_t>(i) + 1);
    return (asciiToInt(next.minutes, 2) - asciiToInt(current.minutes, 2)) * 60 - asciiToInt(current.seconds, 2)
           + asciiToInt(next.seconds, 2);
}

QString twoDigitNumber(int n)
{
    const QString digits = QString::number(n);
    return n <= 9 ? QStringLiteral("0") + digits : digits;
}

QString secondsToTimeString(int seconds)
{
    const QTime time = QTime(0, 0, 0).addSecs(seconds);
    return twoDigitNumber(time.hour() * 60 + time.minute()) + QStringLiteral(":") + twoDigitNumber(time.second());
}

DDPModelAdapter::DDPModelAdapter(QObject* parent)
    : QStandardItemModel(parent)
{
}

std::vector<DDP::Damage> DDPModelAdapter::setupModel(const QString& folder, std::shared_ptr<DDPModel> model,
                                                     QSortFilterProxyModel& proxy)
{
    clear();
    std::vector<DDP::Damage> damage = Parser::parseData(folder, model);
    setupHeaderItems();
    initStandardItemModel(model);
    proxy.setSourceModel(this);
    return damage;
}

void DDPModelAdapter::setupHeaderItems()
{
    setColumnCount(static_cast<int>(columnNames.size()));
    for (std::size_t i = 0; i < columnNames.size(); ++i)
        setHorizontalHeaderItem(static_cast<int>(i), new QStandardItem(QString::fromStdString(columnNames[i])));
}

void DDPModelAdapter::initStandardItemModel(std::shared_ptr<DDPModel> model)
{
    if (!model)
        return;
    std::vector<DDP::PQDESCR>& list = model->getDescList();
    const CdText::CdInfo& info = model->getCdInfo();
    std::vector<int>& indexList = model->getIndexList();
    const int n = static_cast<int>(list.size());
    if (n < 4)
        return;

    moveIsrcs(list);

    int pause = 0;
    int lastRow = -1;
    for (int i = 1; i <= n - 3; ++i) {
        const DDP::PQDESCR& entry = list[static_cast<std::size_t>(i)];
        const int index = indexNumberOf(entry);
        const int t = pqTimeInSeconds(entry);
        const int d = pqDurationInSeconds(list, i);

        QString cdTime;
        if (i > 1) {
            cdTime = secondsToTimeString(t - pause);
        } else {
            // A lead-in pause under 3 s is the usual 2 s before track 1 and
            // gets no row; a longer one is listed with a negative time.
            pause = d;
            if (d < 3)
                continue;
            cdTime = QStringLiteral("-") + secondsToTimeString(d);
        }
        indexList.push_back(index);

        QList<QStandardItem*> row;
        row << textItem(QString());
        row << textItem(QString::fromLatin1(entry.trackNumber, 2));
        row << textItem(index < 1 ? QStringLiteral("Pause") : QStringLiteral("Start ") + QString::number(index));
        row << textItem(cdTime);
        row << textItem(secondsToTimeString(d));

        const int track = asciiToInt(entry.trackNumber, 2);
        const bool hasText = index == 1 && track >= 0 && static_cast<std::size_t>(track) < info.tracks.size();
        if (hasText) {
            const CdText::TrackInfo& texts = info.tracks[static_cast<std::size_t>(track)];
            for (const auto* field : {&texts.title, &texts.performer, &texts.songwriter, &texts.composer,
                                      &texts.arranger, &texts.message})
                row << textItem(cdText(*field, info.doubleByte));
        } else {
            for (int k = 0; k < 6; ++k)
                row << textItem(QString());
        }

        row << textItem(fieldText(entry.isrc, sizeof(entry.isrc)));
        const bool blankUserText = std::all_of(std::begin(entry.userText), std::end(entry.userText),
                                               [](char c) { return c == ' '; });
        if (!blankUserText)
            row << textItem(fieldText(entry.userText, sizeof(entry.userText)));
        appendRow(row);
        lastRow = rowCount() - 1;
    }

    // The disc ends at the lead-out, where the player's last range ends; the
    // final marker after it may lie later and marks no audio.
    const int total = DDP::discSeconds(DDP::discEnd(list), DDP::pauseSeconds(list));
    setItem(lastRow + 1, timeColumn, textItem(QStringLiteral("Total: ") + secondsToTimeString(total)));
}
