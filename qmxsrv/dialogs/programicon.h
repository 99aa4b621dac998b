// The program's icon, drawn in code: a dial gauge on a blue square. The
// About box shows it, and the main window carries it as its window icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace qmxsrv {

QIcon programIcon();
// The dial at one size: also the installed icon's pictures.
QPixmap programIconPixmap(int size);

} // namespace qmxsrv
