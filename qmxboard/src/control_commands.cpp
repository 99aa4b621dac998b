// control_commands.cpp
#include "control_commands.h"

#include "capacities.h"
#include "commands.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <sstream>
#include <vector>

namespace qmxboard {
namespace {

struct ItemName {
    char kind = 0; // 'T', 'A' or 'C'
    int number = 0;
};

bool parseItem(const std::string &word, ItemName &item, std::string &why)
{
    if (word.size() < 2) {
        why = "expected T<n>, A<n> or C<n>";
        return false;
    }
    item.kind = char(std::toupper(static_cast<unsigned char>(word[0])));
    auto [end, ec] = std::from_chars(word.data() + 1, word.data() + word.size(), item.number);
    int last = item.kind == 'T'   ? kProbes
               : item.kind == 'A' ? kInputs
               : item.kind == 'C' ? kChannels
                                  : 0;
    if (!last || ec != std::errc() || end != word.data() + word.size()) {
        why = "expected T<n>, A<n> or C<n>, not " + word;
        return false;
    }
    if (item.number < 1 || item.number > last) {
        why = word + " is out of range (1 to " + std::to_string(last) + ")";
        return false;
    }
    return true;
}

bool parseNumber(const std::string &word, double &value)
{
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && end == word.data() + word.size() && std::isfinite(value);
}

std::string usage()
{
    return "error: commands are set T<n>|A<n> VALUE, get T<n>|A<n>|C<n>, freeze, run, dead, alive, "
           "status N, delay SECONDS, reset [cold|running]";
}

std::string get(Control &control, const ItemName &item)
{
    float value = 0;
    bool ok = item.kind == 'T'   ? control.probeReading(item.number, value)
              : item.kind == 'A' ? control.inputReading(item.number, value)
                                 : control.channelValue(item.number, value);
    if (!ok)
        return "error: the board runs no firmware";
    return "ok " + floatText(value);
}

} // namespace

std::string runControlCommand(Control &control, const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;)
        w.push_back(word);
    if (w.empty())
        return usage();
    const std::string &verb = w[0];
    std::string why;
    ItemName item;
    double number = 0;

    if (verb == "set" && w.size() == 3) {
        if (!parseItem(w[1], item, why))
            return "error: " + why;
        if (item.kind == 'C')
            return "error: a channel is computed; set its probes or inputs";
        if (!parseNumber(w[2], number))
            return "error: not a number: " + w[2];
        if (item.kind == 'T')
            control.setProbe(item.number, number);
        else
            control.setInput(item.number, number);
        return "ok";
    }
    if (verb == "get" && w.size() == 2) {
        if (!parseItem(w[1], item, why))
            return "error: " + why;
        return get(control, item);
    }
    if (w.size() == 1) {
        if (verb == "freeze")
            control.freeze(true);
        else if (verb == "run")
            control.freeze(false);
        else if (verb == "dead")
            control.dieNow();
        else if (verb == "alive")
            control.comeBack();
        else if (verb == "reset")
            control.reset(Start::Cold);
        else
            return usage();
        return "ok";
    }
    if (verb == "status" && w.size() == 2) {
        if (!parseNumber(w[1], number) || number < 1 || number > 255 ||
            number != std::floor(number))
            return "error: a status is 1 to 255";
        control.answerNextWith(std::uint8_t(number));
        return "ok";
    }
    if (verb == "delay" && w.size() == 2) {
        if (!parseNumber(w[1], number) || number < 0 || number > 3600)
            return "error: a delay is 0 to 3600 seconds";
        control.delayRepliesSeconds(number);
        return "ok";
    }
    if (verb == "reset" && w.size() == 2 && (w[1] == "cold" || w[1] == "running")) {
        control.reset(w[1] == "cold" ? Start::Cold : Start::Running);
        return "ok";
    }
    return usage();
}

} // namespace qmxboard
