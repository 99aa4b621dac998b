// A row of bar gauges with values in each zone, configured the way the
// bar-graph window configures its bars, at the window's first size.
//
//   gaugegallery [--bars N] [--png FILE]
//
// With --png it saves a picture of itself and ends (also offscreen).
#include "bargauge.h"
#include "barlayout.h"
#include "displaymath.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QWidget>
#include <cstdio>
#include <vector>

using namespace qmxsrv;

namespace {

struct Sample {
    const char *description;
    float value;
    bool channel; // limit marks of a channel; else marks at the scale's ends
    float bottom, top;
    float loTol, loAppr, hiAppr, hiTol;
    short decimals;
};

const Sample Samples[] = {
    {"Bore diameter A", 0.012f, true, -0.1f, 0.1f, -0.05f, -0.03f, 0.03f, 0.05f, 3},
    {"Bore diameter B", 0.041f, true, -0.1f, 0.1f, -0.05f, -0.03f, 0.03f, 0.05f, 3},
    {"Length", -0.072f, true, -0.1f, 0.1f, -0.05f, -0.03f, 0.03f, 0.05f, 3},
    {"Taper front face", 0.25f, true, -0.1f, 0.1f, -0.05f, -0.03f, 0.03f, 0.05f, 3},
    {"Flatness", 3.4f, true, 0, 10, -1, 0, 5, 8, 1},
    {"LVDT 1", 1.23456f, false, -2, 2, 0, 0, 0, 0, 5},
};

// What the window does to a bar at a rebuild, in the same order.
void configure(BarGauge &bar, const Sample &s)
{
    bar.setRedraw(false);
    bar.setLabelInterval(0);
    bar.setCaption(shortCaption(QString::fromUtf8(s.description)));
    bar.setBarOrigin(0);
    bar.setScaleTop(s.top);
    bar.setScaleBottom(s.bottom);
    bar.setMinorTicks(0);
    bar.setRangeBottom(s.bottom);
    bar.setRangeTop(s.top);
    bar.setTickSpacing(tickSpacing(s.top, s.bottom));
    const float channelMarks[] = {s.loTol, s.loAppr, s.hiAppr, s.hiTol};
    const float endMarks[] = {s.bottom, s.bottom, s.top, s.top};
    for (short m = 1; m <= 4; ++m) {
        bar.setSelectedMark(m);
        bar.setMarkPosition(s.channel ? channelMarks[m - 1] : endMarks[m - 1]);
        bar.setMarkLength(s.channel ? 0.85 : 1);
        bar.setMarkThickness(s.channel ? 0.01 : 0);
    }
    bar.setSelectedMark(0);
    bar.setDecimals(s.decimals);
    bar.setRedraw(true);
    // What a scan tick does.
    bar.setRedraw(false);
    bar.setValue(s.value);
    bar.setMarkPosition(s.value);
    bar.setRedraw(true);
}

class Gallery : public QWidget {
public:
    explicit Gallery(int count)
    {
        setWindowTitle(QStringLiteral("Bar Graphs"));
        BarGauge *first = new BarGauge(this);
        bars_.push_back(first);
        for (int i = 1; i < count; ++i) {
            BarGauge *bar = new BarGauge(this);
            bar->copySettingsFrom(*first);
            bar->setReadoutVisible(true);
            bar->setBorderStyle(0);
            bar->setIndex(i);
            bars_.push_back(bar);
        }
        for (int i = 0; i < count; ++i)
            configure(*bars_[std::size_t(i)], Samples[std::size_t(i) % std::size(Samples)]);
        const double dpi = logicalDpiY();
        resize(twipsToPixels(10830, dpi), twipsToPixels(6240, dpi));
        layOut();
    }

protected:
    void resizeEvent(QResizeEvent *) override { layOut(); }

private:
    void layOut()
    {
        const std::vector<QRect> rects = layoutBars(int(bars_.size()), QRectF(rect()));
        for (std::size_t k = 0; k < rects.size(); ++k)
            bars_[k]->setGeometry(rects[k]);
    }

    std::vector<BarGauge *> bars_;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("png"), QStringLiteral("Save a picture to FILE and end."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("bars"), QStringLiteral("Number of gauges (1 to 100)."),
                      QStringLiteral("N"), QStringLiteral("6")});
    parser.process(app);

    Gallery gallery(std::clamp(parser.value(QStringLiteral("bars")).toInt(), 1, 100));
    if (parser.isSet(QStringLiteral("png"))) {
        const QString file = parser.value(QStringLiteral("png"));
        if (!gallery.grab().save(file)) {
            std::fprintf(stderr, "gaugegallery: cannot write %s\n", qPrintable(file));
            return 1;
        }
        return 0;
    }
    gallery.show();
    return app.exec();
}
