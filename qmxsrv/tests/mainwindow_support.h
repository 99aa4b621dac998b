// What the main window's tests share: a program started in a folder of its
// own, its live values on a port the system picks, on the simulated board
// with its firmware running and its readings exactly where a test puts them.
#pragma once

#include "core_support.h"
#include "mainwindow/program.h"

#include <qmxboard.h>

#include <cstdlib>

namespace qmxtest {

inline qmxsrv::StartOptions startIn(const TempDir &folder)
{
    ::setenv("QMX_PORTS", "sim", 1);
    qmxboard::Control board;
    board.reset(qmxboard::Start::Running);
    board.freeze();
    qmxsrv::StartOptions options;
    options.programFolder = QString::fromStdString(folder.path());
    options.link = qmxsrv::LinkEndpoint{QHostAddress(QHostAddress::LocalHost), 0};
    return options;
}

} // namespace qmxtest
