// formula.cpp - lexer, recursive-descent compiler to postfix, and evaluator.
#include "formula.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

namespace qmxboard {
namespace {

// Room on the evaluation stack; nesting is limited well below what fills it
// (each level holds at most two pending left operands).
constexpr int kStack = 2 * kMaxNesting + 8;

enum class Tok {
    End,
    Number,
    Operand,
    Function,
    Plus,
    Minus,
    Star,
    Slash,
    Open,
    Close,
    Comma,
    Bad
};

struct Token {
    Tok kind = Tok::End;
    Op op = Op::Number;
    int index = 0;
    double value = 0;
    Status status = kOk; // for Bad
    std::size_t end = 0; // position after the token
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

Token make(Tok kind, std::size_t end)
{
    Token t;
    t.kind = kind;
    t.end = end;
    return t;
}

Token bad(Status status, std::size_t end)
{
    Token t = make(Tok::Bad, end);
    t.status = status;
    return t;
}

Token lexNumber(std::string_view s, std::size_t pos)
{
    std::size_t i = pos, digits = 0;
    while (i < s.size() && isDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return bad(kBadNumber, i);
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        std::size_t first = i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        if (i == first)
            return bad(kBadNumber, i);
    }
    if (i < s.size() && s[i] == '.')
        return bad(kBadNumber, i + 1); // 1.2.3
    double value = 0;
    auto [ptr, ec] = std::from_chars(s.data() + pos, s.data() + i, value);
    if (ec != std::errc() || ptr != s.data() + i || !std::isfinite(value) ||
        std::fabs(value) > FLT_MAX)
        return bad(kBadNumber, i);
    Token t = make(Tok::Number, i);
    t.value = value;
    return t;
}

Token lexName(std::string_view s, std::size_t pos)
{
    std::size_t i = pos;
    char name[4] = {};
    std::size_t letters = 0;
    while (i < s.size() && isLetter(s[i])) {
        if (letters < 3)
            name[letters] = upper(s[i]);
        ++letters, ++i;
    }
    std::size_t digitsFrom = i;
    long number = 0;
    while (i < s.size() && isDigit(s[i])) {
        number = std::min(number * 10 + (s[i] - '0'), 100000L);
        ++i;
    }
    Token t;
    t.end = i;
    if (letters == 1 && i > digitsFrom) {
        t.kind = Tok::Operand;
        t.index = int(number);
        switch (name[0]) {
        case 'T': t.op = Op::Probe; return (number < 1 || number > kProbes) ? bad(kBadProbe, i) : t;
        case 'A': t.op = Op::Input; return (number < 1 || number > kInputs) ? bad(kBadProbe, i) : t;
        case 'C':
            t.op = Op::Channel;
            return (number < 1 || number > kChannels) ? bad(kBadChannel, i) : t;
        }
        return bad(kBadSymbol, i);
    }
    if (letters == 3 && i == digitsFrom) {
        static const struct {
            const char *name;
            Op op;
        } functions[] = {
            {"GOR", Op::Greater}, {"LOR", Op::Least}, {"MAX", Op::Max},
            {"MIN", Op::Min},     {"TIR", Op::Tir},
        };
        for (const auto &f : functions) {
            if (std::memcmp(name, f.name, 3) == 0) {
                t.kind = Tok::Function;
                t.op = f.op;
                return t;
            }
        }
    }
    return bad(kBadSymbol, i);
}

Token lex(std::string_view s, std::size_t pos)
{
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t'))
        ++pos;
    Token t;
    t.end = pos + 1;
    if (pos >= s.size()) {
        t.end = pos;
        return t;
    }
    char c = s[pos];
    if (isDigit(c) || c == '.')
        return lexNumber(s, pos);
    if (isLetter(c))
        return lexName(s, pos);
    switch (c) {
    case '+': t.kind = Tok::Plus; return t;
    case '-': t.kind = Tok::Minus; return t;
    case '*': t.kind = Tok::Star; return t;
    case '/': t.kind = Tok::Slash; return t;
    case '(': t.kind = Tok::Open; return t;
    case ')': t.kind = Tok::Close; return t;
    case ',': t.kind = Tok::Comma; return t;
    }
    return bad(kBadSymbol, pos + 1);
}

bool startsOperand(Tok k)
{
    return k == Tok::Number || k == Tok::Operand || k == Tok::Function || k == Tok::Open;
}

class Compiler {
public:
    Compiler(std::string_view text, std::vector<Element> &code) : s_(text), code_(code) {}

