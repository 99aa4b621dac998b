// Without a display the server still runs (its live values are what a
// headless station is for): Qt's offscreen platform stands in for one.
#pragma once

#include <QProcessEnvironment>
#include <QStringList>

namespace qmxsrv {

// True when there is no display (DISPLAY and WAYLAND_DISPLAY unset or empty)
// and no platform has been chosen (QT_QPA_PLATFORM, or -platform among the
// arguments).
bool offscreenNeeded(const QProcessEnvironment &environment, const QStringList &arguments);

// Call before the QApplication is made. Chooses the offscreen platform when
// offscreenNeeded says so and tells stderr in one line; returns whether it did.
bool useOffscreenWithoutDisplay(int argc, char **argv);

} // namespace qmxsrv
