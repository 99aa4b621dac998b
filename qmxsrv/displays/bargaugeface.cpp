#include "bargaugeface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace qmxsrv {

namespace {

// A scale of thousands of ticks (a spacing of 0.0001 over a wide scale) is
// thinned to this many; it also keeps a broken spacing from looping for long.
constexpr int MaxTicks = 100;
constexpr double MajorTick = 5;
constexpr double MinorTick = 3;
constexpr double StripWidth = 3;
constexpr double Gap = 3;
constexpr double MinTrack = 8;

const QColor TrackFrame(0x5a, 0x5a, 0x5a);
const QColor MarkColor(0x1c, 0x1c, 0x1c);

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// Automatic fonts grow with the gauge's width, within readable bounds.
QFont sizedFont(const QFont &base, double points, int autoPixels, bool bold)
{
    QFont f(base);
    if (points > 0 && std::isfinite(points))
        f.setPointSizeF(std::min(points, 200.0));
    else
        f.setPixelSize(autoPixels);
    f.setBold(bold);
    return f;
}

// Smaller and smaller until the text fits, down to 7 pixels.
void shrinkToFit(QFont &font, const QString &text, double width, bool automatic)
{
    if (!automatic)
        return;
    while (font.pixelSize() > 7 && QFontMetricsF(font).horizontalAdvance(text) > width)
        font.setPixelSize(font.pixelSize() - 1);
}

} // namespace

BarGauge::Face::Face(const BarGauge &gauge) : gauge_(gauge), s_(gauge.s_)
{
    inner_ = QRectF(gauge.rect()).adjusted(2, 2, -2, -2);
    if (s_.borderStyle != 0)
        inner_.adjust(1, 1, -1, -1);
    const int px = int(std::clamp(std::round(inner_.width() * 0.14), 8.0, 12.0));
    autoNumbers_ = !(s_.scaleFontSize > 0);
    const bool autoCaption = !(s_.captionFontSize > 0);
    numberFont_ = sizedFont(gauge.font(), s_.scaleFontSize, px, false);
    readoutFont_ = sizedFont(gauge.font(), s_.scaleFontSize, px + 1, true);
    captionFont_ = sizedFont(gauge.font(), s_.captionFontSize, px + 1, true);

    shrinkToFit(captionFont_, s_.caption, inner_.width(), autoCaption);
    captionText_ =
        QFontMetricsF(captionFont_).elidedText(s_.caption, Qt::ElideRight, inner_.width());

    // Top to bottom: caption, half a number's height so the top number fits,
    // the track, the same half height, the readout.
    const double numberHalf = QFontMetricsF(numberFont_).height() / 2;
    double top = inner_.top();
    if (!s_.caption.isEmpty()) {
        caption_ = QRectF(inner_.left(), top, inner_.width(), QFontMetricsF(captionFont_).height());
        top = caption_.bottom() + 2;
    }
    double bottom = inner_.bottom();
    if (s_.readoutVisible) {
        // As high as the readout's largest font, so the track stays put
        // whatever number it shows.
        const double h = QFontMetricsF(readoutFont_).height() + 4;
        readout_ = QRectF(inner_.left(), bottom - h, inner_.width(), h);
        bottom = readout_.top() - 2;
    }
    track_ = QRectF(0, top + numberHalf, 0, std::max(1.0, bottom - top - 2 * numberHalf));

    placeTicks(majorTickValues());
    double labelWidth = 0;
    const QFontMetricsF fm(numberFont_);
    for (const Tick &t : ticks_)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(t.label));
    placeHorizontally(labelWidth, std::max(5.0, std::round(px * 0.75)));
}

// Ticks start at the scale's lower end and stand tickSpacing apart.
std::vector<double> BarGauge::Face::majorTickValues() const
{
    const double lo = std::min(s_.scaleBottom, s_.scaleTop);
    const double hi = std::max(s_.scaleBottom, s_.scaleTop);
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return {};
    double step = s_.tickSpacing;
    if (!(step > 0) || !std::isfinite(step) || hi == lo)
        return hi == lo ? std::vector<double>{lo} : std::vector<double>{lo, hi};
    // The spacing is a float: ten of them may overshoot the range by a
    // rounding error, which must neither drop the top tick nor move it.
    const double slack = step * 1e-4;
    double count = std::floor((hi - lo + slack) / step) + 1;
    if (count > MaxTicks) {
        step *= std::ceil(count / MaxTicks);
        count = std::floor((hi - lo + slack) / step) + 1;
    }
    std::vector<double> values;
    for (int i = 0; i < int(count); ++i) {
        double v = lo + i * step;
        if (std::fabs(v - hi) < slack)
            v = hi;
        if (std::fabs(v) < slack)
            v = 0; // no "-0.000" from a sum that misses zero by a rounding error
        values.push_back(v);
    }
    return values;
}

