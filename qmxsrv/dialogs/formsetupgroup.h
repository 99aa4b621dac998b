// FormSetupGroup: creates, renames and removes groups and chooses the
// channels each one holds. Every change goes straight into the groups.
// The lists are in collection order: line i-1 of ListAvailableChannels is
// channel i, line k-1 of ListGroups the group at position k, and line p-1
// of ListChansinGroup the selected group's position p.
#pragma once

#include "dialogs/setupdialog.h"

class QListWidget;
class QListWidgetItem;

namespace qmxsrv {

class ProgramState;
class group;

class FormSetupGroup : public SetupDialog {
    Q_OBJECT
public:
    // Loading holds off the display part of the scan (ScanHold); the main
    // window's UpdateMainDisplay after the dialog releases it.
    explicit FormSetupGroup(ProgramState &state, QWidget *parent = nullptr);

private:
    void groupSelected(int row);
    void addGroup();
    void removeGroup();
    void renameGroup();
    void includeChannel(QListWidgetItem *line);
    void removeChannel(QListWidgetItem *line);
    group *selectedGroup();
    QString channelLine(int channel) const;

    ProgramState &state_;
    QListWidget *groups_;
    QLineEdit *groupName_;
    QListWidget *available_;
    QListWidget *inGroup_;
};

} // namespace qmxsrv
