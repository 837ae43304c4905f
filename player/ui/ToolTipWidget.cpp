#include "player/ui/ToolTipWidget.h"

#include "player/ui/Constants.h"

#include <QAbstractItemModel>
#include <QCloseEvent>
#include <QCursor>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QPalette linePalette(int shownLine)
{
    QPalette palette;
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(Qt::darkGray, Qt::SolidPattern));
    const QColor background = shownLine % 2 == 1 ? transparentColor : panelColor;
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(background, Qt::SolidPattern));
    return palette;
}

QLabel* lineLabel(const QString& text, QWidget* parent, int shownLine)
{
    auto* label = new QLabel(text, parent);
    label->setContentsMargins(10, 0, 10, 0);
    label->setPalette(linePalette(shownLine));
    label->setAutoFillBackground(true);
    return label;
}

} // namespace

bool ToolTipWidget::isBlankValue(const QString& value)
{
    if (value.isEmpty())
        return true;
    const auto only = [&value](QChar c) {
        return std::all_of(value.begin(), value.end(), [c](QChar v) { return v == c; });
    };
    // Unused descriptor fields are padded with blanks, zero digits or NULs.
    return only(QLatin1Char(' ')) || only(QLatin1Char('0')) || only(QChar(0));
}

ToolTipWidget::ToolTipWidget(const QAbstractItemModel* model, int row, QWidget* parent)
    : QWidget(parent)
{
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    bold.setFamily(fontFamily);
    setFont(bold);
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* outer = new QVBoxLayout(this);
    outer->setSpacing(0);
    outer->setContentsMargins(1, 0, 1, 0);

    content = new ContentWidget(this);
    content->setAttribute(Qt::WA_TranslucentBackground);
    auto* lines = new QVBoxLayout(content);
    lines->setSpacing(0);
    lines->setContentsMargins(0, 20, 0, 10);

    int shown = 0;
    const bool validRow = model && row >= 0 && row < model->rowCount();
    for (int i = 0; validRow && i < static_cast<int>(columnNames.size()) && i < model->columnCount(); ++i) {
        const QString value = model->data(model->index(row, i), Qt::DisplayRole).toString();
        if (isBlankValue(value))
            continue;
        ++shown;
        auto* line = new QHBoxLayout;
        line->setSpacing(0);
        QLabel* name = lineLabel(QString::fromStdString(columnNames[static_cast<std::size_t>(i)]), content, shown);
        name->setFixedWidth(100);
        QLabel* text = lineLabel(value, content, shown);
        text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        line->addWidget(name);
        line->addWidget(text);
        lines->addLayout(line);
    }

    outer->addWidget(content);
    adjustSize();
    installEventFilter(this);
    buildOutline();
}

void ToolTipWidget::buildOutline()
{
    const qreal w = width();
    const qreal h = height();
    const qreal r = 0.04 * (h - 10);
    const QRectF topLeft(0, 10, 10, r);
    outline.arcMoveTo(topLeft, 180);
    outline.arcTo(topLeft, 180, -90);
    // The pointer: a triangle with its tip at (20, 0).
    outline.lineTo(10, 10);
    outline.lineTo(20, 0);
    outline.lineTo(30, 10);
    outline.arcTo(QRectF(w - 10, 10, 10, r), 90, -90);
    outline.arcTo(QRectF(w - 10, h - r, 10, r), 0, -90);
    outline.arcTo(QRectF(0, h - r, 10, r), 270, -90);
    outline.closeSubpath();
}

void ToolTipWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(outline, QColor(23, 24, 25));
    painter.strokePath(outline, QPen(Qt::gray, 1.5));
}

bool ToolTipWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close) {
        // A close with the pointer outside the outline is a click elsewhere:
        // the info button goes back to unchecked.
        const QPoint cursor = mapFromGlobal(QCursor::pos());
        if (!outline.contains(cursor)) {
            if (auto* button = qobject_cast<QToolButton*>(parentWidget()))
                button->setChecked(false);
            close();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ToolTipWidget::closeEvent(QCloseEvent*)
{
    deleteLater();
}
