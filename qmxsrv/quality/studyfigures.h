// A study's figures by name, as qmxresults prints them for scripts and the
// study window and its report show them to people, and the verdict in words.
// The figures come from the study arithmetic; nothing is computed here.
#pragma once

#include "core/verdict.h"
#include "quality/gaugestudy.h"
#include "quality/studystore.h"
#include "quality/type1study.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qmxsrv::study {

// A study's result, or why there is none (readings missing, unusable data).
using Evaluation = std::variant<Type1Result, GrrResult, std::string>;

// The readings of the study's cells (all of them must have been taken) put
// through its arithmetic with its settings.
Evaluation evaluate(const Study &study);

enum class FigureKind { Count, Length, Percent, Ratio, Probability, YesNo };

struct Figure {
    std::string name;
    std::optional<double> value; // empty: undefined for these readings
    FigureKind kind;
};

// Type 1: n mean s bias bias_p Cg Cgk. R&R and type 3: EV AV INT GRR PV TV
// %EV %AV %GRR %PV ndc, %GRR_tol with a tolerance, then interaction_p and
// pooled by ANOVA. Empty for an error.
std::vector<Figure> figures(const Evaluation &evaluation);

// For scripts: "-" when undefined; counts as whole numbers; yes or no; every
// other number in fixed notation with the point, at least 6 decimals and at
// least 6 significant digits (at most 17 decimals), never an exponent.
std::string machineText(const Figure &figure);
// For people: lengths with the channel's decimals + 2, percentages with one
// decimal and " %", ratios with two, p-values with three ("< 0.001" below).
std::string displayText(const Figure &figure, int decimals);

// The figures as people read them, a heading row first. R&R and type 3: each
// source of variation with its standard deviation, % of TV and % of the
// tolerance, then ndc and the interaction's test; type 1: one row a figure.
// Lengths with the channel's decimals + 2. Empty for an error.
std::vector<std::vector<std::string>> figureTable(const Evaluation &evaluation, int decimals);

// The study's design in words: "10 parts x 3 appraisers x 3 trials",
// "25 parts x 2 trials", "50 readings of one reference part" (with the
// multiplication sign).
std::string designText(const Study &study);

// The verdict in one line, e.g. "Acceptable with reservations: %GRR 27.9 %
// (10 % to 30 %)" or "Capable: Cg 2.31 and Cgk 2.05 are at least 1.33";
// empty for an error.
std::string verdictLine(const Evaluation &evaluation);
// The verdict in the gauge's terms, for its colour: good (capable,
// acceptable), approach (with reservations), reject (not capable, not
// acceptable), invalid (no verdict, or an error).
Verdict verdictOf(const Evaluation &evaluation);

} // namespace qmxsrv::study
