#include "quality/studyfigures.h"

#include "quality/statistics.h"

#include <algorithm>
#include <cmath>

namespace qmxsrv::study {

namespace {

std::optional<double> sigmaOf(const std::optional<VariationComponent> &c)
{
    return c ? std::optional<double>(c->sigma) : std::nullopt;
}

std::optional<double> percentOf(const std::optional<VariationComponent> &c)
{
    return c ? c->percentOfTv : std::nullopt;
}

std::vector<Figure> type1Figures(const Type1Result &r)
{
    return {{"n", double(r.n), FigureKind::Count},    {"mean", r.mean, FigureKind::Length},
            {"s", r.sd, FigureKind::Length},          {"bias", r.bias, FigureKind::Length},
            {"bias_p", r.p, FigureKind::Probability}, {"Cg", r.cg, FigureKind::Ratio},
            {"Cgk", r.cgk, FigureKind::Ratio}};
}

std::vector<Figure> grrFigures(const GrrResult &r)
{
    const auto length = FigureKind::Length, percent = FigureKind::Percent;
    std::vector<Figure> out = {
        {"EV", r.ev.sigma, length},
        {"AV", sigmaOf(r.av), length},
        {"INT", sigmaOf(r.interaction), length},
        {"GRR", r.grr.sigma, length},
        {"PV", r.pv.sigma, length},
        {"TV", r.tv.sigma, length},
        {"%EV", r.ev.percentOfTv, percent},
        {"%AV", percentOf(r.av), percent},
        {"%GRR", r.grr.percentOfTv, percent},
        {"%PV", r.pv.percentOfTv, percent},
        {"ndc", r.ndc ? std::optional<double>(*r.ndc) : std::nullopt, FigureKind::Count},
    };
    // Computed only when the study was given a tolerance, and then always.
    if (r.grr.percentOfTolerance)
        out.push_back({"%GRR_tol", r.grr.percentOfTolerance, percent});
    if (r.method == GrrMethod::Anova) {
        out.push_back({"interaction_p", r.interactionP, FigureKind::Probability});
        out.push_back({"pooled", r.pooled ? 1.0 : 0.0, FigureKind::YesNo});
    }
    return out;
}

std::string fixed(double v, int decimals) { return statisticText(v, decimals); }

// v with the fewest decimals (from `decimals`) that keep it on its side of
// every limit: 9.99 % is no "10.0 %" beside "under 10 %".
std::string besideLimits(double v, int decimals, std::initializer_list<double> limits)
{
    for (int d = decimals; d < 6; ++d) {
        const double scale = std::pow(10.0, d), shown = std::round(v * scale) / scale;
        if (std::all_of(limits.begin(), limits.end(),
                        [&](double l) { return (shown < l) == (v < l) && (shown > l) == (v > l); }))
            return fixed(v, d);
    }
    return fixed(v, 6);
}

} // namespace

Evaluation evaluate(const Study &study)
{
    const int taken = study.taken();
    if (taken < int(study.cells.size()) || study.cells.empty())
        return "the study is not finished: " + std::to_string(taken) + " of " +
               std::to_string(study.cells.size()) + " readings taken";
    if (study.type == StudyType::Type1) {
        if (!study.reference || !study.tolerance)
            return std::string("a type 1 study needs its reference value and tolerance");
        // In the order taken: the order asked, one trial after the other.
        std::vector<const StudyCell *> inOrder;
        for (const StudyCell &c : study.cells)
            inOrder.push_back(&c);
        std::stable_sort(
            inOrder.begin(), inOrder.end(),
            [](const StudyCell *a, const StudyCell *b) { return a->trial < b->trial; });
        std::vector<double> values;
        for (const StudyCell *c : inOrder)
            values.push_back(*c->value);
        auto r = type1Study(
            values, {*study.reference, *study.tolerance, study.k, study.l, study.resolution});
        if (auto *e = std::get_if<std::string>(&r))
            return *e;
        return std::get<Type1Result>(r);
    }
    std::vector<Reading> readings;
    readings.reserve(study.cells.size());
    for (const StudyCell &c : study.cells)
        readings.push_back({c.appraiser, c.part, c.trial, *c.value});
    auto r = study.type == StudyType::Grr
                 ? grrStudy(readings, {study.method, study.tolerance, GrrOptions{}.poolAbove})
                 : type3Study(readings, study.tolerance);
    if (auto *e = std::get_if<std::string>(&r))
        return *e;
    return std::get<GrrResult>(r);
}

std::vector<Figure> figures(const Evaluation &evaluation)
{
    if (const auto *t1 = std::get_if<Type1Result>(&evaluation))
        return type1Figures(*t1);
    if (const auto *grr = std::get_if<GrrResult>(&evaluation))
        return grrFigures(*grr);
    return {};
}

std::string machineText(const Figure &f)
{
    if (!f.value || !std::isfinite(*f.value))
        return "-";
    const double v = *f.value;
    switch (f.kind) {
    case FigureKind::Count: return fixed(v, 0);
    case FigureKind::YesNo: return v != 0 ? "yes" : "no";
    default: break;
    }
    // 6 significant digits of a small figure need more than 6 decimals.
    const int decimals =
        v == 0 ? 6 : std::clamp(5 - int(std::floor(std::log10(std::fabs(v)))), 6, 17);
    return fixed(v, decimals);
}

std::string displayText(const Figure &f, int decimals)
{
    if (!f.value || !std::isfinite(*f.value))
        return "-";
    const double v = *f.value;
    switch (f.kind) {
    case FigureKind::Count: return fixed(v, 0);
    case FigureKind::YesNo: return v != 0 ? "yes" : "no";
    case FigureKind::Length: return fixed(v, std::clamp(decimals + 2, 2, 17));
    case FigureKind::Percent: return fixed(v, 1) + " %";
    case FigureKind::Ratio: return fixed(v, 2);
    case FigureKind::Probability: return v < 0.001 ? "< 0.001" : fixed(v, 3);
    }
    return "-";
}

std::vector<std::vector<std::string>> figureTable(const Evaluation &evaluation, int decimals)
{
    const auto shown = [&](std::optional<double> v, FigureKind kind) {
        return displayText({std::string(), v, kind}, decimals);
    };
    std::vector<std::vector<std::string>> rows;
    if (const auto *t1 = std::get_if<Type1Result>(&evaluation)) {
        const char *significance = !t1->biasSignificant   ? ""
                                   : *t1->biasSignificant ? " (significant)"
                                                          : " (not significant)";
        rows = {{"Figure", "Value"},
                {"Readings (n)", std::to_string(t1->n)},
                {"Mean", shown(t1->mean, FigureKind::Length)},
                {"Standard deviation (s)", shown(t1->sd, FigureKind::Length)},
                {"Bias", shown(t1->bias, FigureKind::Length)},
                {"Bias p-value", shown(t1->p, FigureKind::Probability) + significance},
                {"Cg", shown(t1->cg, FigureKind::Ratio)},
                {"Cgk", shown(t1->cgk, FigureKind::Ratio)}};
        if (t1->resolutionPercent)
            rows.push_back(
                {"Resolution of tolerance", shown(t1->resolutionPercent, FigureKind::Percent)});
        return rows;
    }
    const auto *r = std::get_if<GrrResult>(&evaluation);
    if (!r)
        return rows;
    rows.push_back({"Source", "Std. deviation", "% of TV", "% of tolerance"});
    const auto add = [&](const char *name, const std::optional<VariationComponent> &c) {
        if (!c)
            return;
        rows.push_back({name, shown(c->sigma, FigureKind::Length),
                        shown(c->percentOfTv, FigureKind::Percent),
                        shown(c->percentOfTolerance, FigureKind::Percent)});
    };
    add("Repeatability (EV)", r->ev);
    add("Reproducibility (AV)", r->av);
    add("Interaction (INT)", r->interaction);
    add("Gauge R&R (GRR)", r->grr);
    add("Part variation (PV)", r->pv);
    add("Total variation (TV)", r->tv);
    rows.push_back(
        {"Distinct categories (ndc)", r->ndc ? std::to_string(*r->ndc) : std::string("-"), "", ""});
    if (r->method == GrrMethod::Anova && r->appraisers > 1)
        rows.push_back({"Interaction p-value",
                        shown(r->interactionP, FigureKind::Probability) +
                            (r->pooled ? " (pooled into EV)" : " (kept)"),
                        "", ""});
    return rows;
}

std::string designText(const Study &s)
{
    const auto count = [](int n, const char *one, const char *many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    const std::string times = " \u00d7 ";
    switch (s.type) {
    case StudyType::Type1: return count(s.trials, "reading", "readings") + " of one reference part";
    case StudyType::Type3:
        return count(s.parts, "part", "parts") + times + count(s.trials, "trial", "trials");
    case StudyType::Grr: break;
    }
    return count(s.parts, "part", "parts") + times +
           count(s.appraisers, "appraiser", "appraisers") + times +
           count(s.trials, "trial", "trials");
}

std::string verdictLine(const Evaluation &evaluation)
{
    if (const auto *t1 = std::get_if<Type1Result>(&evaluation)) {
        if (!t1->capable)
            return "No verdict: the readings do not vary at all, so Cg and Cgk are undefined";
        const std::string figures = "Cg " + besideLimits(*t1->cg, 2, {kMinCapability}) +
                                    " and Cgk " + besideLimits(*t1->cgk, 2, {kMinCapability});
        const std::string limit = fixed(kMinCapability, 2);
        return *t1->capable ? "Capable: " + figures + " are at least " + limit
                            : "Not capable: " + figures + " must both be at least " + limit;
    }
    if (const auto *grr = std::get_if<GrrResult>(&evaluation)) {
        if (!grr->verdict || !grr->grr.percentOfTv)
            return "No verdict: the readings do not vary at all, so %GRR is undefined";
        const std::string percent =
            "%GRR " + besideLimits(*grr->grr.percentOfTv, 1, {10, 30}) + " %";
        switch (*grr->verdict) {
        case GrrVerdict::Acceptable: return "Acceptable: " + percent + " (under 10 %)";
        case GrrVerdict::Conditional:
            return "Acceptable with reservations: " + percent + " (10 % to 30 %)";
        case GrrVerdict::NotAcceptable: return "Not acceptable: " + percent + " (over 30 %)";
        }
    }
    return {};
}

Verdict verdictOf(const Evaluation &evaluation)
{
    if (const auto *t1 = std::get_if<Type1Result>(&evaluation); t1 && t1->capable)
        return *t1->capable ? Verdict::Good : Verdict::Reject;
    if (const auto *grr = std::get_if<GrrResult>(&evaluation); grr && grr->verdict) {
        switch (*grr->verdict) {
        case GrrVerdict::Acceptable: return Verdict::Good;
        case GrrVerdict::Conditional: return Verdict::Approach;
        case GrrVerdict::NotAcceptable: return Verdict::Reject;
        }
    }
    return Verdict::Invalid;
}

} // namespace qmxsrv::study
