// bus.cpp - the two entry points the device library finds by name.
#include "instance.h"
#include "qmxboard_bus.h"

namespace qmxboard {

Instance &instance()
{
    static Instance one(configFromEnvironment());
    static const bool listening = listenFromEnvironment(one);
    (void)listening;
    return one;
}

} // namespace qmxboard

extern "C" {

__attribute__((visibility("default"))) unsigned char qmxboard_port_read(unsigned short port)
{
    qmxboard::Board &b = qmxboard::instance().board;
    std::lock_guard<std::mutex> lock(b.mutex());
    return b.read(port);
}

__attribute__((visibility("default"))) void qmxboard_port_write(unsigned short port,
                                                                unsigned char value)
{
    qmxboard::Board &b = qmxboard::instance().board;
    std::lock_guard<std::mutex> lock(b.mutex());
    b.write(port, value);
}
}
