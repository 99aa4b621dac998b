// Controls carry the system's control names as their objectName: people and
// tests find them by those names. Every named control of the program is made
// here; builders that add a house rule (a read-only box, a button that Enter
// never presses) call this for the control itself.
#pragma once

#include <QAnyStringView>

#include <utility>

namespace qmxsrv {

// A new T made from args, named name.
template <typename T, typename... Args> T *named(QAnyStringView name, Args &&...args)
{
    auto *made = new T(std::forward<Args>(args)...);
    made->setObjectName(name);
    return made;
}

} // namespace qmxsrv
