#include "platform/librarymessages.h"

#include "qmxcom32_host.h"

#include <type_traits>

namespace qmxsrv {

static_assert(std::is_same_v<decltype(&showLibraryMessage), QmxMessageHandler>,
              "showLibraryMessage must be installable as the library's handler");

void showLibraryMessage(void *context, const char *text)
{
    static_cast<MessageBoxes *>(context)->show(text ? text : "", std::string(), Buttons::Ok,
                                               Icon::Exclamation);
}

LibraryMessageHandler::LibraryMessageHandler(MessageBoxes &boxes)
{
    QmxHostSetMessageHandler(&showLibraryMessage, &boxes);
}

LibraryMessageHandler::~LibraryMessageHandler() { QmxHostSetMessageHandler(nullptr, nullptr); }

} // namespace qmxsrv
