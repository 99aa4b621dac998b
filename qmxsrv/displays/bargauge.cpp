#include "bargauge.h"

#include "bargaugeface.h"

#include "core/numbertext.h"
#include "core/verdict.h"
#include "platform/qttext.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace qmxsrv {

BarGauge::BarGauge(QWidget *parent) : QWidget(parent)
{
    s_.marks[3].position = s_.marks[4].position = s_.scaleTop;
}

BarGauge::~BarGauge() = default;

void BarGauge::copySettingsFrom(const BarGauge &other)
{
    s_ = other.s_;
    changed();
}

void BarGauge::setRedraw(bool on)
{
    s_.redraw = on;
    if (on)
        update();
}

// The window brackets each group of changes with the redraw switch, so a
// bar is drawn once per group; Qt also merges the updates of one pass.
void BarGauge::changed(bool backdrop)
{
    if (backdrop) {
        face_.reset();
        backdrop_ = QPixmap();
    }
    if (s_.redraw)
        update();
}

const BarGauge::Face &BarGauge::face() const
{
    if (!face_)
        face_ = std::make_unique<Face>(*this);
    return *face_;
}

void BarGauge::setValue(float value)
{
    s_.value = value;
    changed(false);
}

void BarGauge::setMeasured(bool measured)
{
    if (measured_ == measured)
        return;
    measured_ = measured;
    changed(false);
}

void BarGauge::setSelectedMark(std::int16_t mark) { s_.selectedMark = mark; }

BarGauge::Mark *BarGauge::selected()
{
    return s_.selectedMark >= 0 && std::size_t(s_.selectedMark) < s_.marks.size()
               ? &s_.marks[std::size_t(s_.selectedMark)]
               : nullptr;
}

const BarGauge::Mark *BarGauge::selected() const
{
    return const_cast<BarGauge *>(this)->selected();
}

template <typename T> void BarGauge::setMark(T Mark::*field, T value)
{
    if (Mark *m = selected()) {
        m->*field = value;
        changed(s_.selectedMark != 0); // the pointer is drawn with the value
    }
}

template <typename T> T BarGauge::markField(T Mark::*field) const
{
    const Mark *m = selected();
    return m ? m->*field : T(0);
}

void BarGauge::setMarkPosition(float position) { setMark(&Mark::position, position); }

float BarGauge::markPosition() const { return markField(&Mark::position); }

void BarGauge::setMarkLength(double length) { setMark(&Mark::length, length); }

double BarGauge::markLength() const { return markField(&Mark::length); }

void BarGauge::setMarkThickness(double thickness) { setMark(&Mark::thickness, thickness); }

double BarGauge::markThickness() const { return markField(&Mark::thickness); }

float BarGauge::markPositionOf(int m) const
{
    return m >= 0 && std::size_t(m) < s_.marks.size() ? s_.marks[std::size_t(m)].position : 0;
}

void BarGauge::setCaption(const QString &caption) { set(s_.caption, caption); }

void BarGauge::setScaleTop(float top) { set(s_.scaleTop, top); }

void BarGauge::setScaleBottom(float bottom) { set(s_.scaleBottom, bottom); }

void BarGauge::setRangeTop(float top) { set(s_.rangeTop, top); }

void BarGauge::setRangeBottom(float bottom) { set(s_.rangeBottom, bottom); }

void BarGauge::setTickSpacing(float spacing) { set(s_.tickSpacing, spacing); }

void BarGauge::setDecimals(std::int16_t decimals) { set(s_.decimals, decimals); }

void BarGauge::setLabelInterval(std::int16_t interval) { set(s_.labelInterval, interval); }

void BarGauge::setBarOrigin(std::int16_t origin) { set(s_.barOrigin, origin); }

void BarGauge::setMinorTicks(std::int16_t count) { set(s_.minorTicks, count); }

void BarGauge::setBorderStyle(std::int16_t style) { set(s_.borderStyle, style); }

void BarGauge::setReadoutVisible(bool visible) { set(s_.readoutVisible, visible); }

void BarGauge::setScaleFontSize(double points) { set(s_.scaleFontSize, points); }

void BarGauge::setCaptionFontSize(double points) { set(s_.captionFontSize, points); }

// The marks 1..4 are the low tolerance, low approach, high approach and high
// tolerance limits; the one verdict function judges them.
BarGauge::Zone BarGauge::zone() const
{
    if (!measured_)
        return Zone::Unmeasured;
    const auto mark = [this](int i) { return double(s_.marks[std::size_t(i)].position); };
    switch (verdict(s_.value, mark(1), mark(2), mark(3), mark(4))) {
    case Verdict::Good: return Zone::Good;
    case Verdict::Approach: return Zone::Approach;
    default: return Zone::Reject;
    }
}

QColor BarGauge::zoneColor(Zone zone)
{
    switch (zone) {
    case Zone::Good: return QColor(0x2e, 0xa0, 0x43);
    case Zone::Approach: return QColor(0xf2, 0xa9, 0x00);
    case Zone::Unmeasured: return QColor(0x9e, 0x9e, 0x9e);
    case Zone::Reject: break;
    }
    return QColor(0xd9, 0x2d, 0x20);
}

QRect BarGauge::trackRect() const { return face().track().toAlignedRect(); }

QRect BarGauge::barRect() const { return face().bar().toAlignedRect(); }

// Scale numbers and the readout are the value texts without their sign
// blank, and with no lone point when there are no decimals. Decimals beyond
// what a float holds are not shown.
QString BarGauge::numberText(double value) const
{
    // The program's value format, without the blank that stands for a plus
    // sign and without the point that ends a number with no decimals: a
    // scale label has no room for either.
    std::string text = formatValue(value, std::clamp<int>(s_.decimals, 0, 9));
    if (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return qtText(text);
}

QSize BarGauge::sizeHint() const { return QSize(80, 240); }

QSize BarGauge::minimumSizeHint() const { return QSize(12, 40); }

void BarGauge::paintEvent(QPaintEvent *)
{
    ++paintCount_;
    const qreal ratio = devicePixelRatioF();
    if (backdrop_.isNull() || backdrop_.devicePixelRatio() != ratio) {
        backdrop_ = QPixmap(size() * ratio);
        backdrop_.setDevicePixelRatio(ratio);
        QPainter p(&backdrop_);
        face().paintBackdrop(p);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, backdrop_);
    face().paintValue(painter);
}

void BarGauge::resizeEvent(QResizeEvent *event)
{
    changed();
    QWidget::resizeEvent(event);
}

void BarGauge::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange: changed(); break;
    default: break;
    }
    QWidget::changeEvent(event);
}

void BarGauge::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit activated(index_);
    QWidget::mouseDoubleClickEvent(event);
}

} // namespace qmxsrv
