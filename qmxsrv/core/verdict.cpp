#include "verdict.h"

#include "channel.h"

#include <algorithm>

namespace qmxsrv {

namespace {
bool within(double v, double a, double b) { return v >= std::min(a, b) && v <= std::max(a, b); }
} // namespace

Verdict verdict(double value, double loTol, double loAppr, double hiAppr, double hiTol)
{
    // NaN compares false everywhere, so it falls out as a reject here.
    if (!within(value, loTol, hiTol))
        return Verdict::Reject;
    return within(value, loAppr, hiAppr) ? Verdict::Good : Verdict::Approach;
}

Verdict verdict(double value, const channel &c)
{
    return verdict(value, c.LoTol, c.LoAppr, c.HiAppr, c.HiTol);
}

Verdict worst(Verdict a, Verdict b) { return std::max(a, b); }

std::string_view verdictText(Verdict v)
{
    switch (v) {
    case Verdict::Good: return "good";
    case Verdict::Approach: return "approach";
    case Verdict::Reject: return "reject";
    case Verdict::Invalid: break;
    }
    return "invalid";
}

} // namespace qmxsrv
