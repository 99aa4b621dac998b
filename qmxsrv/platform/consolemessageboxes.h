// Message boxes where no one can see one: a server on Qt's offscreen
// platform would wait for ever on its first box (the missing qmxsrv.ini at a
// first start, a link error). Each message goes to stderr as one line and is
// answered as at once with the box's first button, OK or Yes, as the device
// library does when it has no handler.
#pragma once

#include "core/messageboxes.h"

#include <cstdio>

namespace qmxsrv {

// "QMXSRV: title: text", each character 13 shown as " / ".
std::string consoleLine(const std::string &text, const std::string &title);

class ConsoleMessageBoxes : public MessageBoxes {
public:
    explicit ConsoleMessageBoxes(std::FILE *out = stderr) : out_(out) {}

    Answer show(const std::string &text, const std::string &title, Buttons buttons,
                Icon icon) override;
    void beep() override {}

private:
    std::FILE *out_;
};

} // namespace qmxsrv
