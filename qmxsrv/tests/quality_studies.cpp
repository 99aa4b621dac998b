// The arithmetic of the gauge studies: tail probabilities against printed tables
// and closed forms.
#include "quality/distributions.h"

#include <gmock/gmock.h>

#include <cmath>
#include <limits>

using namespace qmxsrv::study;
using ::testing::HasSubstr;

namespace {

using Opt = std::optional<double>;
const Opt none;
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

void expectNear(const char *what, const Opt &got, const Opt &want, double tol)
{
    if (!want) {
        EXPECT_FALSE(got) << what << " should be undefined, is " << *got;
        return;
    }
    ASSERT_TRUE(got) << what << " undefined, want " << *want;
    EXPECT_NEAR(*got, *want, tol) << what;
}

template <class R> std::string errorOf(const std::variant<R, std::string> &v)
{
    const std::string *e = std::get_if<std::string>(&v);
    return e ? *e : std::string("(no error)");
}

TEST(Distributions, PublishedValuesClosedFormsAndEnds)
{
    // NIST/SEMATECH e-Handbook of Statistical Methods, tables 1.3.6.7.3 (upper
    // critical values of F) and 1.3.6.7.2 (of t), to three decimals: the tail
    // beyond each value is alpha within that rounding. d1 = 0 marks a t value.
    // clang-format off
    const struct { double value, d1, d2, alpha; } table[] = {
        {161.448, 1, 1, .05}, {4.103, 2, 10, .05}, {2.978, 10, 10, .05}, {2.456, 9, 18, .05},
        {3.150, 2, 60, .05}, {4052.19, 1, 1, .01}, {7.559, 2, 10, .01}, {3.597, 9, 18, .01},
        {6.895, 1, 100, .01}, {12.706, 0, 1, .05}, {4.303, 0, 2, .05}, {2.093, 0, 19, .05},
        {1.984, 0, 100, .05}, {63.657, 0, 1, .01}, {4.032, 0, 5, .01}, {2.756, 0, 29, .01}};
    // clang-format on
    for (const auto &c : table) {
        SCOPED_TRACE(testing::Message() << c.value << " (" << c.d1 << ", " << c.d2 << ")");
        const double tol = c.alpha / 500;
        expectNear("tail", c.d1 > 0 ? fUpperTail(c.value, c.d1, c.d2) : tTwoSided(-c.value, c.d2),
                   c.alpha, tol);
    }
    // F(2, d2): (1 + 2f/d2)^(-d2/2); F(d1, 2): 1 - (q/(1+q))^(d1/2), q = d1 f/2;
    // t(1): 2/pi atan(1/t); t(2): 1 - t/sqrt(2 + t^2). Written without cancellation,
    // so the far tails must hold to a relative 1e-12 too.
    for (double f : {0.01, 1.0, 19.0, 250.0, 1e6}) {
        for (double d : {1.0, 2.5, 7.0, 60.0, 1e4}) {
            SCOPED_TRACE(testing::Message() << "f " << f << ", df " << d);
            const double want = std::pow(1 + 2 * f / d, -d / 2);
            expectNear("F(2, d2)", fUpperTail(f, 2, d), want, 1e-12 * want);
            const double other = -std::expm1(-d / 2 * std::log1p(2 / (d * f)));
            expectNear("F(d1, 2)", fUpperTail(f, d, 2), other, 1e-12 * other);
        }
    }
    for (double t : {0.0, 0.3, 2.5, 40.0, 1e5}) {
        SCOPED_TRACE(testing::Message() << "t " << t);
        const double cauchy = 2 / std::acos(-1.0) * std::atan2(1, t);
        const double root = std::sqrt(2 + t * t), two = 2 / (root * (root + t));
        expectNear("t(1)", tTwoSided(t, 1), cauchy, 1e-12 * cauchy);
        expectNear("t(2)", tTwoSided(t, 2), two, 1e-12 * two);
    }
    // The ends, and input without a distribution.
    // clang-format off
    const struct { const char *name; Opt got, want; } ends[] = {
        {"x = 0", incompleteBeta(0, 2, 3), 0.0}, {"x = 1", incompleteBeta(1, 2, 3), 1.0},
        {"x > 1", incompleteBeta(1.1, 2, 3), none}, {"b inf", incompleteBeta(0.5, 2, inf), none},
        {"f < 0", fUpperTail(-2, 3, 4), 1.0}, {"f inf", fUpperTail(inf, 3, 4), 0.0},
        {"f NaN", fUpperTail(nan, 3, 4), none}, {"d1 = 0", fUpperTail(2, 0, 4), none},
        {"d2 NaN", fUpperTail(2, 3, nan), none}, {"t inf", tTwoSided(-inf, 5), 0.0},
        {"t NaN", tTwoSided(nan, 5), none}, {"df < 0", tTwoSided(1, -1), none}};
    // clang-format on
    for (const auto &c : ends)
        expectNear(c.name, c.got, c.want, 0);
}

} // namespace