    Status run()
    {
        expression();
        if (status_ != kOk)
            return status_;
        Token t = peek();
        switch (t.kind) {
        case Tok::End: return kOk;
        case Tok::Close: return kUnbalanced;
        default: return afterOperand(t);
        }
    }

private:
    std::string_view s_;
    std::vector<Element> &code_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    int stack_ = 0;
    Status status_ = kOk;

    Token peek() const { return lex(s_, pos_); }
    Token take()
    {
        Token t = lex(s_, pos_);
        pos_ = t.end;
        return t;
    }
    bool fail(Status status)
    {
        if (status_ == kOk)
            status_ = status;
        return false;
    }
    // What stands where an operator, a closing parenthesis or the end belongs.
    static Status afterOperand(const Token &t)
    {
        if (t.kind == Tok::Bad)
            return t.status;
        if (t.kind == Tok::Comma)
            return kBadFunction;
        if (t.kind == Tok::End || t.kind == Tok::Close)
            return kUnbalanced;
        return startsOperand(t.kind) ? kMissingOperator : kMissingOperand;
    }
    bool close()
    {
        Token t = peek();
        if (t.kind == Tok::Close) {
            take();
            return true;
        }
        return fail(afterOperand(t));
    }
    bool enter() { return ++depth_ <= kMaxNesting || fail(kTooComplex); }

    void emit(Op op, int index = 0, double value = 0)
    {
        Element e;
        e.op = op;
        e.index = std::uint16_t(index);
        e.value = value;
        code_.push_back(e);
        switch (op) {
        case Op::Number:
        case Op::Probe:
        case Op::Input:
        case Op::Channel: ++stack_; break;
        case Op::Add:
        case Op::Sub:
        case Op::Mul:
        case Op::Div:
        case Op::Greater:
        case Op::Least: --stack_; break;
        default: break;
        }
        if (stack_ > kStack)
            fail(kTooComplex);
    }

