// Run rules on the mean (or individuals) chart, and the out-of-limits test of
// the spread chart. Rules are numbered as in their set; each can be switched
// off on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qmxsrv::spc {

// Western Electric, tests 1-4:
//   1 one point beyond 3 sigma
//   2 two of three consecutive beyond 2 sigma, same side
//   3 four of five consecutive beyond 1 sigma, same side
//   4 eight consecutive on one side of the centre
// Nelson, tests 1-8:
//   1 one point beyond 3 sigma
//   2 nine in a row on one side of the centre
//   3 six in a row steadily increasing, or decreasing
//   4 fourteen in a row alternating up and down
//   5 two of three beyond 2 sigma, same side
//   6 four of five beyond 1 sigma, same side
//   7 fifteen in a row within 1 sigma, either side
//   8 eight in a row none within 1 sigma, either side
enum class RuleSet { None, WesternElectric, Nelson };

// Switched-on tests: bit k-1 for test k.
std::uint32_t allTests(RuleSet set);

// The tests that fire at points[i], ascending. Sigma is that of a plotted
// point. Beyond a line is strictly farther from the centre than it; a point
// on the centre is on neither side. A rule fires when the points up to i show
// its pattern and points[i] is itself one the pattern counts, again at each
// point a run goes on. Points before points[0] are never looked at: pass only
// those judged against the limits in force.
std::vector<int> rulesFiredAt(const std::vector<double> &points, std::size_t i, double centre,
                              double pointSigma, RuleSet set, std::uint32_t enabled);

// The spread chart: strictly outside its limits.
bool beyondLimits(double v, double lcl, double ucl);

} // namespace qmxsrv::spc
