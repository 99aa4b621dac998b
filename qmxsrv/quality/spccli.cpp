#include "quality/resultscli.h"

namespace qmxsrv::cli {

const std::vector<Command> &spcCommands()
{
    static const std::vector<Command> commands;
    return commands;
}

} // namespace qmxsrv::cli
