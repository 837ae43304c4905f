#include "player/ui/CustomStyle.h"

#include "player/ui/AboutDialog.h"
#include "player/ui/ClickableLabel.h"
#include "player/ui/Constants.h"
#include "player/ui/FontHelper.h"
#include "player/ui/SampleRateErrorDialog.h"
#include "player/ui/TimeWidget.h"
#include "player/ui/TransportButton.h"
#include "player/ui/TransportWidget.h"
#include "player/ui/VolumeSliderWidget.h"
#include "player/ui/tests/FakeAudio.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

QImage paintPrimitive(const QStyle& style, QStyle::PrimitiveElement element, const QStyleOption& option)
{
    QImage image(option.rect.size() + QSize(4, 4), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    style.drawPrimitive(element, &option, &painter, nullptr);
    return image;
}

bool allTransparent(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() != 0)
                return false;
    return true;
}

void expectFont(const QFont& actual, const QFont& expected)
{
    EXPECT_EQ(actual.family(), expected.family());
    EXPECT_EQ(actual.pointSize(), expected.pointSize());
    EXPECT_EQ(actual.pixelSize(), expected.pixelSize());
    EXPECT_EQ(actual.weight(), expected.weight());
}

void expectNear(const QColor& actual, const QColor& expected)
{
    EXPECT_NEAR(actual.red(), expected.red(), 1);
    EXPECT_NEAR(actual.green(), expected.green(), 1);
    EXPECT_NEAR(actual.blue(), expected.blue(), 1);
}

} // namespace

TEST(CustomStyle, SampleRateDialogIsPolishedAsAnErrorDialog)
{
    CustomStyle style;
    FakeStreamingSetup setup;
    SampleRateErrorDialog dialog(IncompatibleSampleRate, &setup, nullptr);
    QFont big = dialog.font();
    big.setPointSize(17);
    dialog.setFont(big);
    style.polish(&dialog);
    EXPECT_EQ(dialog.font().family(), fontFamily);
    EXPECT_EQ(dialog.font().pointSize(), 17);
    EXPECT_EQ(dialog.palette().color(QPalette::Inactive, QPalette::Window), backgroundColor);
    EXPECT_EQ(dialog.palette().color(QPalette::Button), buttonColor);
    EXPECT_EQ(dialog.palette().color(QPalette::WindowText), textColor);
    EXPECT_EQ(dialog.palette().color(QPalette::ButtonText), textColor);
    EXPECT_EQ(dialog.palette().color(QPalette::Mid), QColor(77, 79, 82));
}

TEST(CustomStyle, PanelsGetTheirFontsAndPalettes)
{
    CustomStyle style;
    TimeWidget time(nullptr);
    style.polish(&time);
    const Ui::TimeWidget* t = time.form();
    expectFont(t->timeCaptionLabel->font(), FontHelper::getBoldFont(FontHelper::Size10));
    EXPECT_EQ(t->timeCaptionLabel->palette().color(QPalette::WindowText), dimTextColor);
    expectFont(t->cdTimeLabel->font(), FontHelper::getBoldFont(FontHelper::Size12));
    EXPECT_EQ(time.palette().color(QPalette::WindowText), lightTextColor);
    EXPECT_EQ(time.palette().color(QPalette::Window).alpha(), 0);
    EXPECT_TRUE(time.autoFillBackground());

    VolumeSliderWidget volume(nullptr);
    style.polish(&volume);
    expectFont(volume.form()->dBValueLabel->font(), FontHelper::getBoldFont(FontHelper::Size12));
    expectFont(volume.form()->volumeLabel->font(), FontHelper::getBoldFont(FontHelper::Size10));
    EXPECT_EQ(volume.form()->volumeLabel->palette().color(QPalette::WindowText), dimTextColor);

    TransportWidget transport(nullptr);
    style.polish(&transport);
    EXPECT_EQ(transport.form()->playButton->palette().color(QPalette::Highlight), accentGreenColor);
    EXPECT_EQ(transport.form()->stopButton->palette().color(QPalette::Highlight), buttonColor);
    EXPECT_EQ(transport.form()->backButton->palette().color(QPalette::Window), QColor(65, 66, 66));

    QPushButton button;
    QScrollBar bar;
    QLabel label;
    style.polish(&button);
    style.polish(&bar);
    style.polish(&label);
    EXPECT_TRUE(button.testAttribute(Qt::WA_Hover));
    EXPECT_TRUE(bar.testAttribute(Qt::WA_Hover));
    EXPECT_FALSE(label.testAttribute(Qt::WA_Hover));
}

TEST(CustomStyle, ConstructorSetsTheTooltipPalette)
{
    CustomStyle style;
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), backgroundColor);
    EXPECT_EQ(QToolTip::palette().color(QPalette::Disabled, QPalette::ToolTipText), QColor(Qt::lightGray));
    EXPECT_EQ(style.baseStyle()->objectName().toLower(), QStringLiteral("fusion"));
}

TEST(CustomStyle, MessageBoxIconsAreGreyAndOthersTheBaseStyles)
{
    CustomStyle style;
    QWidget widget;
    for (auto which : {QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxQuestion, QStyle::SP_ArrowBack,
                       QStyle::SP_FileDialogNewFolder, QStyle::SP_DirIcon}) {
        const QImage ours = style.standardIcon(which, nullptr, &widget).pixmap(16, 16).toImage();
        EXPECT_FALSE(ours.isNull()) << which;
        EXPECT_EQ(ours, style.baseStyle()->standardIcon(which, nullptr, &widget).pixmap(16, 16).toImage()) << which;
    }
    for (auto which : {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxCritical}) {
        const QIcon icon = style.standardIcon(which, nullptr, &widget);
        ASSERT_FALSE(icon.isNull());
        const QImage image = icon.pixmap(32, 32).toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() == 255) {
                    ++opaque;
                    EXPECT_EQ(c, QColor(Qt::gray));
                }
            }
        EXPECT_GT(opaque, 20);
    }
}

