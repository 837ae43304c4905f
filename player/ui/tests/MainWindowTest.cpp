// The main window without listening to it: construction, opening images by
// dialog and drop (damaged ones included), the display arithmetic, the
// commands, and the state it keeps between runs.

#include "player/ui/tests/MainWindowTestSupport.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/ui/AttributesMenu.h"
#include "player/ui/ClickableLabel.h"
#include "player/ui/Constants.h"
#include "player/ui/ErrorDialog.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/MenuBar.h"
#include "player/ui/SeekSlider.h"
#include "player/ui/ToolTipWidget.h"
#include "player/ui/TransportButton.h"
#include "player/ui/TransportController.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QTableView>
#include <QToolButton>
#include <QWidgetAction>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>

using namespace MainWindowTest;
using namespace MainWindowWidgets;

namespace {

class MainWindowTests : public ::testing::Test
{
protected:
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;

    QString folder(const QString& name)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(path);
        return path;
    }

    std::unique_ptr<QSettings> store() { return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Holmgrave"), QStringLiteral("Glasswell")); }

    static void invoke(QObject* window, const char* slot) { QMetaObject::invokeMethod(window, slot, Qt::DirectConnection); }

    static QCheckBox* columnBox(TestWindow& window, int column)
    {
        const QList<QAction*> actions = window.columnMenu()->actions();
        auto* action = qobject_cast<QWidgetAction*>(actions.value(column - 2));
        return action ? qobject_cast<QCheckBox*>(action->defaultWidget()) : nullptr;
    }
};

} // namespace

TEST_F(MainWindowTests, FirstStartHasTheFormSizeDisabledSlidersAndNoTimer)
{
    TestWindow window;
    // The form's size as far as the screen has room (offscreen: 800 x 600).
    const QMargins frame = window.windowHandle()->frameMargins();
    const int room = window.screen()->availableGeometry().height() - frame.top() - frame.bottom();
    EXPECT_EQ(window.size(), QSize(466, std::min(702, room)));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Glasswell"));
    EXPECT_EQ(window.objectName(), QStringLiteral("MainWindow"));
    EXPECT_FALSE(time(window.form())->seekslider->isEnabled());
    EXPECT_FALSE(volume(window.form())->volumeSlider->isEnabled());
    EXPECT_EQ(time(window.form())->seekslider->maximum(), 10000);
    EXPECT_EQ(volume(window.form())->volumeSlider->maximum(), 10000);
    EXPECT_EQ(window.displayTimer(), nullptr);
    EXPECT_TRUE(window.acceptDrops());
    EXPECT_EQ(window.palette().color(QPalette::Inactive, QPalette::Window), backgroundColor);
    MenuBar* bar = central(window.form())->menuBar;
    ASSERT_NE(bar->getActionAt(3), nullptr);
    EXPECT_FALSE(bar->getActionAt(3)->isEnabled());
    EXPECT_FALSE(transport(window.form())->playButton->isCheckable());
}

TEST_F(MainWindowTests, ColumnMenuListsColumnsTwoToTwelveAndTogglesThem)
{
    const DdpFixture::Image image = writeImage(folder("disc"), shortDisc());
    TestWindow window;
    ASSERT_EQ(window.columnMenu()->actions().size(), 11);
    EXPECT_EQ(columnBox(window, 2)->text(), QStringLiteral("Index"));
    EXPECT_EQ(columnBox(window, 12)->text(), QStringLiteral("Usertext"));
    EXPECT_EQ(columnBox(window, 5)->palette().color(QPalette::Window), QColor(35, 36, 38));
    EXPECT_EQ(columnBox(window, 4)->palette().color(QPalette::Window), QColor(23, 24, 25));

    window.loadFile(QDir(QString::fromStdString(image.folder)));
    QTableView* view = tableView(window.form());
    columnBox(window, 5)->setChecked(true);
    EXPECT_FALSE(view->isColumnHidden(5));
    columnBox(window, 5)->setChecked(false);
    EXPECT_TRUE(view->isColumnHidden(5));
    columnBox(window, 5)->setChecked(true);
    EXPECT_FALSE(view->isColumnHidden(5));

    // The menu stays open while one of its entries is active.
    ContextMenuEventFilter filter;
    QMenu menu;
    QAction* entry = menu.addAction(QStringLiteral("x"));
    QEvent close(QEvent::Close);
    EXPECT_FALSE(filter.eventFilter(&menu, &close));
    menu.setActiveAction(entry);
    QEvent closeActive(QEvent::Close);
    EXPECT_TRUE(filter.eventFilter(&menu, &closeActive));
    EXPECT_FALSE(closeActive.isAccepted());
}

