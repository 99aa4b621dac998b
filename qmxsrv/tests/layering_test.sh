#!/bin/sh
# layering_test.sh SOURCE BUILD: the rooms of the gauge server depend
# downward only. Each room's code (its benches and examples too) includes
# only the rooms below it, and qmxresults is linked against neither the
# device library nor Qt Widgets: in the link line CMake writes, not only in
# what the linker keeps.
set -eu
src=$1 build=$2
failed=0
allowed() {
    case $1 in
    core) echo "core" ;;
    quality) echo "core quality" ;;
    service) echo "core quality service" ;;
    platform) echo "core platform" ;;
    displays) echo "core platform displays" ;;
    dialogs) echo "core platform displays dialogs" ;;
    results) echo "core quality platform displays results" ;;
    mainwindow) echo "core quality service platform displays dialogs results mainwindow" ;;
    esac
}
for room in core quality service platform displays dialogs results mainwindow; do
    ok=$(allowed $room)
    for used in $(grep -rhoE '#include "[a-z]+/' "$src/qmxsrv/$room" | sed 's/#include "//; s/\///' | sort -u); do
        case " $ok " in
        *" $used "*) ;;
        *)
            case $used in
            core | quality | service | platform | displays | dialogs | results | mainwindow)
                echo "layering: $room/ includes $used/:" >&2
                grep -rn "#include \"$used/" "$src/qmxsrv/$room" >&2
                failed=1 ;;
            esac ;;
        esac
    done
done
# qmxresults' link line as CMake wrote it, from either generator.
link=$build/tools/qmxresults/CMakeFiles/qmxresults.dir/link.txt
if [ -f "$link" ]; then
    line=$(cat "$link")
elif [ -f "$build/build.ninja" ]; then
    line=$(awk '/^build [^:]*\/qmxresults: CXX_EXECUTABLE_LINKER/ { found = 1; print; next }
                found && /^ / { print; next } { found = 0 }' "$build/build.ninja")
fi
case "$line" in
*main.cpp.o*) ;;
*) echo "layering: no link line of qmxresults in $build" >&2; exit 1 ;;
esac
for lib in qmxcom32 Qt6Widgets libQt6Widgets; do
    case "$line" in
    *"$lib"*)
        echo "layering: qmxresults is linked against $lib:" >&2
        echo "$line" >&2
        failed=1 ;;
    esac
done
exit $failed
