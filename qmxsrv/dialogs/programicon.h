// The program's icon, drawn in code: a dial gauge on a blue square. The
// About box shows it, and the main window carries it as its window icon.
#pragma once

#include <QIcon>

namespace qmxsrv {

QIcon programIcon();

} // namespace qmxsrv
