// Tail probabilities of the F and Student t distributions, for the tests of
// the gauge studies. Computed from the regularized incomplete beta function,
// so any degrees of freedom work, not only those of a printed table.
#pragma once

#include <optional>

namespace qmxsrv::study {

// I_x(a, b) for 0 <= x <= 1 and a, b > 0; empty outside that or when the
// continued fraction does not settle.
std::optional<double> incompleteBeta(double x, double a, double b);

// P(F >= f) for F with d1 and d2 degrees of freedom (d1, d2 > 0). 1 for f <= 0,
// 0 for f = +infinity; empty for a NaN or unusable degrees of freedom.
std::optional<double> fUpperTail(double f, double d1, double d2);

// P(|T| >= |t|) for Student's t with df > 0 degrees of freedom: the p-value of
// a two-sided test. Empty for a NaN or unusable df.
std::optional<double> tTwoSided(double t, double df);

} // namespace qmxsrv::study