TEST(CustomStyle, ActiveIconsAreWhiteAndCachedOtherModesComeFromTheBase)
{
    CustomStyle style;
    QImage source(6, 6, QImage::Format_ARGB32_Premultiplied);
    source.fill(Qt::transparent);
    source.setPixelColor(2, 3, QColor(10, 200, 30));
    const QPixmap pixmap = QPixmap::fromImage(source);

    QStyleOption option;
    const QPixmap disabled = style.generatedIconPixmap(QIcon::Disabled, pixmap, &option);
    EXPECT_NE(disabled.toImage().pixelColor(2, 3), QColor(Qt::white));

    const QImage active = style.generatedIconPixmap(QIcon::Active, pixmap, nullptr).toImage();
    EXPECT_EQ(active.pixelColor(2, 3), QColor(Qt::white));
    EXPECT_EQ(active.pixelColor(0, 0).alpha(), 0);

    // Once cached, the white variant answers for every mode of that source.
    EXPECT_EQ(style.generatedIconPixmap(QIcon::Disabled, pixmap, &option).toImage().pixelColor(2, 3),
              QColor(Qt::white));
}

TEST(CustomStyle, MetricsAndPrimitives)
{
    CustomStyle style;
    QStyle* fusion = QStyleFactory::create(QStringLiteral("fusion"));
    EXPECT_EQ(style.pixelMetric(QStyle::PM_ScrollBarExtent), 16);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderThickness), fusion->pixelMetric(QStyle::PM_SliderThickness) - 1);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderLength), fusion->pixelMetric(QStyle::PM_SliderLength) - 4);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_MenuPanelWidth), fusion->pixelMetric(QStyle::PM_MenuPanelWidth) + 2);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_ToolBarIconSize), fusion->pixelMetric(QStyle::PM_ToolBarIconSize));
    delete fusion;

    QStyleOption option;
    option.rect = QRect(0, 0, 12, 12);
    option.state = QStyle::State_Enabled;
    EXPECT_TRUE(allTransparent(paintPrimitive(style, QStyle::PE_IndicatorArrowDown, option)));

    QStyleOptionFrame frame;
    frame.rect = QRect(0, 0, 20, 20);
    const QImage menuFrame = paintPrimitive(style, QStyle::PE_FrameMenu, frame);
    EXPECT_EQ(menuFrame.pixelColor(0, 0), QColor(60, 60, 60));
    EXPECT_EQ(menuFrame.pixelColor(10, 10), backgroundColor);

    QStyleOption panel;
    panel.rect = QRect(0, 0, 60, 20);
    const QImage menuPanel = paintPrimitive(style, QStyle::PE_PanelMenu, panel);
    EXPECT_EQ(menuPanel.pixelColor(19, 5), QColor(20, 21, 22));
    EXPECT_EQ(menuPanel.pixelColor(20, 5), backgroundColor);
    panel.direction = Qt::RightToLeft;
    const QImage rtlPanel = paintPrimitive(style, QStyle::PE_PanelMenu, panel);
    EXPECT_EQ(rtlPanel.pixelColor(40, 5), QColor(20, 21, 22));
    EXPECT_EQ(rtlPanel.pixelColor(39, 5), backgroundColor);

    QStyleOptionButton button;
    button.rect = QRect(0, 0, 20, 20);
    button.palette.setColor(QPalette::Button, QColor(1, 2, 3));
    button.palette.setColor(QPalette::Window, QColor(4, 5, 6));
    button.palette.setColor(QPalette::Highlight, QColor(100, 0, 0));
    button.state = QStyle::State_Enabled;
    QImage plain = paintPrimitive(style, QStyle::PE_PanelButtonCommand, button);
    EXPECT_EQ(plain.pixelColor(0, 0), QColor(4, 5, 6));
    EXPECT_EQ(plain.pixelColor(10, 10), QColor(1, 2, 3));
    button.state |= QStyle::State_On;
    QImage checked = paintPrimitive(style, QStyle::PE_PanelButtonCommand, button);
    EXPECT_EQ(checked.pixelColor(10, 10), QColor(100, 0, 0));
    expectNear(checked.pixelColor(0, 0), QColor(4, 5, 6).lighter(150));
}

TEST(CustomStyle, CheckMarkOnlyForButtonOptions)
{
    CustomStyle style;
    QStyleOption other;
    other.rect = QRect(0, 0, 14, 14);
    EXPECT_TRUE(allTransparent(paintPrimitive(style, QStyle::PE_IndicatorCheckBox, other)));
    QStyleOptionButton button;
    button.rect = QRect(0, 0, 14, 14);
    EXPECT_FALSE(allTransparent(paintPrimitive(style, QStyle::PE_IndicatorCheckBox, button)));
}

TEST(CustomStyle, AboutBoxGetsAWhiteWindowUnderItsArtworkAndOthersAreLeftAlone)
{
    CustomStyle style;
    QWidget window;
    AboutDialog about(&window);
    style.polish(&about);
    EXPECT_EQ(about.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(about.palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_TRUE(about.autoFillBackground());

    QLabel label;
    const QPalette before = label.palette();
    const QFont font = label.font();
    style.polish(&label);
    EXPECT_EQ(label.palette(), before);
    EXPECT_EQ(label.font(), font);
}
