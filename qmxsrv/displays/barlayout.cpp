#include "barlayout.h"

#include "core/numbertext.h"

namespace qmxsrv {

BarRows barRows(int n)
{
    if (n < 1)
        return {};
    BarRows r;
    r.rows = n <= 20 ? 1 : n <= 40 ? 2 : n <= 60 ? 3 : 4;
    r.perRow = roundToInt(double(n) / r.rows);
    r.lastRow = n - (r.rows - 1) * r.perRow;
    return r;
}

std::vector<QRect> layoutBars(int n, const QRectF &client)
{
    const BarRows plan = barRows(n);
    std::vector<QRect> bars;
    if (plan.rows == 0)
        return bars;
    bars.reserve(std::size_t(n));
    const int height = roundToInt(client.height() / plan.rows);
    const int width = roundToInt(client.width() / plan.perRow);
    const int left0 = roundToInt(client.left());
    int top = roundToInt(client.top());
    for (int row = 0; row < plan.rows; ++row) {
        const int inRow = row == plan.rows - 1 ? plan.lastRow : plan.perRow;
        int left = left0;
        for (int i = 0; i < inRow; ++i) {
            bars.emplace_back(left, top, width, height);
            left += width;
        }
        top += height;
    }
    return bars;
}

QString shortCaption(const QString &text)
{
    if (text.size() > 10) {
        const qsizetype blank = text.indexOf(QLatin1Char(' ')) + 1; // 1-based, 0 when none
        if (blank >= 3)
            return text.left(blank);
    }
    return text;
}

float tickSpacing(float top, float bottom)
{
    // The ends' difference is a float, the threshold is not: compare in
    // double, so a range of exactly 0.0001f (just below 0.0001) gets 0.0001.
    const double range = top - bottom;
    return float(range >= 0.0001 ? range / 10 : 0.0001);
}

} // namespace qmxsrv
