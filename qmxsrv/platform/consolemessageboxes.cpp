#include "platform/consolemessageboxes.h"

namespace qmxsrv {

std::string consoleLine(const std::string &text, const std::string &title)
{
    std::string line = "QMXSRV: ";
    if (!title.empty() && title != ProgramTitle)
        line += title + ": ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            line += " / ";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    return line;
}

Answer ConsoleMessageBoxes::show(const std::string &text, const std::string &title, Buttons buttons,
                                 Icon)
{
    std::fprintf(out_, "%s\n", consoleLine(text, title).c_str());
    std::fflush(out_);
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

} // namespace qmxsrv
