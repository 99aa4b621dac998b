/* fake_board.c - a stand-in for libqmxboard.so in the plug-in tests: at
 * 0x310 it answers every complete request frame with status 0 and the one
 * data byte 2A, and counts the accesses it sees. */
#include "qmxboard_bus.h"

enum { BASE = 0x310 };

unsigned long fake_board_accesses = 0;

static unsigned char request[3 + 256];
static int received = 0;
static const unsigned char reply[] = {0x00, 0x00, 0x01, 0x2A};
static int offered = sizeof reply;  /* nothing offered until a reply is taken */
static int ready = 0;

unsigned char qmxboard_port_read(unsigned short port) {
    ++fake_board_accesses;
    switch (port - BASE) {
    case 0: return offered < (int)sizeof reply ? reply[offered++] : 0x00;
    case 1: return offered < (int)sizeof reply ? 0x01 : 0x00;
    case 3: return (unsigned char)ready;
    default: return 0x00;
    }
}

void qmxboard_port_write(unsigned short port, unsigned char value) {
    ++fake_board_accesses;
    if (port == BASE + 3 && ready) {
        ready = 0;
        offered = 0;
    } else if (port == BASE && received < (int)sizeof request) {
        request[received++] = value;
        if (received >= 3 && received == 3 + request[2]) {
            received = 0;
            ready = 1;
        }
    }
}
