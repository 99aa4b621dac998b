#include "quality/distributions.h"

#include <algorithm>
#include <cmath>

namespace qmxsrv::study {

namespace {

// The continued fraction of I_x(a, b) by the modified Lentz method. Its terms
// shrink fastest for x below (a + 1) / (a + b + 2); the caller swaps a and b
// (and x with 1 - x) above that.
std::optional<double> betaFraction(double x, double a, double b)
{
    constexpr double tiny = 1e-300; // keeps a zero denominator from stopping the recurrence
    constexpr double eps = 1e-15;
    // Enough for degrees of freedom in the millions; studies use a few hundred.
    constexpr int maxTerms = 10000;
    const double qab = a + b, qap = a + 1, qam = a - 1;
    double c = 1;
    double d = 1 - qab * x / qap;
    if (std::fabs(d) < tiny)
        d = tiny;
    d = 1 / d;
    double h = d;
    for (int m = 1; m <= maxTerms; ++m) {
        const double m2 = 2.0 * m;
        // even step
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1 / d;
        h *= d * c;
        // odd step
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1) < eps)
            return h;
    }
    return std::nullopt;
}

// I_x(a, b) with y = 1 - x given separately: the callers know 1 - x exactly
// where forming it would cancel (a tail probability near 0 or 1).
std::optional<double> betaRegularized(double x, double y, double a, double b)
{
    if (x <= 0)
        return 0.0;
    if (y <= 0)
        return 1.0;
    // x^a y^b / (a B(a, b)), in logarithms so large degrees of freedom do not overflow
    const double logFront =
        std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log(y);
    const double front = std::exp(logFront);
    double v;
    if (x < (a + 1) / (a + b + 2)) {
        const std::optional<double> cf = betaFraction(x, a, b);
        if (!cf)
            return std::nullopt;
        v = front * *cf / a;
    } else {
        const std::optional<double> cf = betaFraction(y, b, a);
        if (!cf)
            return std::nullopt;
        v = 1 - front * *cf / b;
    }
    if (!std::isfinite(v))
        return std::nullopt;
    return std::clamp(v, 0.0, 1.0);
}

bool usableDf(double df) { return std::isfinite(df) && df > 0; }

} // namespace

std::optional<double> incompleteBeta(double x, double a, double b)
{
    if (!(x >= 0 && x <= 1) || !usableDf(a) || !usableDf(b))
        return std::nullopt;
    return betaRegularized(x, 1 - x, a, b);
}

std::optional<double> fUpperTail(double f, double d1, double d2)
{
    if (std::isnan(f) || !usableDf(d1) || !usableDf(d2))
        return std::nullopt;
    if (f <= 0)
        return 1.0;
    // P(F >= f) = I_x(d2/2, d1/2) with x = d2 / (d2 + d1 f), written through
    // q = d1 f / d2 so that both x and 1 - x come without cancellation.
    const double q = d1 * f / d2;
    if (!std::isfinite(q))
        return 0.0;
    return betaRegularized(1 / (1 + q), q / (1 + q), d2 / 2, d1 / 2);
}

std::optional<double> tTwoSided(double t, double df)
{
    if (std::isnan(t) || !usableDf(df))
        return std::nullopt;
    // P(|T| >= |t|) = I_x(df/2, 1/2) with x = df / (df + t^2).
    const double q = t * t / df;
    if (!std::isfinite(q))
        return 0.0;
    return betaRegularized(1 / (1 + q), q / (1 + q), df / 2, 0.5);
}

} // namespace qmxsrv::study
