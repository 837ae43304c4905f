#include "player/engine/ddp/CdInfo.h"
#include "player/engine/ddp/DDPModel.h"
#include "player/testsupport/DdpFixture.h"
#include "player/ui/DDPModelAdapter.h"

#include <QSortFilterProxyModel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// One descriptor from its field texts; the other fields hold what a master
// usually has (blank user text, zero ISRC).
DDP::PQDESCR entry(const char* track, const char* index, const char* minutes, const char* seconds,
                   const char* isrc = nullptr)
{
    DDP::PQDESCR e;
    std::memset(&e, 0, sizeof e);
    std::memcpy(e.signature, "VVVS", 4);
    std::memcpy(e.trackNumber, track, 2);
    std::memcpy(e.indexNumber, index, 2);
    std::memcpy(e.hours, "00", 2);
    std::memcpy(e.minutes, minutes, 2);
    std::memcpy(e.seconds, seconds, 2);
    std::memcpy(e.frames, "00", 2);
    if (isrc)
        std::memcpy(e.isrc, isrc, 12);
    std::memset(e.userText, ' ', sizeof e.userText);
    return e;
}

std::vector<DDP::PQDESCR> shortLeadInList(const char* leadInEnd)
{
    return {entry("01", "00", "00", "00"), entry("01", "00", "00", "00"), entry("01", "01", "00", leadInEnd),
            entry("02", "01", "03", "00"), entry("AA", "01", "04", "00"), entry("AA", "01", "05", "00")};
}

QString cell(const QStandardItemModel& model, int row, int column)
{
    const QStandardItem* item = model.item(row, column);
    return item ? item->text() : QString();
}

struct LoadedImage
{
    QTemporaryDir dir;
    DdpFixture::Image image;
    std::shared_ptr<DDPModel> model = std::make_shared<DDPModel>();
    DDPModelAdapter adapter;
    QSortFilterProxyModel proxy;

    explicit LoadedImage(const DdpFixture::Options& options)
    {
        image = DdpFixture::write(dir.path().toStdString(), options);
        adapter.setupModel(dir.path(), model, proxy);
    }
};

} // namespace

TEST(TimeText, MinutesRunPastTheHourAndWrapAtADay)
{
    EXPECT_EQ(secondsToTimeString(0), "00:00");
    EXPECT_EQ(secondsToTimeString(75), "01:15");
    EXPECT_EQ(secondsToTimeString(4000), "66:40");
    EXPECT_EQ(secondsToTimeString(86400 + 5), "00:05");
    EXPECT_EQ(secondsToTimeString(-1), "1439:59");
    EXPECT_EQ(twoDigitNumber(9), "09");
    EXPECT_EQ(twoDigitNumber(10), "10");
    EXPECT_EQ(twoDigitNumber(123), "123");
}

TEST(PqTimes, GarbageFieldsReadAsZeroInsteadOfThrowing)
{
    const DDP::PQDESCR good = entry("03", "01", "04", "05");
    EXPECT_EQ(pqTimeInSeconds(good), 245);
    const DDP::PQDESCR letters = entry("03", "01", "xx", "  ");
    EXPECT_EQ(pqTimeInSeconds(letters), 0);
    DDP::PQDESCR zeros = entry("03", "01", "00", "00");
    std::memset(zeros.minutes, 0, 4);
    EXPECT_EQ(pqTimeInSeconds(zeros), 0);

    const std::vector<DDP::PQDESCR> list{entry("01", "01", "01", "50"), entry("02", "01", "03", "10"),
                                         entry("03", "01", "69", "50")};
    EXPECT_EQ(pqDurationInSeconds(list, 0), 80);
    EXPECT_EQ(secondsToTimeString(pqDurationInSeconds(list, 1)), "66:40");
}