void BarGauge::Face::placeTicks(const std::vector<double> &values)
{
    const double textHeight = QFontMetricsF(numberFont_).height();
    const double stepPixels = values.size() > 1 ? std::fabs(yOf(values[1]) - yOf(values[0])) : 0;
    int every = s_.labelInterval;
    if (every < 1)
        every = stepPixels > 0 ? int(std::min(std::ceil(textHeight * 1.1 / stepPixels), 1e6)) : 1;
    const int minor = std::clamp<int>(s_.minorTicks, 0, 9);
    const bool minorFits = stepPixels / (minor + 1) >= 3;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!inRange(values[i]))
            continue;
        ticks_.push_back({yOf(values[i]), true,
                          i % std::size_t(every) == 0 ? gauge_.numberText(values[i]) : QString()});
        if (!minorFits || i + 1 == values.size())
            continue;
        for (int j = 1; j <= minor; ++j) {
            const double v = values[i] + (values[i + 1] - values[i]) * j / (minor + 1);
            if (inRange(v))
                ticks_.push_back({yOf(v), false, QString()});
        }
    }
}

// Left to right: numbers, ticks, zone strip, track, pointer; numbers are
// left out when they would squeeze the track below its least width.
void BarGauge::Face::placeHorizontally(double labelWidth, double pointerWidth)
{
    const double fixed = MajorTick + StripWidth + pointerWidth;
    if (labelWidth + Gap + fixed + MinTrack > inner_.width()) {
        labelWidth = 0;
        for (Tick &t : ticks_)
            t.label.clear();
    }
    const double labelsAndGap = labelWidth > 0 ? labelWidth + Gap : 0;
    const double wanted = std::clamp(inner_.width() * 0.3, 10.0, 44.0);
    const double trackWidth =
        std::max(1.0, std::min(wanted, inner_.width() - labelsAndGap - fixed));
    const double total = labelsAndGap + fixed + trackWidth;
    const double left = inner_.left() + std::max(0.0, (inner_.width() - total) / 2);
    labelLeft_ = left;
    labelWidth_ = labelWidth;
    pointerWidth_ = pointerWidth;
    strip_ = QRectF(left + labelsAndGap + MajorTick, track_.top(), StripWidth, track_.height());
    track_.setLeft(strip_.right());
    track_.setWidth(trackWidth);
}

// Scale units to a y coordinate, clipped to the track; NaN stays NaN.
double BarGauge::Face::yOf(double v) const
{
    const double span = double(s_.rangeTop) - s_.rangeBottom;
    double t = 0.5; // a range without length puts everything in the middle
    if (span != 0 && std::isfinite(span))
        t = (v - s_.rangeBottom) / span;
    if (std::isnan(v) || std::isnan(t))
        return std::nan("");
    return track_.bottom() - clamp01(t) * track_.height();
}

bool BarGauge::Face::inRange(double v) const
{
    const double lo = std::min(s_.rangeBottom, s_.rangeTop);
    const double hi = std::max(s_.rangeBottom, s_.rangeTop);
    return v >= lo && v <= hi;
}

QRectF BarGauge::Face::bar() const
{
    const double base = s_.barOrigin == 0 ? double(s_.rangeBottom) : 0.0;
    const double y0 = yOf(base);
    const double y1 = yOf(s_.value);
    if (std::isnan(y0) || std::isnan(y1))
        return {};
    const QRectF inside = track_.adjusted(1, 0, -1, 0);
    return QRectF(inside.left(), std::min(y0, y1), std::max(0.0, inside.width()),
                  std::fabs(y1 - y0));
}

