// channel_table.cpp
#include "channel_table.h"

#include <vector>

namespace qmxboard {

class ChannelTable::Evaluation : public Operands {
public:
    Evaluation(ChannelTable &table, Readings &readings) : table_(table), readings_(readings) {}
    double probe(int n) override { return readings_.probe(n); }
    double input(int n) override { return readings_.input(n); }
    double channel(int n) override
    {
        if (table_.memoPass_[n - 1] != table_.pass_) {
            table_.memoValue_[n - 1] = table_.compute(n, readings_, false);
            table_.memoPass_[n - 1] = table_.pass_;
        }
        return table_.memoValue_[n - 1];
    }

private:
    ChannelTable &table_;
    Readings &readings_;
};

Status ChannelTable::define(int n, std::string_view text)
{
    auto formula = std::make_unique<Formula>();
    Status status = Formula::compile(text, *formula);
    if (status != kOk)
        return status;
    for (int ref : formula->channels()) {
        if (ref == n || reaches(ref, n))
            return kCircular;
    }
    Channel &c = at(n);
    std::size_t oldElements = c.formula ? c.formula->size() : 0;
    std::size_t oldText = c.formula ? c.text.size() + 1 : 0;
    if (tableUsed_ - oldElements + formula->size() > kFormulaTable)
        return kTableFull;
    if (memoryUsed_ - oldText + text.size() + 1 > kFormulaMemory)
        return kMemoryFull;
    tableUsed_ += formula->size() - oldElements;
    memoryUsed_ += text.size() + 1 - oldText;
    c.text.assign(text);
    c.formula = std::move(formula);
    return kOk;
}

void ChannelTable::clear(int n)
{
    Channel &c = at(n);
    if (!c.formula)
        return;
    tableUsed_ -= c.formula->size();
    memoryUsed_ -= c.text.size() + 1;
    c.formula.reset();
    c.text.clear();
}

void ChannelTable::clearAll()
{
    for (int n = 1; n <= kChannels; ++n)
        clear(n);
}

// Whether channel `from` depends on `target`, directly or through others.
bool ChannelTable::reaches(int from, int target) const
{
    std::vector<int> todo{from};
    std::array<bool, kChannels> seen{};
    while (!todo.empty()) {
        int n = todo.back();
        todo.pop_back();
        if (seen[n - 1])
            continue;
        seen[n - 1] = true;
        const Channel &c = at(n);
        if (!c.formula)
            continue;
        for (int ref : c.formula->channels()) {
            if (ref == target)
                return true;
            todo.push_back(ref);
        }
    }
    return false;
}

double ChannelTable::compute(int n, Readings &readings, bool scan)
{
    Channel &c = at(n);
    double x = 0.0;
    if (c.formula) {
        Evaluation ev(*this, readings);
        x = c.formula->evaluate(ev, scan);
    }
    return x * double(c.scale) + double(c.zero);
}

void ChannelTable::nextPass()
{
    if (++pass_ == 0) {
        memoPass_.fill(0);
        pass_ = 1;
    }
}

float ChannelTable::value(int n, Readings &readings)
{
    nextPass();
    return float(compute(n, readings, false));
}

void ChannelTable::scan(Readings &readings)
{
    nextPass();
    for (int n = 1; n <= kChannels; ++n) {
        Channel &c = at(n);
        if (c.formula && c.formula->hasMemories())
            compute(n, readings, true);
    }
}

void ChannelTable::resetMemories()
{
    for (Channel &c : channels_) {
        if (c.formula)
            c.formula->resetMemories();
    }
}

} // namespace qmxboard
