// New Study...: what a gauge study measures and how. The channel (of the
// current setup, with a formula), the type and its sizes, the tolerance
// (the channel's HiTol - LoTol at first), for type 1 the reference value, K
// and L, for R&R the method and the appraisers' names. OK checks every field
// and says what is wrong; the dialog stays open until it is right.
#pragma once

#include "quality/studystore.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace qmxsrv {

class MessageBoxes;
class ProgramState;

class FormNewStudy : public QDialog {
public:
    FormNewStudy(ProgramState &state, MessageBoxes &boxes, QWidget *parent = nullptr);

    // Whether the setup has a channel to study; without one the dialog
    // should not be shown.
    bool hasChannels() const;
    // After OK: the study as set up, without id, setup, times or operator.
    const study::Study &chosen() const { return study_; }

    void accept() override;

private:
    void channelChosen();
    void typeChosen();
    // The study from the fields; false, with the operator told why, when a
    // field is wrong.
    bool read();

    ProgramState &state_;
    MessageBoxes &boxes_;
    study::Study study_;
    QComboBox *ComboChannel, *ComboType, *ComboMethod;
    QSpinBox *SpinParts, *SpinAppraisers, *SpinTrials, *SpinReadings;
    QLineEdit *TextReference, *TextTolerance, *TextK, *TextL;
    QLineEdit *TextAppraisers[3];
    QLabel *LabelUnits;
};

} // namespace qmxsrv
