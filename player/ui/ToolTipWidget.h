#pragma once

// The popup that a row's info button opens: the row's non-blank column
// values, each beside its column name, in alternately shaded lines inside a
// rounded dark outline with a small pointer at the top edge (its tip at
// (20, 0)). It closes like any popup on a click elsewhere, then unchecks the
// info button that opened it, and deletes itself.
// GUI thread only.

#include <QPainterPath>
#include <QWidget>

class QAbstractItemModel;

// The panel that holds the lines.
class ContentWidget : public QWidget
{
public:
    using QWidget::QWidget;
};

class ToolTipWidget : public QWidget
{
public:
    // model: what the track table shows (its sort proxy); row: the row in it;
    // parent: the info button. The caller positions and shows the popup.
    ToolTipWidget(const QAbstractItemModel* model, int row, QWidget* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;

    const QPainterPath& outlinePath() const { return outline; }
    ContentWidget* contentWidget() const { return content; }

    // True for the values that get no line: empty, only blanks, only zeros.
    static bool isBlankValue(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildOutline();

    ContentWidget* content = nullptr;
    QPainterPath outline;
};
