#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/Parser.h"
#include "player/testsupport/DdpFixture.h"
#include "player/ui/ClickableLabel.h"
#include "player/ui/InfoBoxWidget.h"
#include "player/ui/MeterNumericalDisplayWidget.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

const QString infinity = QString::fromUtf8("\xe2\x88\x9e");

MeterInfo levels(float peak, float rms)
{
    MeterInfo info;
    info.peakLeft = peak;
    info.peakRight = peak / 2;
    info.rmsLeft = rms / 2;
    info.rmsRight = rms;
    return info;
}

struct NumericalDisplayFixture : ::testing::Test
{
    MeterNumericalDisplayWidget display{nullptr};
    QString level() const { return display.form()->levelValueLabel->text(); }
    QString rms() const { return display.form()->rmsValueLabel->text(); }
};

} // namespace

TEST_F(NumericalDisplayFixture, HoldsTheMaximumUntilTheValueIsClicked)
{
    EXPECT_EQ(level(), "0 dB");
    display.levelChanged(levels(0.5f, 0.25f));
    EXPECT_EQ(level(), "-6.0");
    EXPECT_EQ(rms(), "-12.0");

    display.levelChanged(levels(0.1f, 0.05f));  // quieter: held
    EXPECT_EQ(level(), "-6.0");
    EXPECT_EQ(rms(), "-12.0");

    display.levelChanged(levels(1.0f, 0.5f));  // louder: raised
    EXPECT_EQ(level(), "0.0");
    EXPECT_EQ(rms(), "-6.0");

    QTest::mouseClick(display.form()->levelValueLabel, Qt::LeftButton);
    display.levelChanged(levels(0.1f, 0.1f));
    EXPECT_EQ(level(), "-20.0");  // the current value after a click, though lower
    EXPECT_EQ(rms(), "-6.0");     // the RMS maximum was not reset

    QTest::mouseClick(display.form()->rmsValueLabel, Qt::LeftButton);
    display.levelChanged(levels(0.0f, 0.0f));
    EXPECT_EQ(rms(), infinity);
    EXPECT_EQ(level(), "-20.0");  // silence does not lower the held level
}

TEST_F(NumericalDisplayFixture, CaptionClicksDoNothingAndSilenceAfterClickShowsInfinity)
{
    display.levelChanged(levels(0.5f, 0.5f));
    QTest::mouseClick(display.form()->levelCaptionLabel, Qt::LeftButton);
    QTest::mouseClick(display.form()->rmsCaptionLabel, Qt::LeftButton);
    display.levelChanged(levels(0.0f, 0.0f));
    EXPECT_EQ(level(), "-6.0");
    EXPECT_EQ(rms(), "-6.0");

    display.onUpdatePeak();
    display.levelChanged(levels(0.0f, 0.0f));
    EXPECT_EQ(level(), infinity);
    EXPECT_EQ(MeterNumericalDisplayWidget::formatDb(-12.34f), "-12.3");
}

TEST_F(NumericalDisplayFixture, SeparatorLineIsDrawnInTheMiddle)
{
    display.setFixedSize(106, 60);
    display.show();
    const QImage image = display.grab().toImage();
    EXPECT_EQ(image.pixelColor(53, 15 + 10), QColor(Qt::gray));
    EXPECT_NE(image.pixelColor(53, 14), QColor(Qt::gray));
    EXPECT_NE(image.pixelColor(53, 15 + 27), QColor(Qt::gray));
}

namespace {

struct InfoBoxFixture : ::testing::Test
{
    InfoBoxFixture() { box.resize(478, 59); box.show(); }

    std::shared_ptr<DDPModel> load(DdpFixture::CdTextKind kind, bool writePq = true)
    {
        dirs.push_back(std::make_unique<QTemporaryDir>());
        DdpFixture::Options o;
        o.cdText = kind;
        o.writePqDescr = writePq;
        image = DdpFixture::write(dirs.back()->path().toStdString(), o);
        auto model = std::make_shared<DDPModel>();
        Parser::parseData(dirs.back()->path(), model);
        return model;
    }

    Ui::InfoBoxWidget* form() const { return box.form(); }

    InfoBoxWidget box{nullptr};
    DdpFixture::Image image;
    std::vector<std::unique_ptr<QTemporaryDir>> dirs;
};

} // namespace

