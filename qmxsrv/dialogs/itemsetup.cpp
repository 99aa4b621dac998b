#include "dialogs/itemsetup.h"

#include "core/messageboxes.h"
#include "core/numbertext.h"

namespace qmxsrv {

std::int16_t itemInRange(std::int16_t n, int count)
{
    if (count < 1)
        return 0;
    if (n < 1)
        return 1;
    return n > count ? static_cast<std::int16_t>(count) : n;
}

std::int16_t nextItem(std::int16_t n, int count)
{
    return n < count ? static_cast<std::int16_t>(n + 1) : std::int16_t(1);
}

std::int16_t previousItem(std::int16_t n, int count)
{
    return n < 2 ? static_cast<std::int16_t>(count) : static_cast<std::int16_t>(n - 1);
}

bool confirmChanges(MessageBoxes &boxes, const std::string &word, std::int16_t n,
                    const std::string &description, const std::function<bool()> &program)
{
    const std::string text = word + numberText(n) + " has been modified\rSave changes";
    switch (boxes.show(text, description, Buttons::YesNoCancel, Icon::Question)) {
    case Answer::Yes: return program();
    case Answer::No: return true;
    default: return false;
    }
}

} // namespace qmxsrv
