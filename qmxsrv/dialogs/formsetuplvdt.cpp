#include "dialogs/formsetuplvdt.h"

#include "core/programstate.h"
#include "dialogs/itemsetup.h"
#include "dialogs/setupmemory.h"

#include <QCheckBox>

namespace qmxsrv {

FormSetupLvdt::FormSetupLvdt(ProgramState &state, LvdtSetupMemory &memory, QWidget *parent)
    : FormSetupInput(state, memory.CurrentLvdt, state.live.LiveLvdt,
                     {"FormSetupLvdt", "LVDT Setup", "TextCurrentLvdt", "&LVDT", "SpinButtonLvdt",
                      "TextCLvdtValue", "CheckAutoIncLvdt", "&Program LVDT", 9990, 3495,
                      QColor(255, 255, 192)},
                     parent),
      memory_(memory)
{
    connect(autoInc_, &QCheckBox::toggled, this,
            [this](bool on) { memory_.LvdtAutoInc = on ? 1 : 0; });
    load();
}

int FormSetupLvdt::count() const { return state_.LVDTs.Count(); }

BoardInput &FormSetupLvdt::item(std::int16_t n) { return state_.LVDTs.Item(n); }

// LVDTs have no decimals of their own.
int FormSetupLvdt::decimals() const { return state_.settings.SystemDecimals; }

void FormSetupLvdt::stepUp()
{
    if (!ConfirmChanges())
        return;
    current_ = nextItem(current_, count());
    ShowItem();
}

void FormSetupLvdt::stepDown()
{
    if (!ConfirmChanges())
        return;
    current_ = previousItem(current_, count());
    ShowItem();
}

void FormSetupLvdt::afterProgram()
{
    if (!autoInc_->isChecked())
        return;
    current_ = nextItem(current_, count());
    ShowItem();
}

void FormSetupLvdt::showValueClicked()
{
    memory_.LvdtShowValue = showValue_->isChecked() ? 1 : 0;
    FormSetupInput::showValueClicked();
}

void FormSetupLvdt::activated()
{
    showValue_->setChecked(memory_.LvdtShowValue != 0);
    autoInc_->setChecked(memory_.LvdtAutoInc != 0);
}

bool FormSetupLvdt::ConfirmChanges()
{
    if (!modified_)
        return true;
    return confirmChanges(state_.boxes(), "Lvdt ", current_, item(current_).Description,
                          [this] { return ProgramItem(); });
}

bool FormSetupLvdt::mayClose()
{
    if (!ConfirmChanges())
        return false;
    live_ = 0;
    return true;
}

} // namespace qmxsrv
