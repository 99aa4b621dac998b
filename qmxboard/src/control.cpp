// control.cpp - Control: each call takes the board's lock for its length.
#include "commands.h"
#include "control_commands.h"
#include "instance.h"
#include "qmxboard.h"

#include <algorithm>
#include <cstdio>

namespace qmxboard {
namespace {

struct Locked {
    Board &board = instance().board;
    std::lock_guard<std::mutex> lock{board.mutex()};
};

bool inRange(int n, int last) { return n >= 1 && n <= last; }

// A value the running firmware would answer now.
template <class Read> bool readNow(int n, int last, float &value, Read read)
{
    Locked l;
    Firmware *f = l.board.firmware();
    if (!f || !inRange(n, last))
        return false;
    l.board.advance();
    value = read(*f);
    return true;
}

} // namespace

std::string Frame::call() const { return describeCall(code, request.data(), request.size()); }

std::uint64_t PortCounts::total() const
{
    return dataReads + dataWrites + statusReads + statusWrites + replyReads + replyWrites +
           otherReads + otherWrites;
}

void Control::reset(Start start) { Locked().board.reset(start); }
void Control::setBaseAddress(unsigned base) { Locked().board.setBase(base); }

void Control::setProbe(int n, double position)
{
    if (inRange(n, kProbes))
        Locked().board.model().setPosition(probeItem(n), position);
}
void Control::setInput(int n, double position)
{
    if (inRange(n, kInputs))
        Locked().board.model().setPosition(inputItem(n), position);
}
void Control::freeze(bool frozen) { Locked().board.model().freeze(frozen); }
void Control::setSeed(std::uint64_t seed) { Locked().board.model().reseed(seed); }
void Control::setClock(std::function<std::int64_t()> nanoseconds)
{
    Locked().board.setClock(std::move(nanoseconds));
}

BoardState Control::state() const
{
    Locked l;
    l.board.advance();
    return l.board.state();
}

bool Control::probeReading(int n, float &value) const
{
    return readNow(n, kProbes, value, [n](Firmware &f) { return float(f.probe(n)); });
}

bool Control::inputReading(int n, float &value) const
{
    return readNow(n, kInputs, value, [n](Firmware &f) { return float(f.input(n)); });
}

bool Control::channelValue(int n, float &value) const
{
    return readNow(n, kChannels, value, [n](Firmware &f) { return f.channel(n); });
}

PortCounts Control::portCounts() const { return Locked().board.traffic().counts(); }

std::vector<Frame> Control::frames() const
{
    Locked l;
    const auto &frames = l.board.traffic().frames();
    return {frames.begin(), frames.end()};
}

std::vector<std::string> Control::calls() const
{
    std::vector<std::string> out;
    for (const Frame &f : frames())
        out.push_back(f.call());
    return out;
}

bool Control::receivedInOrder(const std::vector<std::string> &expected) const
{
    std::vector<std::string> got = calls();
    auto at = got.begin();
    for (const std::string &call : expected) {
        at = std::find(at, got.end(), call);
        if (at == got.end())
            return false;
        ++at;
    }
    return true;
}

void Control::clearTraffic() { Locked().board.traffic().clear(); }

void Control::dieNow() { Locked().board.dieNow(); }
void Control::dieAfterBytes(unsigned bytes)
{
    Locked l;
    if (bytes == 0)
        l.board.dieNow();
    else
        l.board.dieAfterBytes(bytes);
}
void Control::answerNextWith(std::uint8_t status) { Locked().board.answerNextWith(status); }
void Control::delayReplies(unsigned polls) { Locked().board.delayReplies(polls); }
void Control::delayRepliesSeconds(double seconds)
{
    Locked().board.delayRepliesNs(seconds > 0 ? std::int64_t(seconds * 1e9) : 0);
}
void Control::comeBack() { Locked().board.comeBack(); }

bool startListening(Instance &one, const std::string &path, std::string *error)
{
    std::lock_guard<std::mutex> lock(one.socketMutex);
    one.socket.reset();
    one.socket = ControlSocket::open(
        path, [](const std::string &line) { return Control().command(line); }, error);
    return one.socket != nullptr;
}

bool listenFromEnvironment(Instance &one)
{
    BoardConfig config = configFromEnvironment();
    if (config.controlPath.empty())
        return false;
    std::string error;
    if (startListening(one, config.controlPath, &error))
        return true;
    std::fprintf(stderr, "qmxboard: no control socket at %s: %s\n", config.controlPath.c_str(),
                 error.c_str());
    return false;
}

bool Control::listen(const std::string &path, std::string *error)
{
    return startListening(instance(), path, error);
}

void Control::stopListening()
{
    Instance &one = instance();
    std::lock_guard<std::mutex> lock(one.socketMutex);
    one.socket.reset();
}

std::string Control::command(const std::string &line) { return runControlCommand(*this, line); }

} // namespace qmxboard
