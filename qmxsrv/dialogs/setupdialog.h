// What the setup dialogs share as windows: a design size in twips, controls
// named as the system names them, and one close request.
#pragma once

#include <QDialog>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qmxsrv {

class SetupDialog : public QDialog {
    Q_OBJECT
public:
    // Every close request ends here: the close box, Esc and the dialog's own
    // Done button. The dialog closes only when mayClose() allows it.
    void reject() override;

protected:
    SetupDialog(const char *name, const QString &title, QWidget *parent);

    // The client area of the design, in twips.
    void setDesignSize(int widthTwips, int heightTwips);

    // Asked before every close; a dialog that allows it also does its
    // leaving here (clearing its live-value link).
    virtual bool mayClose() { return true; }
    // Each time the dialog is shown: where a dialog restores its switches.
    virtual void activated() {}

    void showEvent(QShowEvent *event) override;

    // Controls with their system names and the setup dialogs' rules. A
    // field's accessible name is its label without the access key: the
    // messages about it use that name. Enter never presses a button.
    QLineEdit *field(const char *name, const QString &label);
    QPushButton *button(const char *name, const QString &caption);
    // A label with its access key leading to buddy, in column column of row,
    // the buddy beside it over span columns.
    QLabel *addLabelled(QGridLayout *grid, int row, int column, const QString &caption,
                        QWidget *buddy, int span = 1);
    // Every editing control except the keep button greyed: a dialog with no
    // item to show (a count of 0).
    void disableEditing(QWidget *keep);
};

} // namespace qmxsrv