TEST(TrackTableModel, ShortLeadInPauseIsDroppedAndTotalLosesTwoSeconds)
{
    auto model = std::make_shared<DDPModel>();
    model->getDescList() = shortLeadInList("02");
    DDPModelAdapter adapter;
    adapter.setupHeaderItems();
    adapter.initStandardItemModel(model);

    ASSERT_EQ(adapter.rowCount(), 3);
    EXPECT_EQ(cell(adapter, 0, 1), "01");
    EXPECT_EQ(cell(adapter, 0, 2), "Start 1");
    EXPECT_EQ(cell(adapter, 0, 3), "00:00");
    EXPECT_EQ(cell(adapter, 0, 4), "02:58");
    EXPECT_EQ(cell(adapter, 1, 1), "02");
    EXPECT_EQ(cell(adapter, 1, 3), "02:58");
    EXPECT_EQ(cell(adapter, 1, 4), "01:00");
    EXPECT_EQ(cell(adapter, 2, 3), "Total: 03:58");
    EXPECT_EQ(adapter.item(2, 0), nullptr);
    EXPECT_EQ(model->getIndexList(), (std::vector<int>{1, 1}));
    EXPECT_EQ(adapter.horizontalHeaderItem(0)->text(), "Type");
    EXPECT_EQ(adapter.horizontalHeaderItem(12)->text(), "Usertext");
}

TEST(TrackTableModel, LongLeadInPauseGetsANegativeRowAndTheTotalOfTheLeadOutOnTheSameClock)
{
    auto model = std::make_shared<DDPModel>();
    model->getDescList() = shortLeadInList("05");
    DDPModelAdapter adapter;
    adapter.initStandardItemModel(model);

    ASSERT_EQ(adapter.rowCount(), 4);
    EXPECT_EQ(cell(adapter, 0, 2), "Pause");
    EXPECT_EQ(cell(adapter, 0, 3), "-00:05");
    EXPECT_EQ(cell(adapter, 0, 4), "00:05");
    EXPECT_EQ(cell(adapter, 1, 3), "00:00");
    // The audio ends at the lead-out (04:00 from byte 0, 03:55 from the end
    // of the pause, as every other time here); the final marker at 05:00
    // marks none.
    EXPECT_EQ(cell(adapter, 3, 3), "Total: 03:55");
    EXPECT_EQ(model->getIndexList(), (std::vector<int>{0, 1, 1}));
}

TEST(TrackTableModel, FewerThanFourDescriptorsGiveNoRows)
{
    for (std::size_t n = 0; n < 4; ++n) {
        auto model = std::make_shared<DDPModel>();
        std::vector<DDP::PQDESCR> list = shortLeadInList("05");
        list.resize(n);
        model->getDescList() = list;
        DDPModelAdapter adapter;
        adapter.initStandardItemModel(model);
        EXPECT_EQ(adapter.rowCount(), 0) << n;
        EXPECT_TRUE(model->getIndexList().empty()) << n;
    }
}

TEST(TrackTableModel, IsrcMovesFromPauseToTrackStartButABlankOneNeverReplacesATrackIsrc)
{
    auto model = std::make_shared<DDPModel>();
    model->getDescList() = {entry("01", "00", "00", "00"),
                            entry("01", "00", "00", "00"),
                            entry("01", "01", "00", "02", "DEAAA2600001"),
                            entry("02", "00", "03", "00", "DEAAA2600002"),
                            entry("02", "01", "03", "02"),
                            entry("03", "00", "04", "00"),
                            entry("03", "01", "04", "02", "DEAAA2600003"),
                            entry("AA", "01", "05", "00"),
                            entry("AA", "01", "06", "00")};
    DDPModelAdapter adapter;
    adapter.initStandardItemModel(model);

    ASSERT_EQ(adapter.rowCount(), 6);
    // Track 2: its ISRC sat on its pause entry and now shows on its start.
    EXPECT_EQ(cell(adapter, 2, 11), "DEAAA2600002");
    EXPECT_TRUE(cell(adapter, 1, 11).isEmpty()); // the moved-away ISRC leaves no text
    // Track 3: the blank pause ISRC before it does not wipe its own.
    EXPECT_EQ(cell(adapter, 4, 11), "DEAAA2600003");
    const auto& list = model->getDescList();
    EXPECT_EQ(std::string(list[6].isrc, 12), "DEAAA2600003");
    EXPECT_EQ(std::string(list[4].isrc, 12), "DEAAA2600002");
}

