// The started server the main window's benchmarks tick.
#pragma once

#include "core/messageboxes.h"
#include "core/programstate.h"
#include "mainwindow/formmain.h"
#include "mainwindow/program.h"
#include "platform/scriptedfiledialogs.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <string>

namespace bench {

// A started server: Program::Main in a folder of its own, channels i = "Ti"
// (probes 1 to 64 over again), showing the channels, its timer stopped so
// that only the bench ticks.
class Server {
public:
    explicit Server(int channels)
    {
        QFile ini(folder.filePath(QStringLiteral("qmxsrv.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("MaxChannel=%1\r\nMaxLVDT=64\r\n").arg(channels).toLatin1());
        ini.close();
        qmxsrv::StartOptions options;
        options.programFolder = folder.path();
        options.link = qmxsrv::LinkEndpoint{QHostAddress(QHostAddress::LocalHost), 0};
        program.Main(options);
        for (int i = 1; i <= channels; ++i)
            program.state().Channels.Item(i).setFormula("T" + std::to_string((i - 1) % 64 + 1));
        window().findChild<QTimer *>(QStringLiteral("Timer1"))->stop();
        window().menus().ViewChannels->trigger();
    }
    qmxsrv::FormMain &window() { return program.window(); }
    qmxsrv::ProgramState &state() { return program.state(); }

private:
    QTemporaryDir folder;
    qmxsrv::ScriptedMessageBoxes boxes;
    qmxsrv::ScriptedFileDialogs dialogs;
    qmxsrv::Program program{boxes, dialogs};
};

} // namespace bench
