#include "mainwindow/program.h"

#include "core/messageboxes.h"
#include "core/programstate.h"
#include "core/settings.h"
#include "core/setupoperations.h"
#include "mainwindow/formmain.h"
#include "platform/instancelock.h"
#include "platform/librarymessages.h"
#include "service/livevalueservice.h"
#include "service/stationtoken.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace qmxsrv {

Program::Program(MessageBoxes &boxes, FileDialogs &dialogs) : boxes_(boxes), dialogs_(dialogs) {}

// The window goes before the state it shows, the state before the device;
// the library's handler, which shows through the state, before the state.
Program::~Program()
{
    window_.reset();
    libraryMessages_.reset();
    state_.reset();
}

Program::Started Program::Main(const StartOptions &options)
{
    lock_ = std::make_unique<InstanceLock>(options.programFolder);
    switch (lock_->acquire()) {
    case InstanceLock::Result::HeldByOther:
        tell(boxes_, "This application is already running");
        return Started::AlreadyRunning;
    case InstanceLock::Result::Unavailable:
        // A folder without room for the lock holds no settings file either;
        // the program still runs, only a second copy is not refused.
        std::fprintf(stderr, "QMXSRV: cannot make %s; a second copy would not be refused\n",
                     qPrintable(lock_->path()));
        break;
    case InstanceLock::Result::Acquired: break;
    }

    const std::string appPath = QFile::encodeName(options.programFolder).toStdString();
    Settings settings = defaultSettings(appPath);
    const QString installed = options.firmwareFolder + "/" + DefaultFirmwareName;
    if (!QFileInfo::exists(QString::fromStdString(settings.FirmwarePath)) &&
        !options.firmwareFolder.isEmpty() && QFileInfo::exists(installed))
        settings.FirmwarePath = QFile::encodeName(installed).toStdString();
    state_ = std::make_unique<ProgramState>(device_, boxes_, std::move(settings));
    // A remote command's redirect catches the library's messages too.
    libraryMessages_ = std::make_unique<LibraryMessageHandler>(state_->followingBoxes());
    ReadSettings(state_->settings, boxes_);
    StartDevice(*state_);
    CreateDefaultObjects(*state_);

    window_ = std::make_unique<FormMain>(*state_, dialogs_, options.link);
    QString tokenError;
    window_->liveValues().setToken(stationToken(options.programFolder, tokenError));
    if (!tokenError.isEmpty())
        std::fprintf(stderr, "QMXSRV: %s; no commands are taken\n", qPrintable(tokenError));
    window_->load(options.commandLine);
    window_->show();
    return Started::Running;
}

} // namespace qmxsrv