TEST(TrackTableModel, GarbageFieldsListWithoutThrowing)
{
    auto model = std::make_shared<DDPModel>();
    std::vector<DDP::PQDESCR> list = shortLeadInList("05");
    std::memset(list[3].minutes, 0, 6);       // zero bytes instead of digits
    std::memcpy(list[4].minutes, "?x", 2);    // the total row reads this one
    std::memcpy(list[5].trackNumber, "\0\0", 2);
    std::memcpy(list[2].indexNumber, "zz", 2);
    model->getDescList() = list;
    DDPModelAdapter adapter;
    ASSERT_NO_THROW(adapter.initStandardItemModel(model));
    ASSERT_EQ(adapter.rowCount(), 4);
    EXPECT_EQ(cell(adapter, 1, 2), "Pause");       // "zz" reads as index 0
    EXPECT_EQ(cell(adapter, 3, 3), "Total: 00:00");  // "?x" minutes read as 0
}

TEST(TrackTableModel, GeneratedImageWithLatinTextPausesAndIndex2)
{
    DdpFixture::Options o;
    o.trackCount = 4;
    o.tracksWithPause = 2;
    o.tracksWithIndex2 = 1;
    o.trackFramesList = {20 * 75, 10 * 75, 75 * 75, 12 * 75};
    o.cdText = DdpFixture::CdTextKind::Latin1;
    LoadedImage loaded(o);
    const auto& entries = loaded.image.entries;
    const DDPModelAdapter& adapter = loaded.adapter;

    EXPECT_EQ(loaded.proxy.sourceModel(), &loaded.adapter);
    EXPECT_EQ(adapter.columnCount(), 13);
    // Every entry but the two leading ones and the two closing ones, plus the total.
    const int rows = static_cast<int>(entries.size()) - 4;
    ASSERT_EQ(adapter.rowCount(), rows + 1);
    EXPECT_EQ(static_cast<int>(loaded.model->getIndexList().size()), rows);

    for (int r = 0; r < rows; ++r) {
        const DdpFixture::Entry& e = entries[static_cast<std::size_t>(r) + 2];
        SCOPED_TRACE(r);
        EXPECT_EQ(cell(adapter, r, 1).toStdString(), e.track);
        const int index = std::stoi(e.index);
        EXPECT_EQ(loaded.model->getIndexList()[static_cast<std::size_t>(r)], index);
        EXPECT_EQ(cell(adapter, r, 2), index == 0 ? QString("Pause") : QString("Start %1").arg(index));
        const int track = std::stoi(e.track);
        const auto& texts = loaded.image.tracks[static_cast<std::size_t>(track) - 1].texts;
        if (index == 1) {
            EXPECT_EQ(cell(adapter, r, 5).toStdString(), texts.at(DdpFixture::Title));
            EXPECT_EQ(cell(adapter, r, 10).toStdString(), texts.at(DdpFixture::Message));
            EXPECT_EQ(cell(adapter, r, 11).toStdString(), e.isrc);
            EXPECT_EQ(cell(adapter, r, 12).toStdString(), e.userText);
            EXPECT_EQ(adapter.columnCount(), 13);
        } else {
            EXPECT_TRUE(cell(adapter, r, 5).isEmpty());
            EXPECT_EQ(adapter.item(r, 12), nullptr);   // 19 blanks: no user-text item
        }
    }
    // Track 3 lasts 75 s up to track 4's pause.
    for (int r = 0; r < rows; ++r) {
        if (cell(adapter, r, 1) == "03" && cell(adapter, r, 2) == "Start 1") {
            EXPECT_EQ(cell(adapter, r, 4), "01:15");
        }
    }
    const int total = entries[entries.size() - 2].frame / 75 - 2;
    EXPECT_EQ(cell(adapter, rows, 3), "Total: " + secondsToTimeString(total));
}

