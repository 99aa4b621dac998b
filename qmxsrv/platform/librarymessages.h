// The device library's messages, shown through the program's MessageBoxes.
//
// The library shows its link and download failures itself, as OK boxes
// with the exclamation icon, modal for the whole program and without a
// caption of its own: they reach MessageBoxes with an empty title, which
// QtMessageBoxes shows as the application's name ("QMXSRV").
#pragma once

#include "core/messageboxes.h"

namespace qmxsrv {

// A QmxMessageHandler: context is the MessageBoxes to show text in.
// Returns when the operator has pressed OK.
void showLibraryMessage(void *context, const char *text);

// Installs showLibraryMessage for boxes as the library's message handler
// while it lives; the library goes back to stderr afterwards. Only one may
// live at a time (the library has one handler).
class LibraryMessageHandler {
public:
    explicit LibraryMessageHandler(MessageBoxes &boxes);
    ~LibraryMessageHandler();
    LibraryMessageHandler(const LibraryMessageHandler &) = delete;
    LibraryMessageHandler &operator=(const LibraryMessageHandler &) = delete;
};

} // namespace qmxsrv
