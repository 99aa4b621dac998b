// FormSetupAnalog, "Analog Setup": one analog input at a time. Unlike the
// LVDT dialog it asks nothing: an unprogrammed edit blocks stepping and
// closing until it is programmed; the spin button stops at both ends (only
// "Auto Increment" wraps); values always show 5 decimals; its check boxes
// start unchecked at every opening.
#pragma once

#include "dialogs/formsetupinput.h"

namespace qmxsrv {

struct AnalogSetupMemory;

class FormSetupAnalog : public FormSetupInput {
    Q_OBJECT
public:
    FormSetupAnalog(ProgramState &state, AnalogSetupMemory &memory, QWidget *parent = nullptr);

    void SetCurrentAnalog(std::int16_t analog) { setCurrent(analog); }

    // What the scan cycle reads (the input number) and writes (its value)
    // while state.live.LiveAnalog is not 0.
    QLineEdit *TextCurrentAnalog() const { return number_; }
    QLineEdit *TextCAnalogValue() const { return value_; }

protected:
    int count() const override;
    BoardInput &item(std::int16_t n) override;
    int decimals() const override { return 5; }
    void stepUp() override;
    void stepDown() override;
    void afterProgram() override;
    bool mayClose() override;

private:
    // Tells the operator and returns true while an edit is unprogrammed.
    bool changed();
};

} // namespace qmxsrv
