#include "platform/librarymessages.h"

#include "qmxcom32_host.h"

namespace qmxsrv {

LibraryMessageHandler::LibraryMessageHandler(MessageBoxes &boxes)
{
    QmxHostSetMessageHandler(&showLibraryMessage, &boxes);
}

LibraryMessageHandler::~LibraryMessageHandler()
{
    QmxHostSetMessageHandler(nullptr, nullptr);
}

} // namespace qmxsrv
