// The mechanics the item dialogs (channel, LVDT, analog input) share: which
// item is current, stepping through the items, and the save question.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qmxsrv {

class MessageBoxes;

// n brought into 1 to count (a count lowered since the dialog last showed
// n); 0 when there are no items.
std::int16_t itemInRange(std::int16_t n, int count);
// Stepping with wrap-around: after count comes 1, before 1 comes count.
std::int16_t nextItem(std::int16_t n, int count);
std::int16_t previousItem(std::int16_t n, int count);

// The question before leaving a modified item: "<word><n> has been modified",
// "Save changes", titled with the item's stored description, Yes/No/Cancel.
// Yes runs program and goes on only when programming went through; No goes on
// without it; Cancel stays.
bool confirmChanges(MessageBoxes &boxes, const std::string &word, std::int16_t n,
                    const std::string &description, const std::function<bool()> &program);

} // namespace qmxsrv
