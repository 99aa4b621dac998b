// The main window's menu bar and button row, built in code. Every menu, item
// and button carries its name as objectName, so people and tests find it.
#pragma once

class QAction;
class QFrame;
class QMenuBar;
class QPushButton;
class QWidget;

namespace qmxsrv {

struct MainMenus {
    // File
    QAction *NewFile, *OpenFile, *SaveFile, *SaveAsFile, *ExitProgram;
    // View; EnableGrid, EnableBarGraphs and UpdateToggle are check items
    QAction *EnableGrid, *EnableBarGraphs, *Seperator1, *ViewGroups, *ViewChannels, *ViewLVDTs,
        *ViewAnalogs, *Seperator2, *UpdateToggle;
    // Zero, Master; the two Group items are never available (shown greyed)
    QAction *ZeroChannel, *ZeroGroup, *MasterChannel, *MasterGroup;
    // setup
    QAction *SetupChannels, *SetupGroups, *SetupLVDTs, *SetupAnalog, *SetupGeneral;
    // Results (MnuResults), an addition between setup and About
    QAction *MnuRecordPart, *MnuPartSerial, *MnuOperator, *MnuExportResults, *MnuResultsSeparator,
        *MnuShowResults, *MnuControlPlan, *MnuAlarms, *MnuGaugeStudy, *MnuMasteringRecord;
    // A menu of its own without items
    QAction *AboutQMXSRV;
};

MainMenus buildMainMenus(QMenuBar &bar);

struct MainButtons {
    QFrame *FrameButtons; // holds the first four
    QPushButton *CommandResetMM, *CommandZero, *CommandMaster, *CommandBarGraphs;
    QPushButton *CommandNumbers; // beside the frame
};

// The buttons in one row on window, which gets the row as its layout.
MainButtons buildMainButtons(QWidget &window);

} // namespace qmxsrv
