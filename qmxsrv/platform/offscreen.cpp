#include "platform/offscreen.h"

#include <cstdio>

namespace qmxsrv {

bool offscreenNeeded(const QProcessEnvironment &environment, const QStringList &arguments)
{
    const auto given = [&](const char *name) {
        return !environment.value(QLatin1String(name)).isEmpty();
    };
    if (given("DISPLAY") || given("WAYLAND_DISPLAY") || given("QT_QPA_PLATFORM"))
        return false;
    // Qt takes "-platform name" (or "--platform name") from the arguments.
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("-platform") ||
            arguments[i] == QLatin1String("--platform"))
            return false;
    }
    return true;
}

bool useOffscreenWithoutDisplay(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!offscreenNeeded(QProcessEnvironment::systemEnvironment(), arguments))
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::fputs("QMXSRV: no display (DISPLAY and WAYLAND_DISPLAY are unset), running on Qt's "
               "offscreen platform; the live-value service works, no window is shown\n",
               stderr);
    return true;
}

} // namespace qmxsrv
