#include "player/ui/LevelMeterWidget.h"

#include "player/ui/FontHelper.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

// Exponent of the scale's power law: level^k is the bar fraction.
constexpr double kScaleExponent = 0.35845402;
// Below this a settling value counts as silence.
constexpr float kFloor = 0.000002f;
// A hold stays this long before it falls.
constexpr qint64 kHoldMs = 1001;

const float kScale[] = {-std::numeric_limits<float>::infinity(), -48.0f, -24.0f, -12.0f,
                        -6.0f, -3.0f, -1.0f, -0.0f};

const QColor kGradientStart(11, 105, 159);
const QColor kGradientEnd(62, 193, 248);

bool holdExpired(const QElapsedTimer& timer)
{
    return !timer.isValid() || timer.elapsed() >= kHoldMs;
}

// The bar area's edges for a widget size; the bar area is an even number of
// pixels high.
struct Frame
{
    int top;
    int bottom;
    int right;
    int barWidth;
};

Frame frameFor(const QSize& size)
{
    Frame f{};
    f.top = static_cast<int>(0.2 * size.height());
    f.bottom = static_cast<int>(0.7 * size.height());
    if ((f.bottom + 1 - f.top) % 2 != 0)
        f.bottom += 1;
    f.right = size.width() - 4;
    f.barWidth = f.right - 12;
    return f;
}

} // namespace

std::vector<LevelMeterWidget::Caption> LevelMeterWidget::captions(const QSize& size)
{
    const Frame f = frameFor(size);
    std::vector<Caption> texts;
    const QFont scaleFont = FontHelper::getFont(FontHelper::Size11);
    const QFontMetrics metrics(scaleFont);
    const int fontHeight = metrics.height();
    bool first = true;
    for (float db : kScale) {
        const int x = static_cast<int>(dbFraction(db) * f.barWidth + 12);
        const QString text = QString::number(db, 'g', 6);
        const int textX = first ? x : x - metrics.horizontalAdvance(text) / 2;
        texts.push_back({text, QPoint(textX, f.bottom + fontHeight), scaleFont, Qt::white});
        first = false;
    }
    texts.push_back({QStringLiteral("L"), QPoint(0, f.top + (f.bottom + 1 - f.top) / 4 + fontHeight / 2 - 1),
                     scaleFont, Qt::white});
    texts.push_back({QStringLiteral("R"),
                     QPoint(0, static_cast<int>(fontHeight / 2 + (f.bottom + 1 - f.top) * 0.75 + f.top - 1)),
                     scaleFont, Qt::white});
    texts.push_back({QStringLiteral("dB"), QPoint(0, f.bottom + fontHeight), FontHelper::getFont(FontHelper::Size10),
                     Qt::gray});
    return texts;
}

LevelMeterWidget::LevelMeterWidget(QWidget* parent)
    : QWidget(parent)
{
    qRegisterMetaType<MeterInfo>("MeterInfo");
    redrawTimer = new QTimer(this);
    connect(redrawTimer, &QTimer::timeout, this, &LevelMeterWidget::redrawTimerExpired);
    redrawTimer->start(16);
    currentState = StoppedOrPaused;
}

double LevelMeterWidget::levelFraction(double level)
{
    return std::pow(level, kScaleExponent);
}

double LevelMeterWidget::dbFraction(double db)
{
    return std::pow(std::pow(10.0, db / 20.0), kScaleExponent);
}

void LevelMeterWidget::reset()
{
    rmsShownLeft = rmsShownRight = 0.0f;
    peakShownLeft = peakShownRight = 0.0f;
    holdLeft = holdRight = 0.0f;
}

void LevelMeterWidget::setState(LevelMeterWidget::State state)
{
    currentState = state;
}

void LevelMeterWidget::levelChanged(MeterInfo info)
{
    if (currentState == StoppedOrPaused || currentState == VolumeSliderMoving)
        decay = 0.1f;
    else if (currentState == Playing)
        decay = 0.05f;
    peakInLeft = info.peakLeft;
    peakInRight = info.peakRight;
    rmsInLeft = info.rmsLeft;
    rmsInRight = info.rmsRight;
}

