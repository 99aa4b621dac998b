// qmxresults masterings: the mastering record for scripts, one line per
// zeroing or mastering, oldest first, tab-separated after a heading line.
#include "quality/masteringstore.h"
#include "quality/resultscli.h"
#include "quality/resultsexport.h"

#include <algorithm>
#include <cmath>

namespace qmxsrv {

namespace {

int listMasterings(const cli::Args &args, ResultsStore *store, std::ostream &out, std::ostream &err)
{
    long channel = 0;
    if (args.has("--channel") && !cli::positive(args.value("--channel"), channel))
        return cli::usage(err, "--channel needs a positive number");
    const std::string setup = args.value("--setup");
    std::string error;
    std::vector<MasteringRow> rows = MasteringStore(*store).masterings(
        args.has("--setup") ? &setup : nullptr, int(channel), error);
    if (!error.empty()) {
        err << "qmxresults: " << error << "\n";
        return 1;
    }
    out << "recorded_utc\tsetup\tchannel\tkind\toperator\tmaster1\tmaster2\treading1\treading2"
           "\tzero_before\tzero_after\tscaling_before\tscaling_after\n";
    for (auto m = rows.rbegin(); m != rows.rend(); ++m)
        out << m->recordedUtc << '\t' << cli::field(m->setup, "") << '\t' << m->channel << '\t'
            << masteringKindText(m->kind) << '\t' << cli::field(m->operatorName, "") << '\t'
            << cli::number(m->master1) << '\t' << cli::number(m->master2) << '\t'
            << cli::number(m->reading1) << '\t' << cli::number(m->reading2) << '\t'
            << cli::number(m->zeroBefore) << '\t' << cli::number(m->zeroAfter) << '\t'
            << cli::number(m->scalingBefore) << '\t' << cli::number(m->scalingAfter) << '\n';
    return out ? 0 : 1;
}

} // namespace

namespace cli {

const std::vector<Command> &masteringCommands()
{
    static const std::vector<Command> commands = {
        {"masterings",
         "masterings [--setup S] [--channel N]",
         {"--setup", "--channel"},
         {},
         true,
         listMasterings},
    };
    return commands;
}

} // namespace cli

} // namespace qmxsrv