TEST(TrackTableModel, JapaneseTextShowsAsUtf8AndAReloadReplacesTheRows)
{
    DdpFixture::Options o;
    o.trackCount = 12;
    o.cdText = DdpFixture::CdTextKind::Japanese;
    LoadedImage loaded(o);
    ASSERT_EQ(loaded.adapter.rowCount(), 13);
    // Every text column, with the fixture's empty texts and extension kanji.
    for (int r = 0; r < 12; ++r) {
        SCOPED_TRACE(r);
        const auto& texts = loaded.image.tracks[static_cast<std::size_t>(r)].texts;
        int column = 5;
        for (int type : {DdpFixture::Title, DdpFixture::Performer, DdpFixture::Songwriter, DdpFixture::Composer,
                         DdpFixture::Arranger, DdpFixture::Message})
            EXPECT_EQ(cell(loaded.adapter, r, column++).toStdString(), texts.at(type));
    }

    QTemporaryDir other;
    DdpFixture::Options plain;
    plain.trackCount = 2;
    DdpFixture::write(other.path().toStdString(), plain);
    auto fresh = std::make_shared<DDPModel>();
    loaded.adapter.setupModel(other.path(), fresh, loaded.proxy);
    EXPECT_EQ(loaded.adapter.rowCount(), 3);
    EXPECT_TRUE(cell(loaded.adapter, 0, 5).isEmpty());
    EXPECT_EQ(loaded.proxy.rowCount(), 3);
}

TEST(TrackTableModel, MalformedOrMissingDescriptorFileGivesAnEmptyTable)
{
    QTemporaryDir dir;
    DdpFixture::Options o;
    o.trackCount = 3;
    DdpFixture::write(dir.path().toStdString(), o);
    // Garbage in every field, and a file that ends mid-entry.
    std::string bytes;
    for (int i = 0; i < 6; ++i)
        bytes += DdpFixture::pqEntryRaw("\x01?", "--", "hh", "\xff\xfe", "  ", "zz");
    bytes += "VVVS01";
    DdpFixture::writeFile(dir.filePath("PQDESCR").toStdString(), bytes);

    auto model = std::make_shared<DDPModel>();
    DDPModelAdapter adapter;
    QSortFilterProxyModel proxy;
    ASSERT_NO_THROW(adapter.setupModel(dir.path(), model, proxy));
    EXPECT_EQ(adapter.columnCount(), 13);

    QTemporaryDir empty;
    auto none = std::make_shared<DDPModel>();
    ASSERT_NO_THROW(adapter.setupModel(empty.path(), none, proxy));
    EXPECT_EQ(adapter.rowCount(), 0);
}

TEST(TrackTableModel, CdTextIsLatin1ForSingleByteBlocksAndUtf8ForDoubleByteOnes)
{
    for (const bool doubleByte : {false, true}) {
        SCOPED_TRACE(doubleByte);
        auto model = std::make_shared<DDPModel>();
        model->getDescList() = shortLeadInList("02");
        CdText::CdInfo& info = model->getCdInfo();
        info.doubleByte = doubleByte;
        info.tracks.resize(3);
        for (CdText::TrackInfo& t : info.tracks)
            std::memset(&t, 0, sizeof t);
        std::strcpy(info.tracks[1].title, "Caf\xC3\xA9");
        std::strcpy(info.tracks[1].message, "M1");
        std::strcpy(info.tracks[2].performer, "P2");
        DDPModelAdapter adapter;
        adapter.initStandardItemModel(model);
        ASSERT_EQ(adapter.rowCount(), 3);
        // Latin-1 reads the two UTF-8 bytes as two characters.
        EXPECT_EQ(cell(adapter, 0, 5), doubleByte ? QString::fromUtf8("Caf\xC3\xA9") : QString::fromLatin1("Caf\xC3\xA9"));
        EXPECT_EQ(cell(adapter, 0, 10), "M1");
        EXPECT_EQ(cell(adapter, 1, 6), "P2");
    }
}

TEST(TrackTableModel, TrackWithoutCdTextEntryShowsEmptyTextColumns)
{
    auto model = std::make_shared<DDPModel>();
    model->getDescList() = shortLeadInList("02");
    model->getCdInfo().tracks.resize(2);   // album and track 1 only
    std::memset(model->getCdInfo().tracks.data(), 'x', 2 * sizeof(CdText::TrackInfo));
    model->getCdInfo().tracks[1].title[5] = '\0';
    DDPModelAdapter adapter;
    adapter.initStandardItemModel(model);
    ASSERT_EQ(adapter.rowCount(), 3);
    EXPECT_EQ(cell(adapter, 0, 5), "xxxxx");
    for (int c = 5; c <= 10; ++c)
        EXPECT_TRUE(cell(adapter, 1, c).isEmpty()) << c;
}
