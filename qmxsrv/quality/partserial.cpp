#include "quality/partserial.h"

namespace qmxsrv {

std::string nextPartSerial(const std::string &serial)
{
    std::string next = serial;
    std::size_t i = next.size();
    while (i > 0 && next[i - 1] >= '0' && next[i - 1] <= '9') {
        --i;
        if (next[i] != '9') {
            ++next[i];
            return next;
        }
        next[i] = '0';
    }
    if (i == next.size())
        return next; // no trailing digits
    next.insert(i, 1, '1');
    return next;
}

} // namespace qmxsrv
