// FormSelectGroup: the modal dialog in which the operator picks the group
// that display mode 1 shows. It lists the groups in collection order with
// the last one selected; "OK" (or a double click on an entry) makes the
// selected group CurrentGroup and closes the dialog. Closing it any other way
// leaves CurrentGroup as it was.
//
// Opening it raises ScanHold: the display part of the scan stays off until
// the main window's UpdateMainDisplay that follows the dialog.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace qmxsrv {

class ProgramState;

class FormSelectGroup : public QDialog {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 4950; // client area, twips
    static constexpr int DesignHeight = 3300;

    // Loads the dialog: ScanHold raised, the list filled.
    explicit FormSelectGroup(ProgramState &state, QWidget *parent = nullptr);

    QListWidget &ListGroups() const { return *ListGroups_; }
    QPushButton &CmdOk() const { return *CmdOk_; }

private:
    void CmdOk_Click();

    ProgramState &state_;
    QListWidget *ListGroups_;
    QPushButton *CmdOk_;
};

} // namespace qmxsrv
