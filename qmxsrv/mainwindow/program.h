// The program's start routine Main and everything it brings up: the
// instance lock, the device library with its message handler, the program
// state and the main window. Owned by main() for the whole run.
#pragma once

#include "core/device.h"
#include "core/qmxcom32api.h"
#include "service/linkendpoint.h"

#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace qmxsrv {

class FileDialogs;
class FormMain;
class InstanceLock;
class LibraryMessageHandler;
class MessageBoxes;
class ProgramState;

struct StartOptions {
    QString programFolder;            // AppPath: qmxsrv.ini, the firmware, the lock
    QString firmwareFolder;           // where the firmware is when not in programFolder
    std::string commandLine;          // the setup file to load; empty for none
    std::optional<LinkEndpoint> link; // the live-value service's address; none, no service
};

class Program {
public:
    enum class Started { Running, AlreadyRunning };

    Program(MessageBoxes &boxes, FileDialogs &dialogs);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Refuses a second instance for the program folder with "This
    // application is already running" and nothing else done. Otherwise:
    // defaults, qmxsrv.ini, QmxCommInit and the scan settings, the default
    // objects, then the main window loaded and shown.
    Started Main(const StartOptions &options);

    // Valid once Main has returned Running.
    ProgramState &state() { return *state_; }
    FormMain &window() { return *window_; }

private:
    MessageBoxes &boxes_;
    FileDialogs &dialogs_;
    std::unique_ptr<InstanceLock> lock_;
    std::unique_ptr<LibraryMessageHandler> libraryMessages_;
    Qmxcom32Api api_;
    Device device_{api_};
    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<FormMain> window_;
};

} // namespace qmxsrv
