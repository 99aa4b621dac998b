// FormSetupLvdt, "LVDT Setup": one LVDT probe at a time; unsaved edits are
// guarded by the save question, the spin button wraps around.
#pragma once

#include "dialogs/formsetupinput.h"

namespace qmxsrv {

struct LvdtSetupMemory;

class FormSetupLvdt : public FormSetupInput {
    Q_OBJECT
public:
    FormSetupLvdt(ProgramState &state, LvdtSetupMemory &memory, QWidget *parent = nullptr);

    void SetCurrentLvdt(std::int16_t lvdt) { setCurrent(lvdt); }

    // What the scan cycle reads (the LVDT number) and writes (its value)
    // while state.live.LiveLvdt is not 0.
    QLineEdit *TextCurrentLvdt() const { return number_; }
    QLineEdit *TextCLvdtValue() const { return value_; }

protected:
    int count() const override;
    BoardInput &item(std::int16_t n) override;
    int decimals() const override;
    void stepUp() override;
    void stepDown() override;
    void afterProgram() override;
    void showValueClicked() override;
    void activated() override;
    bool mayClose() override;

private:
    bool ConfirmChanges();

    LvdtSetupMemory &memory_;
};

} // namespace qmxsrv