void LevelMeterWidget::settle(float& value, float input) const
{
    value = value - (value - input) * decay;
    if (!(value - kFloor > 0.0f))
        value = 0.0f;
}

void LevelMeterWidget::redrawTimerExpired()
{
    const auto step = [this](float in, float& shown, float& hold, QElapsedTimer& holdTimer) {
        if (in > shown) {
            peakTimer.restart();
            shown = in;
        } else {
            settle(shown, in);
        }
        if (in > hold) {
            holdTimer.restart();
            hold = in;
        } else if (holdExpired(holdTimer)) {
            settle(hold, in);
        } else if (!(hold - kFloor > 0.0f)) {
            hold = 0.0f;
        }
    };
    step(peakInLeft, peakShownLeft, holdLeft, holdTimerLeft);
    step(peakInRight, peakShownRight, holdRight, holdTimerRight);

    for (auto [in, shown] : {std::pair<float, float*>{rmsInLeft, &rmsShownLeft},
                             std::pair<float, float*>{rmsInRight, &rmsShownRight}}) {
        if (in > *shown) {
            rmsTimer.restart();
            *shown = in;
        } else {
            settle(*shown, in);
        }
    }
    if (currentState == StoppedOrPaused) {
        rmsShownLeft = rmsShownLeft - (rmsShownLeft - rmsInLeft) * decay;
        rmsShownRight = rmsShownRight - (rmsShownRight - rmsInRight) * decay;
    }
    update();
}

void LevelMeterWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Frame frame = frameFor(size());
    const int top = frame.top;
    const int bottom = frame.bottom;
    const int right = frame.right;

    painter.setBrush(QColor(52, 52, 52));
    painter.drawRect(QRect(QPoint(12, top), QPoint(right, bottom)));
    painter.setBrush(Qt::NoBrush);
    bars = QRect(QPoint(13, top), QPoint(right, bottom));
    const int bw = frame.barWidth;
    const int h = bottom - top + 1;

    const float holds[] = {holdLeft, holdRight};
    const float peaks[] = {peakShownLeft, peakShownRight};
    const float rmss[] = {rmsShownLeft, rmsShownRight};
    const int rowStarts[] = {top + 1, static_cast<int>(h * 0.5 + top + 1)};
    for (int channel = 0; channel < 2; ++channel) {
        const int y0 = rowStarts[channel];
        const int rowEnd = y0 + h / 2 - 2;

        const double p = levelFraction(holds[channel]);
        if (p > 0.0) {
            const int w = right - 12;
            const int x = 12 + static_cast<int>(w - (1.0 - p) * w);
            painter.fillRect(QRect(QPoint(13, y0), QPoint(x, rowEnd)), holdColor);
            painter.fillRect(QRect(QPoint(x - 1, y0), QPoint(x, rowEnd)), holdTipColor);
        }

        const double f = levelFraction(peaks[channel]);
        if (f > 0.0) {
            const int x = 13 + static_cast<int>(bw - (1.0 - f) * bw - 2.0);
            QLinearGradient gradient(QPointF(13, y0), QPointF(x, y0 + h / 2 - 1));
            gradient.setColorAt(0.0, kGradientStart);
            gradient.setColorAt(1.0, kGradientEnd);
            barBrush = QBrush(gradient);
            painter.fillRect(QRect(QPoint(13, y0), QPoint(x - 1, y0 + h / 2 - 2)), barBrush);
        }

        const float r = static_cast<float>(levelFraction(rmss[channel]));
        if (r > kFloor) {
            const int x = static_cast<int>(r * static_cast<float>(bw) + 13.0f);
            painter.fillRect(QRect(QPoint(x, y0), QPoint(x, rowEnd)), kGradientStart);
        }
    }

    painter.drawLine(QPoint(13, top + h / 2), QPoint(right, top + h / 2));

    painter.setPen(Qt::darkGray);
    for (float db : kScale) {
        const int x = static_cast<int>(dbFraction(db) * bw + 12);
        painter.drawLine(QPoint(x, top - 3), QPoint(x, top - 7));
    }
    for (const Caption& caption : captions(size())) {
        painter.setFont(caption.font);
        painter.setPen(caption.color);
        painter.drawText(caption.origin, caption.text);
    }
}
