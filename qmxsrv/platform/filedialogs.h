// The open and save dialogs, behind an interface the core and the tests can
// use without Qt: a Qt implementation for the operator, a scripted one for tests.
#pragma once

#include <string>

namespace qmxsrv {

struct FileDialogRequest {
    std::string title;            // empty: the dialog's own title
    std::string filter;           // "QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*"; the first is selected
    std::string folder;           // where the dialog starts
    std::string fileName;         // the name offered at first
    std::string defaultExtension; // save only: "qmx" is added to a name typed without one
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Each blocks until the operator has chosen; the result is the full path
    // of the file chosen, or empty when the dialog was cancelled.
    virtual std::string openFile(const FileDialogRequest &request) = 0;
    virtual std::string saveFile(const FileDialogRequest &request) = 0;
};

} // namespace qmxsrv
