// A row of bar gauges with values in each zone, configured the way the
// bar-graph window configures its bars, at the window's first size.
//
//   gaugegallery [--bars N] [--png FILE]
//
// With --png it saves a picture of itself and ends (also offscreen).
#include "barlayout.h"
#include "gaugesamples.h"
#include "platform/twips.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QWidget>
#include <cstdio>
#include <vector>

using namespace qmxsrv;
using samples::configure;

namespace {

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
        for (std::size_t i = 0; i < bars_.size(); ++i) {
            configure(*bars_[i], samples::sample(i));
            samples::setBarValue(*bars_[i], samples::sample(i).value);
        }
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
