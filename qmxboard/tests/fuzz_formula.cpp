// Any bytes as a formula: compiled, evaluated, and defined into a table whose
// other channels refer to each other, so loops and references are exercised.
#include "channel_table.h"
#include "formula.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

class Sawtooth : public qmxboard::Readings {
public:
    double probe(int n) override { return n * 0.25 - 8; }
    double input(int n) override { return n == 3 ? 0.0 : 1.0 / n; } // a zero to divide by
};

class Flat : public qmxboard::Operands {
public:
    double probe(int n) override { return n; }
    double input(int n) override { return -n; }
    double channel(int n) override { return n * 2.0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);

    qmxboard::Formula formula;
    if (qmxboard::Formula::compile(text, formula) == qmxboard::kOk) {
        Flat flat;
        formula.evaluate(flat, true);
        formula.evaluate(flat, false);
        formula.resetMemories();
    }

    qmxboard::ChannelTable table;
    Sawtooth readings;
    table.define(1, "T1+C2");
    table.define(2, "MAX(A1)*C3");
    table.define(3, "GOR(T2,T3,A3)");
    int n = data[0] % qmxboard::kChannels + 1;
    table.define(n, text);
    table.scan(readings);
    for (int c = 1; c <= 4; ++c)
        table.value(c, readings);
    table.value(n, readings);
    return 0;
}
