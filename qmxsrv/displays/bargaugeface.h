// Where each part of a bar gauge goes at its present size, and how it is
// drawn: caption, scale numbers and ticks, zone strip, bar, marks, readout.
// Nothing of the placing depends on the value, so BarGauge keeps one face
// and one drawing of its backdrop for as long as its settings and size
// stay. Private to BarGauge.
#pragma once

#include "bargauge.h"

#include <QFont>
#include <QRectF>
#include <vector>

class QPainter;

namespace qmxsrv {

class BarGauge::Face {
public:
    explicit Face(const BarGauge &gauge);

    QRectF track() const { return track_; }
    // The filled bar; empty when the value is no number.
    QRectF bar() const;
    // What stays while only the value and the pointer move: background,
    // border, caption, scale, zone strip, the empty track and its marks.
    void paintBackdrop(QPainter &painter) const;
    // Over the backdrop: the bar, the track's frame and marks over it, the
    // pointer and the readout.
    void paintValue(QPainter &painter) const;

private:
    struct Tick {
        double y;
        bool major;
        QString label; // empty: no number at this tick
    };

    double yOf(double v) const;
    bool inRange(double v) const;
    std::vector<double> majorTickValues() const;
    void placeTicks(const std::vector<double> &values);
    void placeHorizontally(double labelWidth, double pointerWidth);

    void paintCaption(QPainter &p) const;
    void paintScale(QPainter &p) const;
    void paintZoneStrip(QPainter &p) const;
    void paintTrackFrameAndMarks(QPainter &p) const;
    void paintMark(QPainter &p, const Mark &mark) const;
    void paintPointer(QPainter &p) const;
    void paintReadout(QPainter &p) const;

    const BarGauge &gauge_;
    const Settings &s_;
    QFont numberFont_;
    QFont captionFont_;
    QFont readoutFont_;
    QString captionText_;
    bool autoNumbers_ = true;
    QRectF inner_;
    QRectF caption_;
    QRectF readout_;
    QRectF track_;
    QRectF strip_;
    double labelLeft_ = 0;
    double labelWidth_ = 0;
    double pointerWidth_ = 0;
    std::vector<Tick> ticks_;
};

} // namespace qmxsrv