TEST_F(MainWindowTests, DropsLoadFoldersAndImageFilesAndRefuseEverythingElse)
{
    const DdpFixture::Image image = writeImage(folder("disc"), shortDisc());
    const QString disc = QString::fromStdString(image.folder);
    TestWindow window;

    EXPECT_FALSE(dropOn(window, {folder("empty")}));
    EXPECT_FALSE(dropOn(window, {disc + QStringLiteral("/PQDESCR")}));
    // A FIFO in the image's place is no image (reading it would block).
    DdpFixture::replaceWithFifo((folder("fifo") + QStringLiteral("/IMAGE.DAT")).toStdString());
    EXPECT_FALSE(dropOn(window, {folder("fifo")}));
    EXPECT_FALSE(dropOn(window, {folder("fifo") + QStringLiteral("/IMAGE.DAT")}));
    EXPECT_EQ(window.currentModel(), nullptr);

    ASSERT_TRUE(dropOn(window, {disc + QStringLiteral("/IMAGE.DAT")}));
    ASSERT_NE(window.currentModel(), nullptr);
    EXPECT_EQ(QDir(window.imageFolder()), QDir(disc));
    EXPECT_EQ(window.currentModel()->getDescList().size(), image.entries.size());

    // Only the first of several folders counts.
    const DdpFixture::Image second = writeImage(folder("second"), shortDisc(5));
    ASSERT_TRUE(dropOn(window, {QString::fromStdString(second.folder), disc}));
    EXPECT_EQ(window.imageFolder(), QString::fromStdString(second.folder));
    EXPECT_EQ(window.currentModel()->getDescList().size(), second.entries.size());
    EXPECT_TRUE(time(window.form())->seekslider->isEnabled());
    EXPECT_TRUE(central(window.form())->menuBar->getActionAt(3)->isEnabled());
    ASSERT_NE(window.displayTimer(), nullptr);
    EXPECT_TRUE(window.displayTimer()->isActive());
    EXPECT_EQ(window.displayTimer()->interval(), 16);

    // A fileset copied with its names in lower case.
    QFile::copy(disc + QStringLiteral("/IMAGE.DAT"), folder("lower") + QStringLiteral("/image.dat"));
    ASSERT_TRUE(dropOn(window, {folder("lower") + QStringLiteral("/image.dat")}));
    EXPECT_EQ(QDir(window.imageFolder()), QDir(folder("lower")));
}

TEST_F(MainWindowTests, AnEmptyPathNeverStandsForTheWorkingFolder)
{
    // The working folder itself holds an image: an empty path must not load it.
    const DdpFixture::Image image = writeImage(folder("cwd"), shortDisc());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(image.folder));
    TestWindow window;

    const std::unique_ptr<QMimeData> noFiles = dragData({});
    EXPECT_TRUE(localFileFromMimeData(noFiles.get()).isEmpty());
    EXPECT_FALSE(dragEnterAccepted(window, *noFiles));
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, noFiles.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    EXPECT_EQ(window.currentModel(), nullptr);
    EXPECT_FALSE(MainWindow::MainWindow::isLoadablePath(QString()));

    window.dialogAnswer.clear();
    invoke(&window, "onActionOpenTriggered");
    EXPECT_EQ(window.currentModel(), nullptr);
    EXPECT_EQ(window.missingImageErrors, 0);
    EXPECT_FALSE(store()->contains(defaultLoadDirKey));
    QDir::setCurrent(previous);
}

TEST_F(MainWindowTests, OpenDialogLoadsRemembersAndReportsAMissingImage)
{
    const DdpFixture::Image image = writeImage(folder("library/disc"), shortDisc());
    TestWindow window;
    window.dialogAnswer = QString::fromStdString(image.folder);
    invoke(&window, "onActionOpenTriggered");
    ASSERT_NE(window.currentModel(), nullptr);
    EXPECT_EQ(window.imageFolder(), window.dialogAnswer);
    EXPECT_EQ(store()->value(defaultLoadDirKey).toString(), QDir(dir.filePath("library")).absolutePath());
    EXPECT_EQ(window.dialogStartFolders.value(0), QString());

    // A folder without an image: the error, the loaded image stays.
    const std::shared_ptr<DDPModel> loaded = window.currentModel();
    window.dialogAnswer = folder("elsewhere/nothing");
    invoke(&window, "onActionOpenTriggered");
    EXPECT_EQ(window.missingImageErrors, 1);
    EXPECT_EQ(window.currentModel(), loaded);
    EXPECT_EQ(window.imageFolder(), QString::fromStdString(image.folder));
    EXPECT_EQ(store()->value(defaultLoadDirKey).toString(), QDir(dir.filePath("elsewhere")).absolutePath());
    EXPECT_EQ(window.dialogStartFolders.value(1), QDir(dir.filePath("library")).absolutePath());

    // Cancelled: nothing changes.
    window.dialogAnswer.clear();
    invoke(&window, "onActionOpenTriggered");
    EXPECT_EQ(window.missingImageErrors, 1);
    EXPECT_EQ(window.currentModel(), loaded);
    EXPECT_EQ(store()->value(defaultLoadDirKey).toString(), QDir(dir.filePath("elsewhere")).absolutePath());
}

