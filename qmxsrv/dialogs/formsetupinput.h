// What the LVDT and analog setup dialogs share: one input at a time with its
// description, zero offset and full scale, stepped through with a spin
// button, programmed into its object (which sends the calibration to the
// board), and its live value on request. The scan cycle reads the number of
// the input to show from the number box on every tick, so the live value
// always belongs to the input the dialog shows.
#pragma once

#include "dialogs/setupdialog.h"

#include <QColor>

#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qmxsrv {

class BoardInput;
class ProgramState;
class SpinButton;

class FormSetupInput : public SetupDialog {
    Q_OBJECT
public:
    ~FormSetupInput() override;

protected:
    // The names, captions and looks that tell the two dialogs apart.
    struct Design {
        const char *form;
        const char *title;
        const char *numberBox;
        const char *numberLabel;
        const char *spin;
        const char *valueBox;
        const char *autoIncBox;
        const char *programCaption;
        int widthTwips;
        int heightTwips;
        QColor background;
    };

    // current: the dialog's lasting item number; liveLink: LiveLvdt or
    // LiveAnalog, not 0 while the live value is on.
    FormSetupInput(ProgramState &state, std::int16_t &current, std::int16_t &liveLink,
                   const Design &design, QWidget *parent);

    // The loading, once the derived dialog is complete: the current input
    // brought into range and shown.
    void load();
    void setCurrent(std::int16_t n);

    virtual int count() const = 0;
    virtual BoardInput &item(std::int16_t n) = 0;
    virtual int decimals() const = 0;
    virtual void stepUp() = 0;
    virtual void stepDown() = 0;
    // After programming went through ("Auto Increment").
    virtual void afterProgram() = 0;
    virtual void showValueClicked();

    void ShowItem();
    // False, with nothing programmed, when a field is refused.
    bool ProgramItem();

    ProgramState &state_;
    std::int16_t &current_;
    std::int16_t &live_;
    bool modified_ = false;

    QLineEdit *number_;
    QLineEdit *description_;
    QLineEdit *zero_;
    QLineEdit *fullScale_;
    QLineEdit *value_;
    QCheckBox *showValue_;
    QCheckBox *autoInc_;
    QPushButton *done_;
};

} // namespace qmxsrv
