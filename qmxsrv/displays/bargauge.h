// BarGauge: one vertical bar gauge of the bar-graph window.
//
// The window drives it through the attributes below, one setter each (the
// number is the attribute's dispatch id in the gauge control it replaces):
//
//   11  setValue            the value the bar rises to
//   38  setSelectedMark     0 the pointer mark, 1..4 the limit marks (low
//                           tolerance, low approach, high approach, high
//                           tolerance); the next three act on this mark
//   51  setMarkPosition     where the selected mark stands, in scale units
//   39  setMarkLength       its length across the bar, a fraction of the
//                           bar's width (1 = across the whole bar)
//   52  setMarkThickness    its thickness, a fraction of the scale's length
//                           (0 = a hairline)
// -518  setCaption          the text above the bar
//   56  setScaleTop         the ends of the numbered scale: ticks and numbers
//   57  setScaleBottom      are drawn from one end to the other
//   73  setRangeTop         the ends of the shown range: what is drawn at the
//   72  setRangeBottom      top and bottom of the bar (the window sets them
//                           equal to the scale's ends)
//   62  setTickSpacing      distance between ticks, in scale units
//   35  setDecimals         decimals of the scale numbers and the readout
//                           (0 to 9 are shown; fewer or more show as 0 or 9)
//   76  setRedraw           false: setters only record; true: draw once
//   19  setLabelInterval    number every n-th tick; 0 = as many as fit
//   55  setBarOrigin        0: the bar rises from the range's bottom;
//                           otherwise it starts at zero (a deviation bar)
//   64  setMinorTicks       unnumbered ticks between two ticks (0 to 9)
//    3  setBorderStyle      0: no frame, 1: a frame around the gauge
//    7  setReadoutVisible   the value as digits under the bar
//    4  setScaleFontSize    point size of the numbers; 0 = fit to the width
//    5  setCaptionFontSize  point size of the caption; 0 = fit to the width
//
// The bar's colour tells the zone the value is in (zone()); the caller sets
// no colour, only whether the value is a measurement at all (setMeasured):
// a value that is none is drawn without a zone colour. Values, marks and scales that make no sense
// (outside the range, NaN, equal ends, no tick spacing) are drawn clipped or left out, never fault.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

namespace qmxsrv {

class BarGauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int index READ index WRITE setIndex)

public:
    // Inside the approach marks (2, 3); between an approach and a tolerance
    // mark; beyond a tolerance mark (1, 4), or a value that is no number;
    // no measurement (a failed read, a demonstrating board), whatever its value.
    enum class Zone { Good, Approach, Reject, Unmeasured };

    explicit BarGauge(QWidget *parent = nullptr);
    ~BarGauge() override;

    // Everything the attributes hold (not the index): a new bar starts as a
    // copy of the template bar, its redraw switch too; redraws when that is on.
    void copySettingsFrom(const BarGauge &other);

    // The bar's place in the window's family; reported by activated().
    int index() const { return index_; }
    void setIndex(int index) { index_ = index; }

    void setRedraw(bool on);
    bool redraw() const { return s_.redraw; }

    void setValue(float value);
    float value() const { return s_.value; }
    // Not part of the attributes a window copies: it belongs to the value.
    void setMeasured(bool measured);
    bool measured() const { return measured_; }

    void setSelectedMark(std::int16_t mark);
    std::int16_t selectedMark() const { return s_.selectedMark; }
    // The selected mark's settings; with no valid mark selected the setters
    // change nothing and the getters give 0.
    void setMarkPosition(float position);
    float markPosition() const;
    void setMarkLength(double length);
    double markLength() const;
    void setMarkThickness(double thickness);
    double markThickness() const;
    // Mark m (0..4) whatever is selected; 0 for any other m.
    float markPositionOf(int m) const;

    void setCaption(const QString &caption);
    QString caption() const { return s_.caption; }

    void setScaleTop(float top);
    float scaleTop() const { return s_.scaleTop; }
    void setScaleBottom(float bottom);
    float scaleBottom() const { return s_.scaleBottom; }
    void setRangeTop(float top);
    float rangeTop() const { return s_.rangeTop; }
    void setRangeBottom(float bottom);
    float rangeBottom() const { return s_.rangeBottom; }
    void setTickSpacing(float spacing);
    float tickSpacing() const { return s_.tickSpacing; }
    void setDecimals(std::int16_t decimals);
    std::int16_t decimals() const { return s_.decimals; }

    void setLabelInterval(std::int16_t interval);
    std::int16_t labelInterval() const { return s_.labelInterval; }
    void setBarOrigin(std::int16_t origin);
    std::int16_t barOrigin() const { return s_.barOrigin; }
    void setMinorTicks(std::int16_t count);
    std::int16_t minorTicks() const { return s_.minorTicks; }
    void setBorderStyle(std::int16_t style);
    std::int16_t borderStyle() const { return s_.borderStyle; }
    void setReadoutVisible(bool visible);
    bool readoutVisible() const { return s_.readoutVisible; }
    void setScaleFontSize(double points);
    double scaleFontSize() const { return s_.scaleFontSize; }
    void setCaptionFontSize(double points);
    double captionFontSize() const { return s_.captionFontSize; }

    Zone zone() const;
    static QColor zoneColor(Zone zone);

    // Where the bar's channel and the filled bar stand at the present size,
    // in widget coordinates; the bar is empty for a value that is no number.
    QRect trackRect() const;
    QRect barRect() const;

    // Paint events handled so far: lets a test count the redraws.
    int paintCount() const { return paintCount_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void activated(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    struct Mark {
        float position = 0;
        double length = 1;
        double thickness = 0;
    };
    struct Settings {
        bool redraw = true;
        float value = 0;
        std::int16_t selectedMark = 0;
        std::array<Mark, 5> marks{}; // 0 pointer, 1..4 limit marks
        QString caption;
        float scaleTop = 100;
        float scaleBottom = 0;
        float rangeTop = 100;
        float rangeBottom = 0;
        float tickSpacing = 10;
        std::int16_t decimals = 0;
        std::int16_t labelInterval = 0;
        std::int16_t barOrigin = 0;
        std::int16_t minorTicks = 0;
        std::int16_t borderStyle = 0;
        bool readoutVisible = true;
        double scaleFontSize = 0;
        double captionFontSize = 0;
    };
    class Face;

    Mark *selected();
    const Mark *selected() const;
    template <typename T> void set(T &field, const T &value)
    {
        field = value;
        changed();
    }
    template <typename T> void setMark(T Mark::*field, T value);
    template <typename T> T markField(T Mark::*field) const;
    // Everything but the value and the pointer mark is drawn once into a
    // backdrop and kept until a setting, the size, font or palette changes:
    // a scan's new value then only draws the bar, the marks over it, the
    // pointer and the readout.
    void changed(bool backdrop = true);
    const Face &face() const;
    QString numberText(double value) const;

    Settings s_;
    bool measured_ = true;
    int index_ = 0;
    int paintCount_ = 0;
    mutable std::unique_ptr<Face> face_;
    QPixmap backdrop_;
};

} // namespace qmxsrv
