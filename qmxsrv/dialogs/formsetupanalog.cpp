#include "dialogs/formsetupanalog.h"

#include "core/messageboxes.h"
#include "core/programstate.h"
#include "dialogs/itemsetup.h"
#include "dialogs/setupmemory.h"

#include <QCheckBox>

namespace qmxsrv {

FormSetupAnalog::FormSetupAnalog(ProgramState &state, AnalogSetupMemory &memory, QWidget *parent)
    : FormSetupInput(state, memory.CurrentAnalog, state.live.LiveAnalog,
                     {"FormSetupAnalog", "Analog Setup", "TextCurrentAnalog", "&Analog",
                      "SpinButtonAnalog", "TextCAnalogValue", "CheckAutoIncAnalog",
                      "&Program Analog", 8775, 4380, QColor(242, 208, 119)},
                     parent)
{
    load();
}

int FormSetupAnalog::count() const { return state_.Analogs.Count(); }

BoardInput &FormSetupAnalog::item(std::int16_t n) { return state_.Analogs.Item(n); }

bool FormSetupAnalog::changed()
{
    if (modified_)
        tell(state_.boxes(), "Analog has been changed");
    return modified_;
}

void FormSetupAnalog::stepUp()
{
    if (changed())
        return;
    if (current_ < count())
        ++current_;
    ShowItem();
}

void FormSetupAnalog::stepDown()
{
    if (changed() || current_ <= 1)
        return;
    --current_;
    ShowItem();
}

void FormSetupAnalog::afterProgram()
{
    if (autoInc_->isChecked())
        current_ = nextItem(current_, count());
    ShowItem();
}

bool FormSetupAnalog::mayClose()
{
    if (changed())
        return false;
    live_ = 0;
    return true;
}

} // namespace qmxsrv
