// FormSetupSystem, "System Setup": the general settings on three tabs,
// applied by "OK" (the counts resized, averaging and scan time sent to the
// board, the board re-initialised when its port address changed). They
// reach qmxsrv.ini when the program writes its settings.
#pragma once

#include "dialogs/setupdialog.h"

class QCheckBox;
class QLineEdit;
class QTabWidget;

namespace qmxsrv {

class ProgramState;
class SetupWindow;

class FormSetupSystem : public SetupDialog {
    Q_OBJECT
public:
    // Loading holds off the display part of the scan (ScanHold); the
    // dialog's end releases it through the window's UpdateMainDisplay.
    FormSetupSystem(ProgramState &state, SetupWindow &window, QWidget *parent = nullptr);

protected:
    bool mayClose() override;

private:
    QWidget *tab(const QString &title, std::initializer_list<std::pair<QString, QWidget *>> rows);
    void okClicked();
    bool ApplySettings();
    void ddeClicked();

    ProgramState &state_;
    SetupWindow &window_;
    QTabWidget *tabs_;
    QLineEdit *channels_;
    QLineEdit *lvdts_;
    QLineEdit *analogs_;
    QLineEdit *digitals_;
    QLineEdit *strains_;
    QLineEdit *scanPeriod_;
    QLineEdit *burstAvg_;
    QLineEdit *runningAvg_;
    QLineEdit *decimals_;
    QLineEdit *lvdtFullScale_;
    QLineEdit *portAddress_;
    QLineEdit *firmware_;
    QCheckBox *ddeEnable_;
};

} // namespace qmxsrv
