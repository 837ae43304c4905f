#include "player/ui/AboutDialog.h"
#include "player/ui/ErrorDialog.h"
#include "player/ui/Pixmaps.h"
#include "player/ui/SampleRateErrorDialog.h"

#include "player/ui/Constants.h"
#include "player/ui/tests/FakeAudio.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A widget that reports a chosen device pixel ratio, standing in for a
// high-density screen.
class RatioWidget : public QWidget
{
public:
    explicit RatioWidget(int ratio) : ratio(ratio) {}

protected:
    int metric(PaintDeviceMetric m) const override
    {
        if (m == PdmDevicePixelRatio)
            return ratio;
        if (m == PdmDevicePixelRatioScaled)
            return ratio * int(devicePixelRatioFScale());
        return QWidget::metric(m);
    }

private:
    int ratio;
};

QAbstractButton* buttonWithText(QMessageBox& box, const QString& text)
{
    for (QAbstractButton* button : box.buttons())
        if (button->text() == text)
            return button;
    return nullptr;
}

} // namespace

TEST(ErrorDialog, MissingImageDatExplainsTheFourParts)
{
    ErrorDialog dialog(MissingImageDat, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Error"));
    EXPECT_EQ(dialog.icon(), QMessageBox::Information);
    EXPECT_TRUE(dialog.text().startsWith(QStringLiteral("Your DDP-directory doesn't contain a IMAGE.DAT file <br>")));
    EXPECT_TRUE(dialog.text().endsWith(QStringLiteral("<li>Subcode descriptor(PQDESCR)</li></ul>")));
    // No buttons of its own: the message box adds its single OK when shown.
    EXPECT_TRUE(dialog.buttons().isEmpty());
    dialog.show();
    EXPECT_EQ(dialog.buttons().size(), 1);
}

TEST(ErrorDialog, InvalidPathAndUnlistedValues)
{
    ErrorDialog invalid(InvalidPath, nullptr);
    EXPECT_EQ(invalid.windowTitle(), QStringLiteral("Invalid path"));
    EXPECT_TRUE(invalid.text().startsWith(QStringLiteral("The directory you selected does not exist.")));

    ErrorDialog unknown(static_cast<Errors>(7), nullptr);
    EXPECT_TRUE(unknown.windowTitle().isEmpty());
    EXPECT_TRUE(unknown.text().isEmpty());
    EXPECT_EQ(unknown.icon(), QMessageBox::Information);
}

TEST(ErrorDialog, DamagedImageListsEachDamageAsPlainText)
{
    ErrorDialog dialog(DamagedImage, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Damaged Image"));
    EXPECT_EQ(dialog.icon(), QMessageBox::Warning);
    // The lines are shown as they are, never read as markup; a second call
    // replaces the first.
    dialog.setDetails({QStringLiteral("IMAGE.DAT ends at 00:17"), QStringLiteral("<b>x</b>")});
    dialog.setDetails({QStringLiteral("IMAGE.DAT ends at 00:17"), QStringLiteral("<b>x</b>")});
    EXPECT_TRUE(dialog.text().endsWith(
        QStringLiteral("<ul><li>IMAGE.DAT ends at 00:17</li><li>&lt;b&gt;x&lt;/b&gt;</li></ul>")));
    EXPECT_EQ(dialog.text().count(QStringLiteral("<ul>")), 1);
}

TEST(SampleRateErrorDialog, RescanReplacesTheResultLineAndNeverCloses)
{
    FakeStreamingSetup setup;
    setup.answers = {false, true};
    SampleRateErrorDialog dialog(IncompatibleSampleRate, &setup, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Incompatible Audio Device Sample Rate"));
    EXPECT_EQ(dialog.icon(), QMessageBox::Critical);
    EXPECT_EQ(dialog.text(), sampleRateErrorText);

    QAbstractButton* rescan = buttonWithText(dialog, QStringLiteral("Rescan"));
    QAbstractButton* ok = buttonWithText(dialog, QStringLiteral("OK"));
    ASSERT_NE(rescan, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(dialog.buttonRole(rescan), QMessageBox::NoRole);
    EXPECT_EQ(dialog.buttonRole(ok), QMessageBox::AcceptRole);

    dialog.show();
    rescan->click();
    EXPECT_EQ(setup.calls, 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.text(),
              sampleRateErrorText +
                  QStringLiteral("\t<font color= \"#863d39\">The sample rate of your audio device is not set to 44100 Hz.</font>"));

    rescan->click();
    EXPECT_EQ(setup.calls, 2);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.text(),
              sampleRateErrorText +
                  QStringLiteral("\t<font color= \"#3d8639\">Rescan successful! The device can be used now.</font>"));

    ok->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(setup.calls, 2);
}

// A lost sound server is not a sample rate: the same box, with its Rescan,
// names the cause and what happens next.
TEST(SampleRateErrorDialog, ALostDeviceNamesTheSoundServerAndKeepsTheRescan)
{
    FakeStreamingSetup setup;
    SampleRateErrorDialog dialog(LostAudioDevice, &setup, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Audio Output Lost"));
    EXPECT_EQ(dialog.icon(), QMessageBox::Critical);
    const QString text = dialog.text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("The sound output was lost: the sound server ended or restarted.")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Glasswell reconnects as soon as the sound server is back")));
    EXPECT_FALSE(text.contains(QStringLiteral("sample rate"), Qt::CaseInsensitive));
    EXPECT_FALSE(text.contains(QStringLiteral("Windows")));

    QAbstractButton* rescan = buttonWithText(dialog, QStringLiteral("Rescan"));
    ASSERT_NE(rescan, nullptr);
    dialog.show();
    rescan->click();
    EXPECT_EQ(setup.calls, 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.text().endsWith(QStringLiteral("\t<font color= \"#863d39\">The sound server is not back yet.</font>")))
        << dialog.text().toStdString();
}

TEST(AboutDialog, CentresOnItsParentAndShowsTheVersionInBoldWhite)
{
    QWidget window;
    window.resize(466, 702);
    window.move(100, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // (332, 450) on a platform without window frames; this one may add a
    // frame, which moves the client area and so the centre.
    const QPoint centre = window.mapToGlobal(QPoint(232, 350));
    ASSERT_EQ(centre - window.geometry().topLeft(), QPoint(232, 350));

    AboutDialog about(&window);
    EXPECT_EQ(about.size(), QSize(450, 400));
    EXPECT_EQ(about.pos(), centre - QPoint(225, 200));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_TRUE(about.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(about.windowFlags().testFlag(Qt::Dialog));

    auto* label = about.findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Glasswell 1.0.50 (build 85)"));
    EXPECT_EQ(label->font().weight(), QFont::Bold);
    EXPECT_EQ(label->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(label->x(), 5);
    EXPECT_EQ(label->y() + label->height(), 399);

    auto* close = about.findChild<QToolButton*>();
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->geometry(), QRect(10, 5, 20, 20));
    EXPECT_FALSE(close->icon().isNull());
    about.show();
    ASSERT_TRUE(about.isVisible());
    close->click();
    EXPECT_FALSE(about.isVisible());
}

TEST(LoadPixmap, PicksTheHighDensityVariantFromRatioTwo)
{
    EXPECT_TRUE(loadPixmap(nullptr, QStringLiteral(":about_dialog")).isNull());

    RatioWidget one(1);
    const QPixmap plain = loadPixmap(&one, QStringLiteral(":about_dialog"));
    EXPECT_EQ(plain.size(), QSize(450, 400));
    EXPECT_EQ(plain.devicePixelRatio(), 1.0);

    RatioWidget two(2);
    const QPixmap dense = loadPixmap(&two, QStringLiteral(":about_dialog"));
    EXPECT_EQ(dense.size(), QSize(900, 800));
    EXPECT_EQ(dense.devicePixelRatio(), 2.0);

    RatioWidget three(3);
    const QPixmap denser = loadPixmap(&three, QStringLiteral(":about_dialog"));
    EXPECT_EQ(denser.size(), QSize(900, 800));
    EXPECT_EQ(denser.devicePixelRatio(), 3.0);

    EXPECT_TRUE(loadPixmap(&two, QStringLiteral(":no_such_image")).isNull());
}

TEST(LoadPixmap, EveryImageHasBothVariantsAtTwiceTheSize)
{
    const char* names[] = {"about_dialog", "about_icon", "attributes_icon", "back_icon", "check",
                           "checkbox_bg", "close_icon", "ddp_logo", "devices_icon", "exclamation",
                           "holmgrave_logo", "info", "info_icon", "menu_icon", "minimize_icon",
                           "next_icon", "open_icon", "pattern", "play_icon", "rest_icon", "save_icon",
                           "scroll_down_icon", "scroll_left_icon", "scroll_right_icon", "scroll_up_icon",
                           "sizegrip", "stop_icon", "track_icon"};
    for (const char* name : names) {
        const QPixmap plain(QStringLiteral(":") + QLatin1String(name));
        const QPixmap dense(QStringLiteral(":") + QLatin1String(name) + QStringLiteral("@2x"));
        ASSERT_FALSE(plain.isNull()) << name;
        ASSERT_FALSE(dense.isNull()) << name;
        EXPECT_EQ(dense.size(), plain.size() * 2) << name;
    }
    EXPECT_EQ(QPixmap(QStringLiteral(":holmgrave_logo")).size(), QSize(104, 24));
    EXPECT_EQ(QPixmap(QStringLiteral(":ddp_logo")).size(), QSize(80, 20));
    EXPECT_EQ(QPixmap(QStringLiteral(":check")).size(), QSize(10, 10));
}