TEST_F(MainWindowTests, DamagedImagesLoadWithoutEndingTheProgram)
{
    TestWindow window;
    std::vector<QString> folders;

    const auto damaged = [&](const QString& name, const std::function<void(const QString&)>& spoil) {
        DdpFixture::Options options = shortDisc(2);
        const QString path = folder(name);
        writeImage(path, options);
        spoil(path);
        folders.push_back(path);
    };
    damaged(QStringLiteral("empty-files"), [](const QString& path) {
        for (const char* file : {"DDPID", "DDPMS", "PQDESCR", "CDTEXT.BIN", "IMAGE.DAT"}) {
            QFile f(path + QLatin1Char('/') + QLatin1String(file));
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        }
    });
    damaged(QStringLiteral("no-pqdescr"), [](const QString& path) { QFile::remove(path + QStringLiteral("/PQDESCR")); });
    damaged(QStringLiteral("huge-pqdescr"), [](const QString& path) {
        QFile f(path + QStringLiteral("/PQDESCR"));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        const QByteArray entry = QByteArray::fromStdString(DdpFixture::pqEntryRaw("01", "01", "00", "00", "02", "00"));
        QByteArray block;
        for (int i = 0; i < 1024; ++i)
            block += entry;
        for (int i = 0; i < 2; ++i)  // 2048 entries where a full disc has about 300
            f.write(block);
    });
    damaged(QStringLiteral("garbage-pqdescr"), [](const QString& path) {
        QFile f(path + QStringLiteral("/PQDESCR"));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(QByteArray(64 * 7 + 13, '\xff'));
    });
    damaged(QStringLiteral("no-image"), [](const QString& path) { QFile::remove(path + QStringLiteral("/IMAGE.DAT")); });
    damaged(QStringLiteral("unreadable"), [](const QString& path) {
        for (const char* file : {"DDPID", "DDPMS", "PQDESCR", "CDTEXT.BIN", "IMAGE.DAT"})
            QFile::setPermissions(path + QLatin1Char('/') + QLatin1String(file), QFileDevice::Permissions());
    });
    damaged(QStringLiteral("one-entry"), [](const QString& path) {
        QFile f(path + QStringLiteral("/PQDESCR"));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(QByteArray::fromStdString(DdpFixture::pqEntryRaw("01", "01", "00", "00", "00", "00")));
    });

    for (const QString& path : folders) {
        SCOPED_TRACE(path.toStdString());
        window.loadFile(QDir(path));
        ASSERT_NE(window.currentModel(), nullptr);
        // Everything the user can do next must hold up as well.
        for (int i = 0; i < 5; ++i)
            invoke(&window, "onTimeout");
        time(window.form())->seekslider->setValue(5000);
        invoke(&window, "onSeekSliderReleased");
        QTableView* view = tableView(window.form());
        for (int row = 0; row < view->model()->rowCount(); row += row < 20 ? 1 : view->model()->rowCount() / 10 + 1)
            QMetaObject::invokeMethod(&window, "onCellDoubleClicked", Qt::DirectConnection,
                                      Q_ARG(QModelIndex, view->model()->index(row, 1)));
        window.player().stop();
        invoke(&window, "onTimeout");
        invoke(&window, "onCdTimeLabelClicked");
        time(window.form())->seekslider->setValue(100);
    }
    for (const QString& path : folders)
        QFile::setPermissions(path + QStringLiteral("/IMAGE.DAT"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(MainWindowTests, DamagedImagesAreReportedOnLoadNamingFileAndTimes)
{
    // Four tracks of 10 s after a 2 s lead-in, track 2 with a 1 s pause; on
    // the table's clock (from the end of the lead-in) track 1 from 00:00, 2
    // from 00:11 (its pause from 00:10), 3 from 00:21, 4 from 00:31 to 00:41.
    DdpFixture::Options options;
    options.trackCount = 4;
    options.trackFrames = 10 * 75;
    options.pauseFrames = 75;
    options.tracksWithPause = 1;
    options.samples = DdpFixture::Samples::Silence;
    // Double-byte, with empty texts and extension kanji (see the fixture).
    options.cdText = DdpFixture::CdTextKind::Japanese;
    const auto resize = [](const DdpFixture::Image& image, std::int64_t bytes) {
        ASSERT_TRUE(QFile::resize(QString::fromStdString(image.path("IMAGE.DAT")), bytes));
    };
    const auto pqDescr = [](const DdpFixture::Image& image) {
        return QString::fromStdString(image.path("PQDESCR"));
    };
    const auto cutCdText = [](const DdpFixture::Image& image, std::int64_t bytes) {
        QFile file(QString::fromStdString(image.path("CDTEXT.BIN")));
        ASSERT_TRUE(file.resize(file.size() - bytes));
    };
    // The final marker 2 s after the lead-out, as some masters have it.
    const auto markerLater = [&](const DdpFixture::Image& image) {
        std::vector<DdpFixture::Entry> entries = image.entries;
        entries.back().frame += 2 * 75;
        DdpFixture::writeFile(image.path("PQDESCR"), DdpFixture::pqDescrBytes(entries, options.upcEan));
    };
    struct Row {
        const char* damage;
        std::function<void(const DdpFixture::Image&)> spoil;
        QStringList report;
        bool allRowsListed;
        bool textsListed = true;
    };
    const std::vector<Row> rows = {
        {"none", [](const DdpFixture::Image&) {}, {}, true},
        {"image cut to 40 %",
         [&](const DdpFixture::Image& image) { resize(image, image.imageBytes * 4 / 10); },
         {"IMAGE.DAT ends at 00:15 but the disc runs to 00:41.",
          "Track 02 (00:11 to 00:21) is cut off at 00:15.", "Tracks 03 to 04 (00:21 to 00:41) are missing."},
         true},
        {"final marker after the lead-out", markerLater, {}, true},
        {"image cut to 40 %, final marker after the lead-out",
         [&](const DdpFixture::Image& image) {
             markerLater(image);
             resize(image, image.imageBytes * 4 / 10);
         },
         {"IMAGE.DAT ends at 00:15 but the disc runs to 00:41.",
          "Track 02 (00:11 to 00:21) is cut off at 00:15.", "Tracks 03 to 04 (00:21 to 00:41) are missing."},
         true},
        // Less than a frame of a track is none of it: as export tells it.
        {"image cut 2 bytes into track 3",
         [&](const DdpFixture::Image& image) { resize(image, image.tracks[2].start + 2); },
         {"IMAGE.DAT ends at 00:21 but the disc runs to 00:41.", "Tracks 03 to 04 (00:21 to 00:41) are missing."},
         true},
        {"image cut inside the pause of track 2",
         [&](const DdpFixture::Image& image) {
             resize(image, (image.tracks[1].pauseStart + image.tracks[1].start) / 8 * 4);
         },
         {"IMAGE.DAT ends at 00:10 but the disc runs to 00:41.", "Tracks 02 to 04 (00:11 to 00:41) are missing."},
         true},
        {"IMAGE.DAT not a file",
         [&](const DdpFixture::Image& image) { DdpFixture::replaceWithFifo(image.path("IMAGE.DAT")); },
         {"IMAGE.DAT cannot be read: it is not a regular file. There is no audio to play."}, true},
        {"empty image", [&](const DdpFixture::Image& image) { resize(image, 0); },
         {"IMAGE.DAT is empty but the disc runs to 00:41. There is no audio to play."}, true},
        {"PQ times past the audio",
         [&](const DdpFixture::Image& image) {
             std::vector<DdpFixture::Entry> entries = image.entries;
             entries[entries.size() - 2].frame += 20 * 75;
             entries[entries.size() - 1].frame += 20 * 75;
             DdpFixture::writeFile(image.path("PQDESCR"), DdpFixture::pqDescrBytes(entries, options.upcEan));
         },
         {"IMAGE.DAT ends at 00:41 but the disc runs to 01:01.",
          "Track 04 (00:31 to 01:01) is cut off at 00:41."},
         true},
        {"descriptors out of order",
         [&](const DdpFixture::Image& image) {
             std::vector<DdpFixture::Entry> entries = image.entries;
             entries[6].frame = 22 * 75;  // track 4 before track 3
             DdpFixture::writeFile(image.path("PQDESCR"), DdpFixture::pqDescrBytes(entries, options.upcEan));
         },
         {"PQDESCR: descriptor 7 (track 04) lies at 00:20, earlier than the descriptor before it at 00:21."},
         true},
        {"PQDESCR not a file",
         [&](const DdpFixture::Image& image) {
             QFile::remove(pqDescr(image));
             QDir().mkpath(pqDescr(image));
         },
         {"PQDESCR cannot be read: it is not a regular file. Without it no track can be listed."}, false},
        {"PQDESCR without read permission",
         [&](const DdpFixture::Image& image) {
             QFile::setPermissions(pqDescr(image), QFileDevice::WriteOwner);
         },
         {QStringLiteral("PQDESCR cannot be read: %1. Without it no track can be listed.")
              .arg(qt_error_string(EACCES))},
         false},
        {"10-byte PQDESCR",
         [&](const DdpFixture::Image& image) { ASSERT_TRUE(QFile::resize(pqDescr(image), 10)); },
         {"PQDESCR is too short: it holds 10 bytes, but a disc needs at least 4 descriptors of 64 bytes. No "
          "track can be listed."},
         false},
        // Whole packs keep their texts; a cut of all three size packs leaves none.
        {"CDTEXT.BIN cut 13 bytes short", [&](const DdpFixture::Image& image) { cutCdText(image, 13); },
         {"CDTEXT.BIN ends inside a pack: 599 bytes are no whole number of 18-byte packs, so its last pack is "
          "incomplete."},
         true},
        {"CDTEXT.BIN cut by its last pack", [&](const DdpFixture::Image& image) { cutCdText(image, 18); },
         {"CDTEXT.BIN ends inside the size information of its first block: 2 of its 3 packs of type 0x8F are "
          "there."},
         true},
        {"CDTEXT.BIN cut by its size packs", [&](const DdpFixture::Image& image) { cutCdText(image, 54); },
         {"CDTEXT.BIN holds no size information (the packs of type 0x8F that close its first block), so its "
          "texts are not shown."},
         true, false},
        {"CDTEXT.BIN without read permission",
         [&](const DdpFixture::Image& image) {
             QFile::setPermissions(QString::fromStdString(image.path("CDTEXT.BIN")), QFileDevice::WriteOwner);
         },
         {QStringLiteral("CDTEXT.BIN cannot be read: %1. Its texts are not shown.").arg(qt_error_string(EACCES))},
         true, false},
    };

    TestWindow window;
    int soundRows = -1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.damage);
        const DdpFixture::Image image = writeImage(folder(QString::fromLatin1(row.damage)), options);
        row.spoil(image);
        // Whoever may read any file (root) cannot be kept from one: the file
        // the row names first.
        const QString named = QString::fromLatin1(row.damage).section(QLatin1Char(' '), 0, 0);
        if (QString::fromLatin1(row.damage).contains(QStringLiteral("permission"))
            && QFile(QString::fromStdString(image.path(named.toStdString()))).open(QIODevice::ReadOnly))
            continue;
        window.damageReports.clear();
        window.loadFile(QDir(QString::fromStdString(image.folder)));
        // The audio is checked once the reader has opened it.
        ASSERT_TRUE(waitFor([&] { return !window.damageCheckPending(); }, 30000));
        const int listed = tableView(window.form())->model()->rowCount();
        if (soundRows < 0)
            soundRows = listed;
        if (row.report.isEmpty()) {
            EXPECT_TRUE(window.damageReports.isEmpty())
                << window.damageReports.value(0).join('\n').toStdString();
        } else {
            ASSERT_EQ(window.damageReports.size(), 1);
            EXPECT_EQ(window.damageReports[0].join('\n').toStdString(), row.report.join('\n').toStdString());
        }
        // One clock and one disc end: where the report says the disc runs to
        // is the table's total.
        const QString runsTo = QStringLiteral("the disc runs to ");
        const QString first = row.report.value(0);
        if (first.contains(runsTo)) {
            const QAbstractItemModel* table = tableView(window.form())->model();
            const QString total = table->index(table->rowCount() - 1, 3).data().toString();
            EXPECT_EQ(total.toStdString(),
                      ("Total: " + first.mid(first.indexOf(runsTo) + runsTo.size(), 5)).toStdString());
        }
        // What could be read is still listed, every text on its track's row.
        EXPECT_EQ(listed == soundRows, row.allRowsListed) << listed;
        const QAbstractItemModel* table = tableView(window.form())->model();
        for (int r = 0; r < listed; ++r) {
            if (table->index(r, 2).data().toString() != QStringLiteral("Start 1"))
                continue;
            const int track = table->index(r, 1).data().toInt();
            int column = 5;
            for (int type : {DdpFixture::Title, DdpFixture::Performer, DdpFixture::Songwriter, DdpFixture::Composer,
                             DdpFixture::Arranger, DdpFixture::Message})
                EXPECT_EQ(table->index(r, column++).data().toString().toStdString(),
                          row.textsListed ? image.tracks.at(std::size_t(track) - 1).texts.at(type) : "")
                    << "track " << track;
        }
    }

    // A row past the end of a cut image is refused in words, and nothing plays.
    const DdpFixture::Image cut = writeImage(folder(QStringLiteral("cut")), options);
    resize(cut, cut.tracks[1].end);
    window.loadFile(QDir(QString::fromStdString(cut.folder)));
    ASSERT_TRUE(waitFor([&] { return !window.damageCheckPending(); }, 30000));
    window.damageReports.clear();
    QTableView* view = tableView(window.form());
    QMetaObject::invokeMethod(&window, "onCellDoubleClicked", Qt::DirectConnection,
                              Q_ARG(QModelIndex, view->model()->index(view->model()->rowCount() - 2, 1)));
    ASSERT_EQ(window.damageReports.size(), 1);
    EXPECT_EQ(window.damageReports[0].join('\n').toStdString(),
              "Track 04 starts at 00:31, but IMAGE.DAT ends at 00:21: there is nothing to play.");
    EXPECT_FALSE(window.player().isRunning());

    // The box itself blocks no click on the window.
    window.showRealDamageReport(window.damageReports[0]);
    auto* box = window.findChild<ErrorDialog*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTests, TenLoadsLeaveEachConnectionExactlyOnce)
{
    const DdpFixture::Image image = writeImage(folder("disc"), shortDisc());
    TestWindow window;
    for (int i = 0; i < 10; ++i)
        window.loadFile(QDir(QString::fromStdString(image.folder)));

    // A connection made twice would flip the mode twice, leaving it unchanged.
    Ui::TimeWidget* t = time(window.form());
    emit t->cdTimeLabel->clicked();
    EXPECT_TRUE(window.cdTimeShowsRemaining());
    emit t->cdTimeCaptionLabel->clicked();
    EXPECT_FALSE(window.cdTimeShowsRemaining());
    emit t->timeCaptionLabel->clicked();
    EXPECT_TRUE(window.trackTimeShowsRemaining());
    emit t->timeLabel->clicked();
    EXPECT_FALSE(window.trackTimeShowsRemaining());

    EXPECT_TRUE(transport(window.form())->playButton->isCheckable());
}

TEST_F(MainWindowTests, SeekSliderAndTrackTimeFollowThePlayedBytes)
{
    // Tracks of 3:00; a first pause of 2 s, so entry 2 is track 1 and the
    // index offset is 2.
    DdpFixture::Options options;
    options.trackCount = 2;
    options.trackFrames = 180 * 75;
    options.samples = DdpFixture::Samples::Silence;
    const DdpFixture::Image image = writeImage(folder("disc"), options);
    // A final marker 2 s after the lead-out marks no audio.
    std::vector<DdpFixture::Entry> entries = image.entries;
    entries.back().frame += 2 * 75;
    DdpFixture::writeFile(image.path("PQDESCR"), DdpFixture::pqDescrBytes(entries, options.upcEan));
    TestWindow window;
    window.loadFile(QDir(QString::fromStdString(image.folder)));
    ASSERT_EQ(window.currentModel()->getIndexOffset(), 2);
    ASSERT_EQ(window.player().getEntry(), 2);

    window.player().getStreaming().values().setPlayedSamples(90 * 88200);
    invoke(&window, "onTimeout");
    Ui::TimeWidget* t = time(window.form());
    EXPECT_EQ(t->seekslider->value(), 5000);
    EXPECT_EQ(t->timeLabel->text(), QStringLiteral("01:30"));
    EXPECT_EQ(t->trackLabel->text(), QStringLiteral("01"));
    // CD time from the end of the 2 s lead-in: 2 + 90 - 2.
    EXPECT_EQ(t->cdTimeLabel->text(), QStringLiteral("01:30"));

    invoke(&window, "onTrackTimeLabelClicked");
    t->seekslider->setValue(4999);
    t->seekslider->setValue(5000);
    EXPECT_EQ(t->timeLabel->text(), QStringLiteral("01:30"));

    // Remaining CD time counts down to the lead-out, where the audio ends.
    invoke(&window, "onCdTimeLabelClicked");
    t->seekslider->setValue(0);
    const int total = image.entries[image.entries.size() - 2].frame / 75;
    EXPECT_EQ(t->cdTimeLabel->text(), secondsToTimeString(total - 2));

    // While the user holds the slider the tick changes nothing.
    t->seekslider->setSliderDown(true);
    window.player().getStreaming().values().setPlayedSamples(10 * 88200);
    invoke(&window, "onTimeout");
    EXPECT_EQ(t->seekslider->value(), 0);
    // (Letting go seeks to the slider's place, 0, so the counter is set after.)
    t->seekslider->setSliderDown(false);
    window.player().getStreaming().values().setPlayedSamples(10 * 88200);
    invoke(&window, "onTimeout");
    EXPECT_EQ(t->seekslider->value(), 555);

    // Played past the end of the entry: the next entry, within one tick.
    window.player().getStreaming().values().setPlayedSamples(181 * 88200);
    invoke(&window, "onTimeout");
    EXPECT_EQ(window.player().getEntry(), 3);
    EXPECT_EQ(t->trackLabel->text(), QStringLiteral("02"));
    EXPECT_EQ(window.currentModel()->getTrackNumber(), window.player().getSteadyTrackNumber());
}

TEST_F(MainWindowTests, CdTimeCountsFromTheEndOfALongFirstPause)
{
    DdpFixture::Options options;
    options.trackCount = 2;
    options.leadInPauseFrames = 3 * 75;
    options.samples = DdpFixture::Samples::Silence;
    const DdpFixture::Image image = writeImage(folder("disc"), options);
    // A final marker 2 s after the lead-out marks no audio.
    std::vector<DdpFixture::Entry> entries = image.entries;
    entries.back().frame += 2 * 75;
    DdpFixture::writeFile(image.path("PQDESCR"), DdpFixture::pqDescrBytes(entries, options.upcEan));
    TestWindow window;
    window.loadFile(QDir(QString::fromStdString(image.folder)));
    ASSERT_EQ(window.currentModel()->getIndexOffset(), 1);

    // Row 0 is the pause; stopped at once so that the slider stays where set.
    QTableView* view = tableView(window.form());
    QMetaObject::invokeMethod(&window, "onCellDoubleClicked", Qt::DirectConnection,
                              Q_ARG(QModelIndex, view->model()->index(0, 1)));
    window.player().pause();
    ASSERT_TRUE(waitFor([&] { return !window.player().isRunning(); }, 30000));
    ASSERT_EQ(window.player().getEntry(), 1);
    Ui::TimeWidget* t = time(window.form());
    t->seekslider->setValue(6667);
    EXPECT_EQ(t->cdTimeLabel->text(), QStringLiteral("-00:01"));

    // At the end of the pause the remaining time is the table's total: both
    // run from there to the lead-out, not to the marker after it.
    invoke(&window, "onCdTimeLabelClicked");
    t->seekslider->setValue(10000);
    const QAbstractItemModel* table = view->model();
    EXPECT_EQ(table->index(table->rowCount() - 1, 3).data().toString(),
              QStringLiteral("Total: ") + t->cdTimeLabel->text());
    EXPECT_EQ(t->cdTimeLabel->text(), secondsToTimeString(image.entries[image.entries.size() - 2].frame / 75 - 3));
}

TEST_F(MainWindowTests, CdTimeFollowsNextAndPrevWhileStopped)
{
    // Tracks of 2 s after the 2 s lead-in, track 2 with a 1 s pause: CD time
    // counts from track 1, which starts at 00:02.
    const DdpFixture::Image image = writeImage(folder("disc"), shortDisc(4));
    TestWindow window;
    window.loadFile(QDir(QString::fromStdString(image.folder)));
    Ui::TransportWidget* buttons = transport(window.form());
    Ui::TimeWidget* t = time(window.form());
    ASSERT_FALSE(window.player().isRunning());
    struct Row {
        TransportButton* button;
        int entry;
        const char* cdTime;
    };
    const std::vector<Row> rows = {
        {buttons->nextButton, 4, "00:03"}, {buttons->nextButton, 5, "00:05"},
        {buttons->nextButton, 6, "00:07"}, {buttons->backButton, 5, "00:05"},
        {buttons->backButton, 4, "00:03"},
    };
    for (const Row& row : rows) {
        emit row.button->released();
        EXPECT_EQ(window.player().getEntry(), row.entry);
        EXPECT_EQ(t->cdTimeLabel->text(), QLatin1String(row.cdTime)) << "entry " << row.entry;
    }
}

TEST_F(MainWindowTests, ElapsedAndRemainingCdTimeAddUpToTheTotal)
{
    // Track 2 starts at 01:40.53 on the disc's clock, which ends at 03:08.53.
    DdpFixture::Options options;
    options.trackCount = 2;
    options.trackFramesList = {100 * 75 + 40, 88 * 75};
    options.samples = DdpFixture::Samples::Silence;
    const DdpFixture::Image image = writeImage(folder("disc"), options);
    TestWindow window;
    window.loadFile(QDir(QString::fromStdString(image.folder)));
    emit transport(window.form())->nextButton->released();
    ASSERT_EQ(window.player().getEntry(), 3);
    const QAbstractItemModel* table = tableView(window.form())->model();
    ASSERT_EQ(table->index(table->rowCount() - 1, 3).data().toString(), QStringLiteral("Total: 03:08"));

    Ui::TimeWidget* t = time(window.form());
    const auto seconds = [&] {
        const QString text = t->cdTimeLabel->text();
        return text.section(QLatin1Char(':'), 0, 0).toInt() * 60 + text.section(QLatin1Char(':'), 1, 1).toInt();
    };
    for (const int value : {0, 5000, 9999}) {
        SCOPED_TRACE(value);
        t->seekslider->setValue(value);
        const int elapsed = seconds();
        invoke(&window, "onCdTimeLabelClicked");
        EXPECT_EQ(elapsed + seconds(), 3 * 60 + 8) << t->cdTimeLabel->text().toStdString();
        invoke(&window, "onCdTimeLabelClicked");
    }
}

TEST_F(MainWindowTests, AnotherImageAndAModeClickShowTheTimesWithoutASliderMove)
{
    DdpFixture::Options options;
    options.trackCount = 1;
    options.trackFrames = 60 * 75;
    options.samples = DdpFixture::Samples::Silence;
    const DdpFixture::Image other = writeImage(folder("other"), options);
    TestWindow window;
    window.loadFile(QDir(QString::fromStdString(writeImage(folder("first"), shortDisc()).folder)));
    invoke(&window, "onCdTimeLabelClicked");
    invoke(&window, "onTrackTimeLabelClicked");
    // The slider stays at 0, so it signals no change.
    window.loadFile(QDir(QString::fromStdString(other.folder)));
    Ui::TimeWidget* t = time(window.form());
    EXPECT_EQ(t->timeLabel->text(), QStringLiteral("01:00"));
    EXPECT_EQ(t->cdTimeLabel->text(), secondsToTimeString(other.entries.back().frame / 75 - 2));

    // Stopped or paused the slider stands still, so the click itself shows
    // the other count (15 s of the 60 s track played).
    t->seekslider->setValue(2500);
    invoke(&window, "onCdTimeLabelClicked");
    invoke(&window, "onTrackTimeLabelClicked");
    EXPECT_EQ(t->timeLabel->text(), QStringLiteral("00:15"));
    EXPECT_EQ(t->cdTimeLabel->text(), QStringLiteral("00:15"));
}

TEST_F(MainWindowTests, MetersGetZerosWhileStoppedAndThePeaksAreCleared)
{
    const DdpFixture::Image image = writeImage(folder("disc"), shortDisc());
    TestWindow window;
    window.loadFile(QDir(QString::fromStdString(image.folder)));
    Audio::PlaybackValues& values = window.player().getStreaming().values();
    values.addLeft(0.5f);
    values.addRight(0.25f);
    LevelMeterWidget* meter = levelMeter(window.form());
    invoke(&window, "onTimeout");
    EXPECT_FLOAT_EQ(values.peakLeft(), 0.0f);
    EXPECT_FLOAT_EQ(values.peakRight(), 0.0f);
    EXPECT_FLOAT_EQ(meter->peakShown(0), 0.0f);
    // The mean squares are the meter's long average: the tick leaves them.
    EXPECT_GT(values.meanSquareLeft(), 0.0f);
}

TEST_F(MainWindowTests, VolumeSliderSetsTheTargetAndItsReadouts)
{
    const DdpFixture::Image image = writeImage(folder("disc"), shortDisc());
    TestWindow window;
    window.loadFile(QDir(QString::fromStdString(image.folder)));
    Ui::VolumeSliderWidget* v = volume(window.form());
    LevelMeterWidget* meter = levelMeter(window.form());

    struct Case {
        int value;
        const char* dB;
        const char* percent;
    };
    for (const Case& c : {Case{10000, "0.0 dB", "100 %"}, Case{5000, "-6.0 dB", "50 %"}, Case{1, "-80.0 dB", "0.01 %"},
                          Case{1234, "-18.2 dB", "12.34 %"}, Case{0, "\xe2\x88\x9e", "0 %"}}) {
        v->volumeSlider->setValue(c.value == 0 ? 1 : c.value - 1);
        v->volumeSlider->setValue(c.value);
        EXPECT_EQ(v->dBValueLabel->text(), QString::fromUtf8(c.dB)) << c.value;
        EXPECT_EQ(v->volumeValueLabel->text(), QString::fromUtf8(c.percent)) << c.value;
        EXPECT_FLOAT_EQ(window.player().getStreaming().values().targetVolume(), c.value / 10000.0f);
        EXPECT_EQ(meter->state(), LevelMeterWidget::VolumeSliderMoving);
    }
    emit v->volumeSlider->sliderReleased();
    EXPECT_EQ(meter->state(), LevelMeterWidget::Playing);
}

TEST_F(MainWindowTests, ResetActsOnlyForTheTransportControllerAndTheTotalRowCannotBeStarted)
{
    const DdpFixture::Image image = writeImage(folder("disc"), shortDisc());
    TestWindow window;
    window.loadFile(QDir(QString::fromStdString(image.folder)));
    LevelMeterWidget* meter = levelMeter(window.form());
    meter->setState(LevelMeterWidget::Playing);
    time(window.form())->seekslider->setValue(700);
    invoke(&window, "onReset");
    EXPECT_EQ(meter->state(), LevelMeterWidget::Playing);
    EXPECT_EQ(time(window.form())->seekslider->value(), 700);
    emit window.transportController()->reset();
    EXPECT_EQ(meter->state(), LevelMeterWidget::StoppedOrPaused);
    EXPECT_EQ(time(window.form())->seekslider->value(), 0);

    QTableView* view = tableView(window.form());
    const int last = view->model()->rowCount() - 1;
    QMetaObject::invokeMethod(&window, "onCellDoubleClicked", Qt::DirectConnection,
                              Q_ARG(QModelIndex, view->model()->index(last, 1)));
    EXPECT_FALSE(window.player().isRunning());
    EXPECT_EQ(meter->state(), LevelMeterWidget::StoppedOrPaused);
}

TEST_F(MainWindowTests, InfoButtonOpensThePopupBelowTheButtonCentre)
{
    const DdpFixture::Image image = writeImage(folder("disc"), shortDisc());
    TestWindow window;
    window.show();
    window.loadFile(QDir(QString::fromStdString(image.folder)));
    QToolButton button(&window);
    button.setGeometry(40, 60, 20, 16);
    button.show();
    QMetaObject::invokeMethod(&window, "onInfoButtonClicked", Qt::DirectConnection, Q_ARG(int32_t, 1),
                              Q_ARG(QToolButton*, &button));
    auto* popup = button.findChild<ToolTipWidget*>();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    const QPoint centre = button.mapToGlobal(QPoint(10, 8));
    EXPECT_EQ(popup->pos(), QPoint(centre.x() - 20, centre.y() + 10));
    popup->close();

    QMetaObject::invokeMethod(&window, "onInfoButtonClicked", Qt::DirectConnection, Q_ARG(int32_t, 1),
                              Q_ARG(QToolButton*, nullptr));
}

TEST_F(MainWindowTests, DraggingTheMenuBarMovesTheWindowWithTheLeftButtonOnly)
{
    TestWindow window;
    window.move(200, 150);
    window.show();
    MenuBar* bar = central(window.form())->menuBar;
    const QPoint start(30, 5);
    const QPoint globalStart = bar->mapToGlobal(start);
    const QPoint origin = window.pos();

    QMouseEvent rightPress(QEvent::MouseButtonPress, start, globalStart, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &rightPress);
    QMouseEvent rightMove(QEvent::MouseMove, start + QPoint(50, 50), globalStart + QPoint(50, 50), Qt::NoButton,
                          Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &rightMove);
    EXPECT_EQ(window.pos(), origin);

    QMouseEvent press(QEvent::MouseButtonPress, start, globalStart, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    QMouseEvent move(QEvent::MouseMove, start + QPoint(40, 25), globalStart + QPoint(40, 25), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    EXPECT_EQ(window.pos(), globalStart + QPoint(40, 25) - start);
}

TEST_F(MainWindowTests, ClosingSavesGeometryAndHeaderWhichTheNextWindowRestores)
{
    const DdpFixture::Image image = writeImage(folder("disc"), shortDisc());
    QByteArray header;
    {
        TestWindow window;
        window.show();
        window.loadFile(QDir(QString::fromStdString(image.folder)));
        window.setGeometry(120, 40, 600, 520);
        tableView(window.form())->horizontalHeader()->resizeSection(3, 97);
        header = tableView(window.form())->horizontalHeader()->saveState();
        window.close();
    }
    EXPECT_TRUE(store()->contains(QStringLiteral("mainWindowGeometry")));
    EXPECT_TRUE(store()->contains(QStringLiteral("header")));

    TestWindow again;
    EXPECT_EQ(again.size(), QSize(600, 520));
    again.loadFile(QDir(QString::fromStdString(image.folder)));
    EXPECT_EQ(tableView(again.form())->horizontalHeader()->sectionSize(3), 97);
}
