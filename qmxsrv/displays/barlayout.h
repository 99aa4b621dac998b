// The bar-graph window's arithmetic: how bars share the client area, how
// captions are shortened and how far apart the scale's ticks stand.
// Pure functions, no widgets.
#pragma once

#include <QRect>
#include <QRectF>
#include <QString>
#include <vector>

namespace qmxsrv {

// How n bars fall into rows: every row but the last holds perRow bars,
// the last row holds the rest (lastRow), which may be more or fewer.
struct BarRows {
    int rows = 0;
    int perRow = 0;
    int lastRow = 0;
};

// Rows: 1 for up to 20 bars, 2 up to 40, 3 up to 60, 4 beyond;
// perRow = n / rows rounded halves to even. n < 1 gives all zeros.
BarRows barRows(int n);

// The rectangle of each bar, index k = 0 ... n-1, numbered left to right and
// row by row from the top. Every bar has the width of a bar in the first
// row, so a longer last row runs past the client area's right edge and a
// shorter one leaves a gap. Positions and sizes are the client area's,
// divided and rounded halves to even. n < 1 gives no rectangles.
std::vector<QRect> layoutBars(int n, const QRectF &client);

// A caption longer than 10 characters whose first blank stands at position
// p >= 3 (from 1) keeps its first p characters, the blank included;
// any other caption is used whole.
QString shortCaption(const QString &text);

// A tenth of the scale, or 0.0001 when the scale is shorter than that
// (equal or reversed ends, or ends that are not numbers).
float tickSpacing(float top, float bottom);

} // namespace qmxsrv
