// The File menu's setup commands: New, Open, Save and Save As.
#pragma once

#include "core/setupfile.h"

#include <string>
#include <vector>

namespace qmxsrv {

class FileDialogs;
class ProgramState;
class SetupWindow;

inline constexpr char SetupFilter[] = "QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*";
inline constexpr char SetupExtension[] = "qmx";

class FileCommands {
public:
    FileCommands(ProgramState &state, SetupWindow &window, FileDialogs &dialogs);

    // NewSetup: "new.qmx", cleared.
    void NewFile();
    // The open dialog in the program folder; its answer (empty when
    // cancelled) becomes SetupFileName and is loaded.
    void OpenFile();
    // Writes the setup to SetupFileName; nothing without a name.
    void SaveFile();
    // The save dialog in the program folder; its answer (empty when
    // cancelled) becomes SetupFileName, then SaveFile.
    void SaveAsFile();
    // The setup named on the command line, loaded at start: the whole
    // command line is the name. problems: as LoadSetupFile gives them.
    void loadNamed(const std::string &fileName, std::vector<SetupLoadProblem> *problems = nullptr);

private:
    ProgramState &state_;
    SetupWindow &window_;
    FileDialogs &dialogs_;
};

} // namespace qmxsrv
