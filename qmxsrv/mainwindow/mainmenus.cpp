#include "mainwindow/mainmenus.h"

#include "platform/named.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace qmxsrv {

namespace {

QMenu *menu(QMenuBar &bar, const char *name, const char *caption)
{
    QMenu *m = named<QMenu>(name, QString::fromLatin1(caption), &bar);
    bar.addMenu(m);
    return m;
}

QAction *item(QMenu *m, const char *name, const char *caption)
{
    QAction *a = named<QAction>(name, QString::fromLatin1(caption), m);
    m->addAction(a);
    return a;
}

QAction *checkItem(QMenu *m, const char *name, const char *caption)
{
    QAction *a = item(m, name, caption);
    a->setCheckable(true);
    return a;
}

QAction *neverAvailable(QAction *action)
{
    action->setEnabled(false);
    return action;
}

// A dividing line that keeps its name and caption.
QAction *separator(QMenu *m, const char *name, const char *caption)
{
    QAction *a = item(m, name, caption);
    a->setSeparator(true);
    return neverAvailable(a);
}

QPushButton *button(QWidget *parent, QLayout *row, const char *name, const char *caption)
{
    auto *b = named<QPushButton>(name, QString::fromLatin1(caption), parent);
    b->setAutoDefault(false);
    row->addWidget(b);
    return b;
}

} // namespace

MainMenus buildMainMenus(QMenuBar &bar)
{
    MainMenus m{};
    QMenu *file = menu(bar, "File", "&File");
    m.NewFile = item(file, "NewFile", "&New");
    m.OpenFile = item(file, "OpenFile", "&Open");
    m.SaveFile = item(file, "SaveFile", "&Save");
    m.SaveAsFile = item(file, "SaveAsFile", "Save &As");
    m.ExitProgram = item(file, "ExitProgram", "E&xit");

    QMenu *view = menu(bar, "View", "&View");
    m.EnableGrid = checkItem(view, "EnableGrid", "&Numbers");
    m.EnableBarGraphs = checkItem(view, "EnableBarGraphs", "&Bar Graphs");
    m.Seperator1 = separator(view, "Seperator1", "------------");
    m.ViewGroups = item(view, "ViewGroups", "&Group");
    m.ViewChannels = item(view, "ViewChannels", "&Channels");
    m.ViewLVDTs = item(view, "ViewLVDTs", "&LVDTs");
    m.ViewAnalogs = item(view, "ViewAnalogs", "&Analogs");
    m.Seperator2 = separator(view, "Seperator2", "----------");
    m.UpdateToggle = checkItem(view, "UpdateToggle", "&Update");

    QMenu *zero = menu(bar, "Zero", "&Zero");
    m.ZeroChannel = item(zero, "ZeroChannel", "&Channel");
    m.ZeroGroup = neverAvailable(item(zero, "ZeroGroup", "&Group"));

    QMenu *master = menu(bar, "Master", "&Master");
    m.MasterChannel = item(master, "MasterChannel", "&Channel");
    m.MasterGroup = neverAvailable(item(master, "MasterGroup", "&Group"));

    QMenu *setup = menu(bar, "setup", "&Setup");
    m.SetupChannels = item(setup, "SetupChannels", "&Channels");
    m.SetupGroups = item(setup, "SetupGroups", "&Groups");
    m.SetupLVDTs = item(setup, "SetupLVDTs", "&LVDTs");
    m.SetupAnalog = item(setup, "SetupAnalog", "&Analog");
    m.SetupGeneral = item(setup, "SetupGeneral", "G&eneral");

    QMenu *results = menu(bar, "MnuResults", "&Results");
    m.MnuRecordPart = item(results, "MnuRecordPart", "&Record Part");
    m.MnuRecordPart->setShortcut(Qt::Key_F9);
    m.MnuPartSerial = item(results, "MnuPartSerial", "Part &Serial...");
    m.MnuOperator = item(results, "MnuOperator", "O&perator...");
    m.MnuExportResults = item(results, "MnuExportResults", "&Export Results...");
    m.MnuResultsSeparator = separator(results, "MnuResultsSeparator", "----------");
    m.MnuShowResults = item(results, "MnuShowResults", "Sh&ow Results...");
    m.MnuControlPlan = item(results, "MnuControlPlan", "&Control Plan...");
    m.MnuAlarms = item(results, "MnuAlarms", "&Alarms...");
    m.MnuGaugeStudy = item(results, "MnuGaugeStudy", "&Gauge Study...");
    m.MnuMasteringRecord = item(results, "MnuMasteringRecord", "&Mastering Record...");

    m.AboutQMXSRV = named<QAction>("AboutQMXSRV", QStringLiteral("A&bout"), &bar);
    bar.addAction(m.AboutQMXSRV);
    return m;
}

MainButtons buildMainButtons(QWidget &window)
{
    MainButtons b{};
    auto *row = new QHBoxLayout(&window);
    b.FrameButtons = named<QFrame>("FrameButtons", &window);
    auto *framed = new QHBoxLayout(b.FrameButtons);
    framed->setContentsMargins(0, 0, 0, 0);
    b.CommandResetMM = button(b.FrameButtons, framed, "CommandResetMM", "Reset");
    b.CommandZero = button(b.FrameButtons, framed, "CommandZero", "Zero");
    b.CommandMaster = button(b.FrameButtons, framed, "CommandMaster", "Master");
    b.CommandBarGraphs = button(b.FrameButtons, framed, "CommandBarGraphs", "Bars");
    row->addWidget(b.FrameButtons);
    b.CommandNumbers = button(&window, row, "CommandNumbers", "Numbers");
    return b;
}

} // namespace qmxsrv
