// The qmxresults command: the results database for scripts and scheduled
// jobs. Read-only, so it works while the server records. Each subcommand is
// a row of a table with the options it takes; what it prints is a contract,
// documented in the man page, that scripts parse.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace qmxsrv {

class ResultsStore;

// Exit codes: 0 done, 1 bad data (no database, unreadable), 2 usage.
int resultsCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

namespace cli {

// The command line as read: the options with their values, the switches given.
struct Args {
    std::string db; // the database named by --db, or the default
    std::map<std::string, std::string> values;
    std::set<std::string> switches;
    bool has(const std::string &option) const { return values.count(option) != 0; }
    std::string value(const std::string &option) const
    {
        const auto it = values.find(option);
        return it == values.end() ? std::string() : it->second;
    }
};

struct Command {
    const char *name;
    const char *usage;                 // the line of the usage text after "qmxresults"
    std::vector<const char *> options; // each takes a value
    std::vector<const char *> switches;
    // Reads the store itself (some commands read a file instead).
    bool needsStore;
    int (*run)(const Args &args, ResultsStore *store, std::ostream &out, std::ostream &err);
};

// Usage problems: the reason and the usage text on err, exit code 2.
int usage(std::ostream &err, const std::string &why);
// A positive whole number of an option, or none.
bool positive(const std::string &text, long &value);

// A stored text as one field of a tab-separated line: its tabs and line ends
// are blanks; an empty text is whenEmpty.
std::string field(std::string text, const char *whenEmpty = "-");
// A number as the shortest text that reads back exactly; "-" for none.
std::string number(const std::optional<double> &v);

// The commands of each room of quality: the parts' (list, stats, export),
// the control charts' (plan, spc, alarms), the gauge studies' (study,
// studies) and the mastering record's (masterings).
const std::vector<Command> &partCommands();
const std::vector<Command> &spcCommands();
const std::vector<Command> &studyCommands();
const std::vector<Command> &masteringCommands();

} // namespace cli

} // namespace qmxsrv
