// qmxresults: the results database for scripts and scheduled jobs.
#include "quality/resultscli.h"

#include <iostream>

int main(int argc, char **argv)
{
    return qmxsrv::resultsCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                  std::cerr);
}
