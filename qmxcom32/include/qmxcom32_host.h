/* qmxcom32_host.h - hooks for the program that hosts the device link library.
 *
 * A host installs its own message handler (to show the library's messages
 * in its own message boxes), its own port bus (tests that play the board's
 * side byte by byte) or its own clock (tests that must not wait out the
 * library's time-outs in real time), and may ask whether the library is in
 * demonstration mode. None of them is needed to use the board.
 */
#ifndef QMXCOM32_HOST_H
#define QMXCOM32_HOST_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct QmxPortBus {
    void *context;
    unsigned char (*read)(void *context, unsigned short port);
    void (*write)(void *context, unsigned short port, unsigned char value);
} QmxPortBus;
/* Use this bus for every port access from now on; NULL goes back to the QMX_PORTS choice. */
void QmxHostSetPortBus(const QmxPortBus *bus);
/* Called for every message the library shows; returns when the operator has acknowledged it. */
typedef void (*QmxMessageHandler)(void *context, const char *text);
void QmxHostSetMessageHandler(QmxMessageHandler handler, void *context);
/* Whole-seconds clock for the reply and loader waits; NULL restores the steady clock. */
typedef long (*QmxClockSeconds)(void *context);
void QmxHostSetClock(QmxClockSeconds clock, void *context);
/* 1 while the library is in demonstration mode (its reads are not the board's), else 0. */
int QmxHostDemoMode(void);

#ifdef __cplusplus
}
#endif

#endif /* QMXCOM32_HOST_H */
