#include "quality/type1study.h"

#include "quality/distributions.h"
#include "quality/studyinput.h"

#include <cmath>

namespace qmxsrv::study {

using detail::number;
using detail::ratio;

namespace {

constexpr double kSignificance = 0.05;

std::optional<std::string> optionsError(const Type1Options &o)
{
    if (!std::isfinite(o.reference))
        return std::string("the reference value is not a number");
    if (auto e = detail::toleranceError(o.tolerance))
        return e;
    if (!(o.k > 0 && o.k <= 100))
        return "K must be a percentage above 0 and at most 100, not " + number(o.k);
    if (!(std::isfinite(o.l) && o.l > 0))
        return "L must be a positive number of standard deviations, not " + number(o.l);
    if (o.resolution && !(std::isfinite(*o.resolution) && *o.resolution > 0))
        return "the resolution must be a positive number, not " + number(*o.resolution);
    return std::nullopt;
}

} // namespace

std::variant<Type1Result, std::string> type1Study(const std::vector<double> &readings,
                                                  const Type1Options &o)
{
    if (readings.size() < static_cast<std::size_t>(kType1MinReadings))
        return "a type 1 study needs at least " + std::to_string(kType1MinReadings) +
               " readings, got " + std::to_string(readings.size());
    for (std::size_t i = 0; i < readings.size(); ++i)
        if (!std::isfinite(readings[i]))
            return "reading " + std::to_string(i + 1) + " is not a number";
    if (auto e = optionsError(o))
        return *e;

    Type1Result res;
    res.n = static_cast<int>(readings.size());
    const double n = res.n;
    const double mean = detail::average(readings);
    double squares = 0;
    for (double x : readings)
        squares += (x - mean) * (x - mean);
    res.mean = mean;
    res.sd = std::sqrt(squares / (n - 1));
    res.bias = mean - o.reference;
    if (!std::isfinite(res.sd) || !std::isfinite(res.bias))
        return std::string("the readings are too large or too far apart to evaluate");

    if (res.sd > 0) {
        res.t = ratio(res.bias, res.sd / std::sqrt(n));
        if (res.t)
            res.p = tTwoSided(*res.t, n - 1);
        if (res.p)
            res.biasSignificant = *res.p < kSignificance;
        res.cg = ratio(o.k / 100 * o.tolerance, o.l * res.sd);
        res.cgk = ratio(o.k / 200 * o.tolerance - std::fabs(res.bias), o.l / 2 * res.sd);
        if (res.cg && res.cgk)
            res.capable = *res.cg >= kMinCapability && *res.cgk >= kMinCapability;
    }
    if (o.resolution)
        res.resolutionPercent = ratio(100 * *o.resolution, o.tolerance);
    return res;
}

} // namespace qmxsrv::study
