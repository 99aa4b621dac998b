#include "mainwindow/filecommands.h"

#include "core/programstate.h"
#include "core/setupfile.h"
#include "core/setupoperations.h"
#include "platform/filedialogs.h"

namespace qmxsrv {

FileCommands::FileCommands(ProgramState &state, SetupWindow &window, FileDialogs &dialogs)
    : state_(state), window_(window), dialogs_(dialogs)
{
}

void FileCommands::NewFile() { NewSetup(state_, window_); }

void FileCommands::OpenFile()
{
    FileDialogRequest request;
    request.filter = SetupFilter;
    request.folder = state_.settings.AppPath;
    loadNamed(dialogs_.openFile(request));
}

void FileCommands::SaveFile() { SaveSetupFile(state_); }

void FileCommands::SaveAsFile()
{
    FileDialogRequest request;
    request.filter = SetupFilter;
    request.folder = state_.settings.AppPath;
    request.defaultExtension = SetupExtension;
    state_.view.SetupFileName = dialogs_.saveFile(request);
    SaveFile();
}

void FileCommands::loadNamed(const std::string &fileName, std::vector<SetupLoadProblem> *problems)
{
    state_.view.SetupFileName = fileName;
    LoadSetupFile(state_, window_, problems);
}

} // namespace qmxsrv