void BarGauge::Face::paintBackdrop(QPainter &p) const
{
    p.fillRect(gauge_.rect(), gauge_.palette().window());
    if (s_.borderStyle != 0) {
        p.setPen(gauge_.palette().color(QPalette::Mid));
        p.drawRect(QRectF(gauge_.rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    paintCaption(p);
    paintScale(p);
    paintZoneStrip(p);
    p.fillRect(track_, gauge_.palette().color(QPalette::Base));
    paintTrackFrameAndMarks(p);
}

void BarGauge::Face::paintValue(QPainter &p) const
{
    p.fillRect(bar(), zoneColor(gauge_.zone()));
    paintTrackFrameAndMarks(p);
    paintPointer(p);
    paintReadout(p);
}

void BarGauge::Face::paintCaption(QPainter &p) const
{
    if (caption_.isEmpty())
        return;
    p.setFont(captionFont_);
    p.setPen(gauge_.palette().color(QPalette::WindowText));
    p.drawText(caption_, Qt::AlignHCenter | Qt::AlignVCenter, captionText_);
}

void BarGauge::Face::paintScale(QPainter &p) const
{
    const QColor ink = gauge_.palette().color(QPalette::WindowText);
    const double height = QFontMetricsF(numberFont_).height();
    p.setFont(numberFont_);
    p.setPen(QPen(ink, 1));
    for (const Tick &t : ticks_) {
        const double y = std::round(t.y) + 0.5;
        const double length = t.major ? MajorTick : MinorTick;
        p.drawLine(QPointF(strip_.left() - length, y), QPointF(strip_.left(), y));
        if (!t.label.isEmpty())
            p.drawText(QRectF(labelLeft_, t.y - height / 2, labelWidth_, height),
                       Qt::AlignRight | Qt::AlignVCenter, t.label);
    }
}

// The zones along the scale: red beyond the tolerance marks, amber between
// them, green between the approach marks, as zone() classifies a value.
void BarGauge::Face::paintZoneStrip(QPainter &p) const
{
    const auto band = [this](int a, int b) {
        const double ya = yOf(s_.marks[std::size_t(a)].position);
        const double yb = yOf(s_.marks[std::size_t(b)].position);
        if (std::isnan(ya) || std::isnan(yb))
            return QRectF();
        return QRectF(strip_.left(), std::min(ya, yb), strip_.width(), std::fabs(yb - ya));
    };
    const QRectF tolerance = band(1, 4);
    p.fillRect(strip_, zoneColor(Zone::Reject));
    p.fillRect(tolerance, zoneColor(Zone::Approach));
    p.fillRect(band(2, 3).intersected(tolerance), zoneColor(Zone::Good));
}

void BarGauge::Face::paintTrackFrameAndMarks(QPainter &p) const
{
    p.setPen(QPen(TrackFrame, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(track_.adjusted(0.5, 0.5, -0.5, -0.5));
    for (std::size_t m = 1; m < s_.marks.size(); ++m)
        if (inRange(s_.marks[m].position))
            paintMark(p, s_.marks[m]);
}

// A mark is a bar across the track, centred, sized as its two settings say.
void BarGauge::Face::paintMark(QPainter &p, const Mark &mark) const
{
    const double y = yOf(mark.position);
    if (std::isnan(y))
        return;
    const double width = std::isnan(mark.length) ? 0 : clamp01(mark.length) * track_.width();
    const double thick =
        std::max(1.0, std::isnan(mark.thickness) ? 0 : clamp01(mark.thickness) * track_.height());
    p.fillRect(QRectF(track_.center().x() - width / 2, std::round(y - thick / 2), width, thick),
               MarkColor);
}

// The pointer mark also carries an arrow beside the track, so the value's
// place shows even where the bar is short or empty.
void BarGauge::Face::paintPointer(QPainter &p) const
{
    const Mark &pointer = s_.marks[0];
    const double y = yOf(pointer.position);
    if (std::isnan(y))
        return;
    paintMark(p, pointer);
    const double x = track_.right() + 1;
    const double half = pointerWidth_ * 0.6;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(MarkColor);
    p.drawPolygon(QPolygonF({QPointF(x, y), QPointF(x + pointerWidth_, y - half),
                             QPointF(x + pointerWidth_, y + half)}));
    p.restore();
}

void BarGauge::Face::paintReadout(QPainter &p) const
{
    if (readout_.isEmpty())
        return;
    const QString text = std::isfinite(s_.value) ? gauge_.numberText(s_.value) : QString();
    QFont font = readoutFont_;
    shrinkToFit(font, text, inner_.width() - 6, autoNumbers_);
    const QFontMetricsF fm(font);
    const double textWidth = fm.horizontalAdvance(text);
    const double width =
        std::min(readout_.width(), std::max(textWidth + 8, track_.width() + 2 * pointerWidth_));
    const QRectF box(readout_.center().x() - width / 2, readout_.top(), width, readout_.height());
    p.fillRect(box, gauge_.palette().color(QPalette::Base));
    p.setPen(QPen(TrackFrame, 1));
    p.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    // A number is never cut short: one that does not fit is not shown.
    if (textWidth <= box.width() - 2) {
        p.setFont(font);
        p.setPen(gauge_.palette().color(QPalette::Text));
        p.drawText(box, Qt::AlignCenter, text);
    }
}

} // namespace qmxsrv