    // One precedence level: operands of the next level joined by two operators.
    bool level(bool (Compiler::*operand)(), Tok first, Op firstOp, Tok second, Op secondOp)
    {
        if (!(this->*operand)())
            return false;
        for (;;) {
            Tok k = peek().kind;
            if (k != first && k != second)
                return true;
            take();
            if (!(this->*operand)())
                return false;
            emit(k == first ? firstOp : secondOp);
        }
    }
    bool expression() { return level(&Compiler::term, Tok::Plus, Op::Add, Tok::Minus, Op::Sub); }
    bool term() { return level(&Compiler::unary, Tok::Star, Op::Mul, Tok::Slash, Op::Div); }
    bool unary()
    {
        if (peek().kind != Tok::Minus)
            return primary();
        take();
        if (!enter() || !unary())
            return false;
        --depth_;
        emit(Op::Neg);
        return status_ == kOk;
    }
    bool primary()
    {
        Token t = take();
        switch (t.kind) {
        case Tok::Number: emit(Op::Number, 0, t.value); return status_ == kOk;
        case Tok::Operand: emit(t.op, t.index); return status_ == kOk;
        case Tok::Bad: return fail(t.status);
        case Tok::Open:
            if (!enter() || !expression() || !close())
                return false;
            --depth_;
            return true;
        case Tok::Function:
            if (take().kind != Tok::Open)
                return fail(kBadFunction);
            if (!enter())
                return false;
            if (!(t.op == Op::Greater || t.op == Op::Least ? set(t.op) : memory(t.op)))
                return false;
            --depth_;
            return true;
        case Tok::Close: return fail(depth_ == 0 ? kUnbalanced : kMissingOperand);
        default: return fail(kMissingOperand);
        }
    }
    // GOR(a, b, ...) / LOR(a, b, ...): two terms or more, none empty.
    bool set(Op op)
    {
        int members = 0;
        for (;;) {
            Tok k = peek().kind;
            if (k == Tok::Close || k == Tok::Comma || k == Tok::End)
                return fail(kBadSet);
            if (!expression())
                return false;
            if (++members > 1)
                emit(op);
            if (peek().kind != Tok::Comma)
                break;
            take();
        }
        if (!close())
            return false;
        return members >= 2 || fail(kBadSet);
    }
    // MAX(x), MIN(x), TIR(x): exactly one argument.
    bool memory(Op op)
    {
        if (peek().kind == Tok::Close)
            return fail(kBadFunction);
        if (!expression())
            return false;
        if (peek().kind == Tok::Comma)
            return fail(kBadFunction);
        if (!close())
            return false;
        emit(op);
        return status_ == kOk;
    }
};

} // namespace

Status Formula::compile(std::string_view text, Formula &out)
{
    Formula f;
    Status status = Compiler(text, f.code_).run();
    if (status != kOk)
        return status;
    for (const Element &e : f.code_) {
        if (e.op == Op::Channel &&
            std::find(f.channels_.begin(), f.channels_.end(), e.index) == f.channels_.end())
            f.channels_.push_back(e.index);
        if (e.op == Op::Max || e.op == Op::Min || e.op == Op::Tir)
            f.hasMemories_ = true;
    }
    f.code_.shrink_to_fit();
    out = std::move(f);
    return kOk;
}

double Formula::evaluate(Operands &operands, bool scan)
{
    double st[kStack + 1];
    int sp = 0;
    for (Element &e : code_) {
        switch (e.op) {
        case Op::Number: st[sp++] = e.value; break;
        case Op::Probe: st[sp++] = operands.probe(e.index); break;
        case Op::Input: st[sp++] = operands.input(e.index); break;
        case Op::Channel: st[sp++] = operands.channel(e.index); break;
        case Op::Neg: st[sp - 1] = -st[sp - 1]; break;
        case Op::Add:
            --sp;
            st[sp - 1] += st[sp];
            break;
        case Op::Sub:
            --sp;
            st[sp - 1] -= st[sp];
            break;
        case Op::Mul:
            --sp;
            st[sp - 1] *= st[sp];
            break;
        case Op::Div:
            --sp;
            st[sp - 1] /= st[sp];
            break;
        case Op::Greater:
            --sp;
            st[sp - 1] = std::fmax(st[sp - 1], st[sp]);
            break;
        case Op::Least:
            --sp;
            st[sp - 1] = std::fmin(st[sp - 1], st[sp]);
            break;
        case Op::Max:
        case Op::Min:
        case Op::Tir: {
            double x = st[sp - 1];
            if (scan) {
                e.value = e.held ? std::fmax(e.value, x) : x;
                e.low = e.held ? std::fmin(e.low, x) : x;
                e.held = true;
            }
            double high = e.held ? std::fmax(e.value, x) : x;
            double low = e.held ? std::fmin(e.low, x) : x;
            st[sp - 1] = e.op == Op::Max ? high : e.op == Op::Min ? low : high - low;
            break;
        }
        }
    }
    return sp == 1 ? st[0] : 0.0;
}

void Formula::resetMemories()
{
    for (Element &e : code_)
        e.held = false;
}

std::vector<MemoryValue> Formula::memories() const
{
    std::vector<MemoryValue> out;
    for (const Element &e : code_) {
        if (e.op == Op::Max || e.op == Op::Min || e.op == Op::Tir)
            out.push_back({e.op, e.held, e.value, e.low});
    }
    return out;
}

} // namespace qmxboard
