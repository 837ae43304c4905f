// The track info popup: which values it lists, how its lines are shaded,
// its outline, and what closing it does to the info button.

#include "player/ui/ToolTipWidget.h"

#include "player/ui/Constants.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QStandardItemModel>
#include <QToolButton>

#include <map>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace {

// One table row; columns without a value stay empty.
std::unique_ptr<QStandardItemModel> rowModel(const std::map<int, QString>& values)
{
    auto model = std::make_unique<QStandardItemModel>(2, 13);
    for (const auto& [column, text] : values)
        model->setItem(1, column, new QStandardItem(text));
    return model;
}

// The shown lines as (name, value, window colour), top to bottom.
struct Line {
    QString name;
    QString value;
    QColor window;
};

std::vector<Line> linesOf(const ToolTipWidget& popup)
{
    std::vector<Line> lines;
    const QList<QLabel*> labels = popup.contentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    for (int i = 0; i + 1 < labels.size(); i += 2)
        lines.push_back({labels[i]->text(), labels[i + 1]->text(), labels[i]->palette().color(QPalette::Window)});
    return lines;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

TEST(ToolTipWidget, ListsOnlyNonBlankValuesWithShadingAlternatingOverShownLines)
{
    auto model = rowModel({{0, QStringLiteral("Track")},
                           {1, QStringLiteral("03")},
                           {2, QStringLiteral("01")},
                           {5, QStringLiteral("   ")},
                           {6, QStringLiteral("Someone")},
                           {11, QStringLiteral("000000000000")},
                           {12, QStringLiteral("0 0")}});
    QToolButton button;
    auto* popup = new ToolTipWidget(model.get(), 1, &button);
    const std::vector<Line> lines = linesOf(*popup);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].name, QStringLiteral("Type"));
    EXPECT_EQ(lines[1].name, QStringLiteral("Track"));
    EXPECT_EQ(lines[2].name, QStringLiteral("Index"));
    EXPECT_EQ(lines[3].name, QStringLiteral("Performer"));
    EXPECT_EQ(lines[3].value, QStringLiteral("Someone"));
    // A mix of blanks and zeros is a value.
    EXPECT_EQ(lines[4].name, QStringLiteral("Usertext"));
    EXPECT_EQ(lines[4].value, QStringLiteral("0 0"));
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].window, i % 2 == 0 ? transparentColor : panelColor) << i;
    delete popup;
}

TEST(ToolTipWidget, BlankValuesAndRowsOutsideTheModelGiveNoLines)
{
    EXPECT_TRUE(ToolTipWidget::isBlankValue(QString()));
    EXPECT_TRUE(ToolTipWidget::isBlankValue(QStringLiteral("    ")));
    EXPECT_TRUE(ToolTipWidget::isBlankValue(QStringLiteral("0000")));
    EXPECT_TRUE(ToolTipWidget::isBlankValue(QString(3, QChar(0))));
    EXPECT_FALSE(ToolTipWidget::isBlankValue(QStringLiteral(" 0")));
    EXPECT_FALSE(ToolTipWidget::isBlankValue(QStringLiteral("00:02")));

    auto model = rowModel({{0, QStringLiteral("Track")}});
    QToolButton button;
    for (int row : {-1, 2, 500}) {
        ToolTipWidget popup(model.get(), row, &button);
        EXPECT_TRUE(linesOf(popup).empty()) << row;
    }
    ToolTipWidget noModel(nullptr, 0, &button);
    EXPECT_TRUE(linesOf(noModel).empty());
}

TEST(ToolTipWidget, OutlineHasItsPointerTipTwentyPixelsFromTheLeftEdge)
{
    auto model = rowModel({{0, QStringLiteral("Track")}, {1, QStringLiteral("01")}});
    QToolButton button;
    ToolTipWidget popup(model.get(), 1, &button);
    const QPainterPath& outline = popup.outlinePath();
    const QRectF bounds = outline.boundingRect();
    EXPECT_DOUBLE_EQ(bounds.top(), 0.0);
    EXPECT_DOUBLE_EQ(bounds.left(), 0.0);
    EXPECT_DOUBLE_EQ(bounds.right(), popup.width());
    EXPECT_DOUBLE_EQ(bounds.bottom(), popup.height());
    EXPECT_TRUE(outline.contains(QPointF(20, 2)));
    EXPECT_FALSE(outline.contains(QPointF(12, 2)));
    EXPECT_FALSE(outline.contains(QPointF(28, 2)));
    EXPECT_TRUE(outline.contains(QPointF(popup.width() / 2.0, popup.height() / 2.0)));
    EXPECT_TRUE(popup.windowFlags() & Qt::Popup);
    EXPECT_TRUE(popup.testAttribute(Qt::WA_DeleteOnClose));
}

TEST(ToolTipWidget, ClosingWithThePointerOutsideUnchecksTheButtonAndDeletesThePopup)
{
    auto model = rowModel({{0, QStringLiteral("Track")}, {1, QStringLiteral("01")}});
    QToolButton button;
    button.setCheckable(true);
    button.setChecked(true);
    QPointer<ToolTipWidget> popup = new ToolTipWidget(model.get(), 1, &button);
    popup->move(100, 100);
    popup->show();
    QCursor::setPos(popup->mapToGlobal(QPoint(popup->width() + 50, popup->height() + 50)));
    popup->close();
    EXPECT_FALSE(button.isChecked());
    flushDeletes();
    EXPECT_TRUE(popup.isNull());
}

TEST(ToolTipWidget, ClosingWithThePointerOverTheOutlineKeepsTheButtonChecked)
{
    auto model = rowModel({{0, QStringLiteral("Track")}, {1, QStringLiteral("01")}});
    QToolButton button;
    button.setCheckable(true);
    button.setChecked(true);
    QPointer<ToolTipWidget> popup = new ToolTipWidget(model.get(), 1, &button);
    popup->move(100, 100);
    popup->show();
    QCursor::setPos(popup->mapToGlobal(QPoint(popup->width() / 2, popup->height() / 2)));
    popup->close();
    EXPECT_TRUE(button.isChecked());
    flushDeletes();
    EXPECT_TRUE(popup.isNull());
}
