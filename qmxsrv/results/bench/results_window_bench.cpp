// The results window on a large store: 1,000,000 parts, the last 10,000 of
// one setup shown with 24 channels. Times opening the window (the store's
// query, the table and the charts, then the first paint) and one recorded
// part arriving in the open window.
#include "core/messageboxes.h"
#include "platform/offscreen.h"
#include "platform/scriptedfiledialogs.h"
#include "quality/bench/resultsbench.h"
#include "results/formresults.h"
#include "results/partsmodel.h"
#include "results/resultscharts.h"

#include <QApplication>
#include <QSpinBox>

#include <filesystem>

using namespace qmxsrv;
using namespace qmxsrv::bench;

// Every box answered at once: there is no one to answer it.
using QuietBoxes = ScriptedMessageBoxes;

int main(int argc, char **argv)
{
    useOffscreenWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    std::string pattern = (std::filesystem::temp_directory_path() / "qmxbench-XXXXXX").string();
    const std::filesystem::path folder = ::mkdtemp(pattern.data());
    const std::string path = (folder / "results.sqlite").string();
    std::printf("filling 1,000,000 parts (the last 100,000 with 24 channels)...\n");
    fill(path, 1000000, 24, 900001);
    std::string error;
    auto store = ResultsStore::open(path, false, error);
    if (!store) {
        std::printf("cannot open the store: %s\n", error.c_str());
        return 1;
    }
    ScriptedFileDialogs dialogs;
    QuietBoxes boxes;
    const std::string settings = (folder / "window.conf").string();

    std::vector<double> open, paint;
    for (int run = 0; run < 7; ++run) {
        FormResults window(*store, dialogs, boxes, settings);
        window.findChild<QSpinBox *>(QStringLiteral("SpinLast"))->setValue(10000);
        open.push_back(times(1, [&] { window.showFor("setup0"); })[0]);
        paint.push_back(times(1, [&] { window.grab(); })[0]);
        if (window.model().rowCount() != 10000)
            std::printf("shown %d parts, not 10,000\n", window.model().rowCount());
    }
    std::sort(open.begin(), open.end());
    std::sort(paint.begin(), paint.end());
    print("open: query, table and charts", open, 300);
    print("open: first paint of the window", paint, 300);

    FormResults window(*store, dialogs, boxes, settings);
    window.findChild<QSpinBox *>(QStringLiteral("SpinLast"))->setValue(10000);
    window.showFor("setup0");
    PartRow part = window.model().parts().back();
    print("append one part (table and charts)",
          times(50,
                [&] {
                    part.id += 10;
                    window.partRecorded(part);
                }),
          10);
    print("append one part and paint",
          times(20,
                [&] {
                    part.id += 10;
                    window.partRecorded(part);
                    window.grab();
                }),
          10);
    // Where an append's time goes: the table's model alone, the charts alone.
    PartsModel model;
    model.reset(window.model().parts());
    print("  the parts table's model alone",
          times(50,
                [&] {
                    part.id += 10;
                    model.append(part, 10000);
                }),
          10);
    ResultsCharts charts;
    charts.resize(640, 600);
    charts.show();
    print("  the charts alone", times(50, [&] { charts.plot(model.parts(), 1); }), 10);
    std::filesystem::remove_all(folder);
    return 0;
}
