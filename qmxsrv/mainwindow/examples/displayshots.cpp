// A picture of the live displays: the gauge server started on the simulated
// board with a setup file, View > Channels, both display windows shown and
// filled by a few scan ticks, then drawn side by side with their titles.
//
//   displayshots SETUP.qmx PICTURE.png [seconds]
//   displayshots --results SETUP.qmx PICTURE.png [parts]
//
// The second records that many parts (F9) while the probes move and draws
// the results window on them.
//
// Runs on the offscreen platform unless a display is there (under Xvfb the
// windows are real). The board starts warm, so no firmware is needed.
#include "formgriddisplay.h"
#include "formlingage.h"

#include "core/messageboxes.h"
#include "mainwindow/formmain.h"
#include "mainwindow/program.h"
#include "platform/offscreen.h"
#include "platform/scriptedfiledialogs.h"
#include "results/formresults.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace qmxsrv;

namespace {

// Every box is answered at once and reported, so a failed start shows.
class ReportingBoxes : public ScriptedMessageBoxes {
public:
    Answer show(const std::string &text, const std::string &title, Buttons buttons,
                Icon icon) override
    {
        std::fprintf(stderr, "displayshots: %s: %s\n", title.c_str(), text.c_str());
        return ScriptedMessageBoxes::show(text, title, buttons, icon);
    }
};

template <typename W> W *topLevel()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<W *>(w))
            return found;
    return nullptr;
}

// The windows' client areas, each under a title strip, side by side.
QImage sideBySide(const std::vector<QWidget *> &windows)
{
    constexpr int Margin = 12;
    constexpr int TitleHeight = 24;
    int width = Margin;
    int height = 0;
    std::vector<QPixmap> pictures;
    for (QWidget *w : windows) {
        pictures.push_back(w->grab());
        width += w->width() + Margin;
        height = std::max(height, w->height());
    }
    QImage image(width, height + TitleHeight + 2 * Margin, QImage::Format_RGB32);
    image.fill(QColor(0xe8, 0xe8, 0xe8));
    QPainter p(&image);
    int left = Margin;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const QRect title(left, Margin, windows[i]->width(), TitleHeight);
        p.fillRect(title, QColor(0x3c, 0x4a, 0x5c));
        p.setPen(Qt::white);
        QFont font = windows[i]->font();
        font.setBold(true);
        p.setFont(font);
        p.drawText(title.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   windows[i]->windowTitle());
        p.drawPixmap(left, title.bottom() + 1, pictures[i]);
        left += windows[i]->width() + Margin;
    }
    return image;
}

} // namespace

// Parts recorded a little apart, so that the probes have moved between them.
int resultsPicture(FormMain &main, const QString &file, int parts)
{
    QAction *record = main.findChild<QAction *>(QStringLiteral("MnuRecordPart"));
    for (int i = 0; i < parts; ++i) {
        record->trigger();
        QTest::qWait(60);
    }
    main.findChild<QAction *>(QStringLiteral("MnuShowResults"))->trigger();
    FormResults *results = topLevel<FormResults>();
    if (!results || !QTest::qWaitForWindowExposed(results)) {
        std::fprintf(stderr, "displayshots: the results window did not open\n");
        return 1;
    }
    results->findChild<QListWidget *>(QStringLiteral("ListChannels"))->setCurrentRow(0);
    QTest::qWait(300);
    if (!sideBySide({results}).save(file)) {
        std::fprintf(stderr, "displayshots: cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("displayshots: %s\n", qPrintable(file));
    return 0;
}

int main(int argc, char **argv)
{
    const bool results = argc > 1 && std::string(argv[1]) == "--results";
    if (results)
        --argc, ++argv;
    if (argc < 3) {
        std::fprintf(stderr, "usage: displayshots SETUP.qmx PICTURE.png [seconds]\n"
                             "       displayshots --results SETUP.qmx PICTURE.png [parts]\n");
        return 2;
    }
    qputenv("QMX_PORTS", "sim");
    qputenv("QMX_SIM_STATE", "running");
    useOffscreenWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    const double seconds = argc > 3 ? std::atof(argv[3]) : 2.0;

    QTemporaryDir folder; // the program folder: its lock and settings file
    ReportingBoxes boxes;
    ScriptedFileDialogs dialogs;
    Program program(boxes, dialogs);
    StartOptions options;
    options.programFolder = folder.path();
    options.commandLine =
        QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath().toStdString();
    if (program.Main(options) != Program::Started::Running)
        return 1;

    FormMain &main = program.window();
    main.findChild<QAction *>(QStringLiteral("ViewChannels"))->trigger();
    if (results)
        return resultsPicture(main, QString::fromLocal8Bit(argv[2]),
                              argc > 3 ? std::atoi(argv[3]) : 60);
    QTest::mouseClick(main.findChild<QPushButton *>(QStringLiteral("CommandBarGraphs")),
                      Qt::LeftButton);
    QTest::mouseClick(main.findChild<QPushButton *>(QStringLiteral("CommandNumbers")),
                      Qt::LeftButton);
    FormLinGage *bars = topLevel<FormLinGage>();
    FormGridDisplay *grid = topLevel<FormGridDisplay>();
    if (!bars || !grid || !QTest::qWaitForWindowExposed(bars) ||
        !QTest::qWaitForWindowExposed(grid)) {
        std::fprintf(stderr, "displayshots: the display windows did not open\n");
        return 1;
    }
    QTest::qWait(int(seconds * 1000)); // the scan ticks every 400 ms

    const QString file = QString::fromLocal8Bit(argv[2]);
    if (!sideBySide({bars, grid}).save(file)) {
        std::fprintf(stderr, "displayshots: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("displayshots: %s\n", argv[2]);
    return 0;
}
