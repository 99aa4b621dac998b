// pc_link.cpp
#include "pc_link.h"

#include "qmxboard_bus.h"

#include <cmath>
#include <cstring>

namespace qmxtest {

int PcLink::readByte() {
    for (int i = 0; i < kPolls; ++i) {
        if (qmxboard_port_read(base_ + 1) & 1) return qmxboard_port_read(base_);
    }
    return -1;
}

int PcLink::readByteAck() {
    for (int i = 0; i < kPolls; ++i) {
        if (qmxboard_port_read(base_ + 1) & 1) {
            qmxboard_port_write(base_, 0);
            return qmxboard_port_read(base_);
        }
    }
    return -1;
}

bool PcLink::writeByte(std::uint8_t b) {
    for (int i = 0; i < kPolls; ++i) {
        if (!(qmxboard_port_read(base_ + 1) & 1)) {
            qmxboard_port_write(base_, b);
            return true;
        }
    }
    return false;
}

bool PcLink::waitReplyReady(int polls) {
    for (int i = 0; i < polls; ++i) {
        if (qmxboard_port_read(base_ + 3) & 1) {
            qmxboard_port_write(base_ + 3, 0);
            return true;
        }
    }
    return false;
}

bool PcLink::send(std::uint8_t code, const std::vector<std::uint8_t> &data) {
    if (!writeByte(0x3A) || !writeByte(code) || !writeByte(std::uint8_t(data.size()))) return false;
    for (std::uint8_t b : data) {
        if (!writeByte(b)) return false;
    }
    return true;
}

PcLink::Reply PcLink::receive(int polls) {
    Reply r;
    if (!waitReplyReady(polls)) return r;
    int lead = readByte(), status = readByte(), count = readByte();
    if (lead < 0 || status < 0 || count < 0) return r;
    if (count == 0) count = 256;
    for (int i = 0; i < count; ++i) {
        int b = readByte();
        if (b < 0) return r;
        r.data.push_back(std::uint8_t(b));
    }
    r.status = status;
    return r;
}

PcLink::Reply PcLink::exchange(std::uint8_t code, const std::vector<std::uint8_t> &data, int polls) {
    send(code, data);
    return receive(polls);
}

int PcLink::define(int channel, const std::string &formula) {
    std::vector<std::uint8_t> d(formula.size() + 2, 0);
    d[0] = std::uint8_t(channel);
    std::memcpy(&d[1], formula.data(), formula.size());
    return exchange(0x03, d).status;
}

PcLink::Reply PcLink::readFloat(std::uint8_t code, int item) { return exchange(code, {std::uint8_t(item)}); }

int PcLink::setFloat(std::uint8_t code, int item, float value) {
    std::vector<std::uint8_t> d{std::uint8_t(item)};
    for (std::uint8_t b : floatBytes(value)) d.push_back(b);
    return exchange(code, d).status;
}

float PcLink::channel(int n) {
    Reply r = readFloat(0x04, n);
    return r.status == 0 ? value(r) : NAN;
}

void PcLink::startup() {
    for (int i = 0; i < 3000; ++i) qmxboard_port_write(base_ + 1, 0);
    qmxboard_port_write(base_ + 3, 0);
    qmxboard_port_read(base_);
}

int PcLink::prompt(int tries) {
    for (int i = 0; i < tries; ++i) {
        int b = readByteAck();
        if (b >= 0) return b;
    }
    return -1;
}

bool PcLink::writeBlock(std::uint16_t segment, std::uint16_t offset, const std::uint8_t *data, std::size_t count) {
    const std::uint8_t head[] = {'W', std::uint8_t(count), std::uint8_t(offset), std::uint8_t(offset >> 8),
                                 std::uint8_t(segment), std::uint8_t(segment >> 8)};
    for (std::uint8_t b : head) {
        if (!writeByte(b)) return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!writeByte(data[i])) return false;
    }
    return true;
}

bool PcLink::go(std::uint16_t address) {
    return writeByte('G') && writeByte(std::uint8_t(address >> 8)) && writeByte(std::uint8_t(address));
}

bool PcLink::download(const std::vector<std::uint8_t> &file) {
    startup();
    if (prompt() != '*') return false;
    auto word = [&](std::size_t i) { return std::uint16_t(file[i] | file[i + 1] << 8); };
    std::uint16_t offset = word(2), segment = word(4);
    for (std::size_t at = 256; at < file.size(); at += 256) {
        std::size_t count = std::min<std::size_t>(256, file.size() - at);
        if (!writeBlock(segment, offset, &file[at], count)) return false;
        offset = std::uint16_t(offset + count);
    }
    return go(word(6));
}

float PcLink::value(const Reply &r) {
    float v = NAN;
    if (r.data.size() >= 4) std::memcpy(&v, r.data.data(), 4);
    return v;
}

std::vector<std::uint8_t> PcLink::floatBytes(float v) {
    std::uint8_t b[4];
    std::memcpy(b, &v, 4);
    return {b, b + 4};
}

} // namespace qmxtest
