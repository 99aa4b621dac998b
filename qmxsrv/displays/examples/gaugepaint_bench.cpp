// What drawing the bars costs a scan tick: every bar of the window gets a
// new value and the whole window is drawn, as after a tick in LVDT mode.
//
//   displays_gaugepaint [passes]
#include "barlayout.h"
#include "gaugesamples.h"
#include "platform/twips.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace qmxsrv;

namespace {

double millisecondsPerTick(int bars, int passes)
{
    QWidget window;
    const double dpi = window.logicalDpiY();
    window.resize(twipsToPixels(10830, dpi), twipsToPixels(6240, dpi));
    const std::vector<QRect> rects = layoutBars(bars, QRectF(window.rect()));
    std::vector<BarGauge *> gauges;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        gauges.push_back(new BarGauge(&window));
        gauges.back()->setGeometry(rects[i]);
        samples::configure(*gauges.back(), samples::sample(i));
    }
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    window.render(&image); // fonts and caches warm
    QElapsedTimer timer;
    timer.start();
    for (int pass = 0; pass < passes; ++pass) {
        for (std::size_t i = 0; i < gauges.size(); ++i)
            samples::setBarValue(*gauges[i], samples::sample(i).value * (pass % 7) / 3);
        window.render(&image);
    }
    return double(timer.nsecsElapsed()) / 1e6 / passes;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    std::printf("bar window at its first size, %d ticks each (a tick comes every 400 ms)\n",
                passes);
    for (int bars : {6, 24, 100})
        std::printf("%4d bars: %7.2f ms to set every value and draw the window\n", bars,
                    millisecondsPerTick(bars, passes));
    return 0;
}
