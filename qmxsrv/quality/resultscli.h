// The qmxresults command: list and export the results database for scripts
// and scheduled jobs. Read-only, so it works while the server records.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qmxsrv {

// Exit codes: 0 done, 1 bad data (no database, unreadable), 2 usage.
int resultsCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

} // namespace qmxsrv
