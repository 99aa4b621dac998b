// qmxresults study and studies: a gauge study computed from a CSV file or
// from the store, and the stored studies listed.
#include "quality/resultscli.h"

#include "quality/resultsstore.h"
#include "quality/studycsv.h"
#include "quality/studyfigures.h"
#include "quality/studystore.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

namespace qmxsrv {

namespace {

using study::Study;
using study::StudyCell;
using study::StudyType;

// A study's readings are a few thousand lines at most: anything larger is
// not one of ours.
constexpr std::streamsize MaxInputBytes = 16 << 20;

void printFigures(const study::Evaluation &evaluation, std::ostream &out)
{
    for (const study::Figure &f : study::figures(evaluation))
        out << f.name << '\t' << study::machineText(f) << '\n';
}

std::string sizesOf(const Study &s)
{
    switch (s.type) {
    case StudyType::Type1: return std::to_string(s.trials);
    case StudyType::Type3: return std::to_string(s.parts) + "x" + std::to_string(s.trials);
    case StudyType::Grr: break;
    }
    return std::to_string(s.parts) + "x" + std::to_string(s.appraisers) + "x" +
           std::to_string(s.trials);
}

int storedStudy(const cli::Args &args, std::ostream &out, std::ostream &err)
{
    for (const char *other :
         {"--type", "--method", "--reference", "--tolerance", "--k", "--l", "--input"})
        if (args.has(other))
            return cli::usage(err, std::string("study --id takes no ") + other +
                                       ": the study was set up when it began");
    long id = 0;
    if (!cli::positive(args.value("--id"), id))
        return cli::usage(err, "--id needs a study number");
    std::string error;
    const std::unique_ptr<ResultsStore> store = ResultsStore::open(args.db, true, error);
    if (!store) {
        err << "qmxresults: " << error << "\n";
        return 1;
    }
    const std::optional<Study> s = study::StudyStore(*store).load(id, error);
    if (!s) {
        err << "qmxresults: " << (error.empty() ? "there is no study " + std::to_string(id) : error)
            << "\n";
        return 1;
    }
    const study::Evaluation e = study::evaluate(*s);
    if (const auto *why = std::get_if<std::string>(&e)) {
        err << "qmxresults: study " << id << ": " << *why << "\n";
        return 1;
    }
    printFigures(e, out);
    return out ? 0 : 1;
}

int computeStudy(const cli::Args &args, ResultsStore *, std::ostream &out, std::ostream &err)
{
    if (args.has("--id")) {
        if (args.has("--input"))
            return cli::usage(err, "study takes --input or --id, not both");
        return storedStudy(args, out, err);
    }
    if (!args.has("--input"))
        return cli::usage(err, "study needs --input FILE or --id N");
    Study s;
    const std::optional<StudyType> type = study::typeFromText(args.value("--type"));
    if (!type)
        return cli::usage(err, "--type must be 1, grr or 3");
    s.type = *type;
    if (args.has("--method")) {
        const std::optional<study::GrrMethod> m = study::methodFromText(args.value("--method"));
        if (!m)
            return cli::usage(err, "--method must be range or anova");
        if (s.type == StudyType::Type1)
            return cli::usage(err, "a type 1 study has no --method");
        if (s.type == StudyType::Type3 && *m != study::GrrMethod::Anova)
            return cli::usage(err, "a type 3 study is computed by ANOVA only");
        s.method = *m;
    }
    const auto numberOption = [&](const char *name, std::optional<double> &to) {
        if (!args.has(name))
            return true;
        to = study::csvNumber(args.value(name));
        return to.has_value();
    };
    std::optional<double> k, l;
    for (auto [name, to] : {std::pair{"--reference", &s.reference},
                            {"--tolerance", &s.tolerance},
                            {"--k", &k},
                            {"--l", &l}})
        if (!numberOption(name, *to))
            return cli::usage(err, std::string(name) + " needs a number");
    if (s.tolerance && !(*s.tolerance > 0))
        return cli::usage(err, "--tolerance must be a positive number");
    if (s.type == StudyType::Type1) {
        if (!s.reference || !s.tolerance)
            return cli::usage(err, "a type 1 study needs --reference and --tolerance");
        s.k = k.value_or(s.k);
        s.l = l.value_or(s.l);
        if (!(s.k > 0 && s.k <= 100))
            return cli::usage(err, "--k must be a percentage above 0 and at most 100");
        if (!(s.l > 0))
            return cli::usage(err, "--l must be a positive number of standard deviations");
    } else {
        for (const char *only : {"--reference", "--k", "--l"})
            if (args.has(only))
                return cli::usage(err, std::string(only) + " is for a type 1 study");
    }

    const std::string path = args.value("--input");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf()) || text.tellp() > MaxInputBytes) {
        err << "qmxresults: cannot read " << path
            << (in && text.tellp() > MaxInputBytes ? ": larger than a study file can be" : "")
            << "\n";
        return 1;
    }
    if (const auto why = study::readStudyCsv(text.str(), s)) {
        err << "qmxresults: " << path << ": " << *why << "\n";
        return 1;
    }
    const study::Evaluation e = study::evaluate(s);
    if (const auto *why = std::get_if<std::string>(&e)) {
        err << "qmxresults: " << path << ": " << *why << "\n";
        return 1;
    }
    printFigures(e, out);
    return out ? 0 : 1;
}

int listStudies(const cli::Args &, ResultsStore *store, std::ostream &out, std::ostream &err)
{
    std::string error;
    const std::vector<Study> studies = study::StudyStore(*store).list(error);
    if (!error.empty()) {
        err << "qmxresults: " << error << "\n";
        return 1;
    }
    out << "id\ttype\tmethod\tsetup\tchannel\tsizes\treadings\tstate\tcreated_utc\tfinished_utc"
           "\toperators\n";
    for (auto s = studies.rbegin(); s != studies.rend(); ++s) {
        std::string operators;
        for (const std::string &o : s->operators())
            operators += (operators.empty() ? "" : ", ") + o;
        out << s->id << '\t' << study::typeText(s->type) << '\t'
            << (s->type == StudyType::Type1 ? "-" : std::string(study::methodText(s->method)))
            << '\t' << cli::field(s->setup) << '\t' << s->channel << '\t' << sizesOf(*s) << '\t'
            << s->taken() << '/' << s->cells.size() << '\t' << (s->finished() ? "finished" : "open")
            << '\t' << cli::field(s->createdUtc) << '\t' << cli::field(s->finishedUtc) << '\t'
            << cli::field(operators) << '\n';
    }
    return out ? 0 : 1;
}

} // namespace

namespace cli {

const std::vector<Command> &studyCommands()
{
    static const std::vector<Command> commands = {
        {"study",
         "study --type 1|grr|3 [--method range|anova] [--reference X] [--tolerance T] "
         "[--k K] [--l L] --input FILE.csv\n"
         "       qmxresults [--db PATH] study --id N",
         {"--type", "--method", "--reference", "--tolerance", "--k", "--l", "--input", "--id"},
         {},
         false,
         computeStudy},
        {"studies", "studies", {}, {}, true, listStudies},
    };
    return commands;
}

} // namespace cli

} // namespace qmxsrv
