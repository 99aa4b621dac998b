// QMXSRV, the gauge server: the start routine, then the main window's life.
#include "core/messageboxes.h"
#include "dialogs/programicon.h"
#include "mainwindow/formmain.h"
#include "mainwindow/program.h"
#include "platform/consolemessageboxes.h"
#include "platform/offscreen.h"
#include "platform/process.h"
#include "platform/qtfiledialogs.h"
#include "platform/qtmessageboxes.h"
#include "platform/stopsignals.h"
#include "service/livevalueservice.h"

#include <QAction>
#include <QApplication>
#include <QFile>

#include <cstdio>
#include <cstring>

namespace {

// QMXSRV_VIEW=channels (or lvdts, analogs) runs that View command once the
// window has loaded: a station without a display has no one to choose it,
// and only a channel display fills the live values.
void startView(qmxsrv::FormMain &window)
{
    const QString view = qEnvironmentVariable("QMXSRV_VIEW").toLower();
    if (view.isEmpty())
        return;
    const qmxsrv::MainMenus &m = window.menus();
    QAction *command = view == QLatin1String("channels")  ? m.ViewChannels
                       : view == QLatin1String("lvdts")   ? m.ViewLVDTs
                       : view == QLatin1String("analogs") ? m.ViewAnalogs
                                                          : nullptr;
    if (command)
        command->trigger();
    else
        std::fprintf(stderr, "QMXSRV: QMXSRV_VIEW=%s is none of channels, lvdts, analogs\n",
                     qPrintable(view));
}

QString linkUrl(const qmxsrv::LinkEndpoint &link, quint16 port)
{
    QString host = link.address.toString();
    if (link.address.protocol() == QAbstractSocket::IPv6Protocol)
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("ws://%1:%2/FormMain").arg(host, QString::number(port));
}

} // namespace

int main(int argc, char **argv)
{
    qmxsrv::useOffscreenWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QMXSRV"));
    // One icon for every window: the main window and the About box show the same picture.
    QApplication::setWindowIcon(qmxsrv::programIcon());

    // Where there is no screen a box would wait for ever.
    const bool unseen = QApplication::platformName() == QLatin1String("offscreen") ||
                        QApplication::platformName() == QLatin1String("minimal");
    qmxsrv::QtMessageBoxes windowBoxes;
    qmxsrv::ConsoleMessageBoxes consoleBoxes;
    qmxsrv::MessageBoxes &boxes =
        unseen ? static_cast<qmxsrv::MessageBoxes &>(consoleBoxes) : windowBoxes;
    qmxsrv::QtFileDialogs dialogs;

    const std::optional<qmxsrv::LinkEndpoint> link = qmxsrv::linkEndpoint();
    qmxsrv::StartOptions options;
    options.programFolder = qmxsrv::programFolder();
    options.firmwareFolder = qmxsrv::installedDataFolder(QCoreApplication::applicationDirPath());
    options.commandLine = QFile::encodeName(qmxsrv::commandLine(app.arguments())).toStdString();
    options.link = link;

    qmxsrv::Program program(boxes, dialogs);
    if (program.Main(options) == qmxsrv::Program::Started::AlreadyRunning)
        return 1;
    if (!link) {
        qmxsrv::tell(boxes, "QMXSRV_LINK=" + qEnvironmentVariable("QMXSRV_LINK").toStdString() +
                                " is not host:port; live values are not served");
    } else if (const quint16 port = program.window().liveValues().port()) {
        std::fprintf(stderr, "QMXSRV: live values at %s\n", qPrintable(linkUrl(*link, port)));
    }
    startView(program.window());

    // A stop signal closes as File > Exit would, with no one there to ask.
    qmxsrv::StopSignals stopSignals;
    QObject::connect(&stopSignals, &qmxsrv::StopSignals::stopRequested, &program.window(),
                     [&](int signalNumber) {
                         std::fprintf(stderr, "QMXSRV: %s, closing\n", strsignal(signalNumber));
                         program.window().stopFromOutside(consoleBoxes);
                     });
    return app.exec();
}
