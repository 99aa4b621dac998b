// The judgement of one measured value against its limits: the one place that
// decides good, approach and reject, for the bar gauge, the results and every
// later user.
#pragma once

#include <string_view>

namespace qmxsrv {

class channel;

// Ordered from best to worst, so that a part's verdict is the largest of its
// channels'. Invalid: no trustworthy value (demonstration board, failed read).
enum class Verdict { Good, Approach, Reject, Invalid };

// A value on a limit lies within it. Each pair of limits is taken as a range
// whatever its order, and beyond tolerance wins over inside approach, so
// limits in the wrong order never call a reject good. Not a number: reject.
Verdict verdict(double value, double loTol, double loAppr, double hiAppr, double hiTol);
Verdict verdict(double value, const channel &c);

Verdict worst(Verdict a, Verdict b);
// "good", "approach", "reject", "invalid": the texts stored and exported.
std::string_view verdictText(Verdict v);

} // namespace qmxsrv
