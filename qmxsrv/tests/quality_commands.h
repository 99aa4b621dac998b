// qmxresults command lines as the quality tests run them: each with its exit
// code, its whole output and a part of its error text.
#pragma once

#include "quality/resultscli.h"

#include <gmock/gmock.h>

#include <sstream>
#include <string>
#include <vector>

namespace qmxtest {

struct Command {
    std::vector<std::string> args;
    int code;
    std::string out, err;
};

inline void expectCommands(const std::vector<Command> &commands)
{
    for (const Command &c : commands) {
        std::string line;
        for (const std::string &a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        std::ostringstream out, err;
        EXPECT_EQ(qmxsrv::resultsCommand(c.args, out, err), c.code) << err.str();
        EXPECT_EQ(out.str(), c.out);
        EXPECT_THAT(err.str(), ::testing::HasSubstr(c.err));
    }
}

} // namespace qmxtest