TEST_F(InfoBoxFixture, ShowsAlbumArtistAndCodeAndElidesWhenNarrow)
{
    box.setupLabel(load(DdpFixture::CdTextKind::Latin1));
    const QString album = QString::fromStdString(image.albumTexts.at(DdpFixture::Title));
    const QString artist = QString::fromStdString(image.albumTexts.at(DdpFixture::Performer));
    EXPECT_EQ(box.albumText(), album);
    EXPECT_EQ(box.artistText(), artist);
    EXPECT_EQ(box.upcEanText(), "4006381333931");
    EXPECT_EQ(form()->upcEanLabel->text(), "4006381333931");
    EXPECT_EQ(form()->upcEanLabel->toolTip(), "4006381333931");
    EXPECT_EQ(form()->albumLabel->toolTip(), album);

    box.resize(120, 59);
    QCoreApplication::processEvents();
    const QString ellipsis(QChar(0x2026));
    EXPECT_TRUE(form()->upcEanLabel->text().endsWith(ellipsis)) << form()->upcEanLabel->text().toStdString();
    EXPECT_EQ(form()->upcEanLabel->toolTip(), "4006381333931");

    box.resize(900, 59);
    QCoreApplication::processEvents();
    EXPECT_EQ(form()->upcEanLabel->text(), "4006381333931");
    EXPECT_EQ(form()->albumLabel->text(), album);
    EXPECT_FALSE(form()->albumLabel->text().contains(ellipsis));
}

TEST_F(InfoBoxFixture, JapaneseTextIsDecodedAsUtf8)
{
    box.setupLabel(load(DdpFixture::CdTextKind::Japanese));
    EXPECT_EQ(box.albumText(), QString::fromStdString(image.albumTexts.at(DdpFixture::Title)));
    EXPECT_EQ(box.artistText(), QString::fromStdString(image.albumTexts.at(DdpFixture::Performer)));
}

TEST_F(InfoBoxFixture, ADiscWithoutTextClearsTheOldTextsForGood)
{
    box.setupLabel(load(DdpFixture::CdTextKind::Latin1));
    ASSERT_FALSE(form()->albumLabel->text().isEmpty());
    box.setupLabel(load(DdpFixture::CdTextKind::None));
    EXPECT_TRUE(box.albumText().isEmpty());
    EXPECT_TRUE(form()->albumLabel->text().isEmpty());
    EXPECT_TRUE(form()->artistLabel->text().isEmpty());
    box.resize(300, 59);
    box.resize(478, 59);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form()->albumLabel->text().isEmpty());
    EXPECT_TRUE(form()->artistLabel->text().isEmpty());
}

TEST_F(InfoBoxFixture, FolderWithoutDescriptorFileShowsNoCode)
{
    box.setupLabel(load(DdpFixture::CdTextKind::Latin1));
    ASSERT_FALSE(box.upcEanText().isEmpty());
    auto model = load(DdpFixture::CdTextKind::None, false);
    ASSERT_TRUE(model->getDescList().empty());
    box.setupLabel(model);
    EXPECT_TRUE(box.upcEanText().isEmpty());
    EXPECT_TRUE(form()->upcEanLabel->text().isEmpty());
}

TEST_F(InfoBoxFixture, PanelFrameDotsAndSeparators)
{
    const QImage image = box.grab().toImage();
    const int w = image.width();
    const int h = image.height();
    EXPECT_EQ(image.pixelColor(9, h / 2), QColor(Qt::gray));        // frame
    EXPECT_EQ(image.pixelColor(w - 10, h / 2), QColor(Qt::gray));
    EXPECT_NE(image.pixelColor(8, h / 2), QColor(Qt::gray));        // 9 pixels free
    EXPECT_EQ(image.pixelColor(11, 2), QColor(45, 46, 47));         // first dot
    EXPECT_EQ(image.pixelColor(13, 4), QColor(45, 46, 47));
    EXPECT_EQ(image.pixelColor(12, 2), QColor(Qt::black));          // between dots
    EXPECT_EQ(image.pixelColor(11, 3), QColor(Qt::black));
    const QLabel* caption = form()->albumCaptionLabel;
    const int separator = caption->geometry().right() + 2;
    EXPECT_EQ(image.pixelColor(separator, 1), QColor(Qt::gray));
    EXPECT_EQ(image.pixelColor(separator + 1, 1), QColor(Qt::black));
}
