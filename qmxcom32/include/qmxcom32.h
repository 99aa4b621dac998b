/* qmxcom32.h - the QMX-X1 device link library.
 *
 * 38 flat functions that bring the board up and carry one command frame and
 * its reply per call over the board's three I/O ports (base + 0 data,
 * base + 1 status, base + 3 reply ready).
 *
 * Results of every function that exchanges a frame:
 *    0        the board answered with status 0, or demonstration mode answered
 *   -1        the board did not answer (a handshake or the 3-second reply wait timed out),
 *             or the call was refused before anything was sent (see the function)
 *    1..255   the status byte of the board's reply; the library has already shown its text
 *             (10..23 have their own texts, any other is "Unknown error:%d") unless
 *             message boxes are off (QmxMsgBox)
 *
 * Request frame:  3A (':'), command code, count (low 8 bits), data bytes.
 * Reply frame:    lead byte (ignored), status, count (0 = 256), data bytes.
 * Multi-byte numbers are little-endian; floats are IEEE 754 single precision,
 * copied byte for byte. Item numbers travel as their low 8 bits, unchecked.
 *
 * The first time the board does not answer (message boxes on), the library
 * shows "QMX-X1 not communicating -- Entering DEMO mode" and from then on
 * answers every call itself: reads give 0.0, every call returns 0. Only
 * QmxCommInit leaves demonstration mode.
 *
 * The library is not re-entrant and has no threads: calls must not overlap.
 * Out-values of read functions are left alone when the call fails, except
 * where a function says otherwise. Pointer arguments must be valid.
 *
 * QmxCommInit must come first: before it there is no port address, and every
 * function that exchanges a frame returns -1 without touching a port or
 * showing anything.
 *
 * The request buffer (256 bytes) is never cleared: a data byte a function does
 * not set is sent as the previous command (or firmware download) left it.
 * The raw-reply pointers of QmxReadDirect, QmxReadFormula and QmxMemory point
 * into the library's reply buffer, valid until the next exchanging call; the
 * byte after its 256 bytes is always 0, so a formula text is always terminated.
 *
 * Environment, read at each QmxCommInit:
 *   QMX_PORTS=hw   the machine's I/O ports (the default; needs CAP_SYS_RAWIO)
 *   QMX_PORTS=sim  the simulated board, libqmxboard.so beside this library
 *   QMX_TRACE=1    a hex trace of every frame and loader message on stderr
 * A port bus installed with QmxHostSetPortBus (qmxcom32_host.h) wins over both.
 */
#ifndef QMXCOM32_H
#define QMXCOM32_H

#include <stdint.h>

#if defined(QMXCOM32_BUILDING)
#define QMXCOM32_API __attribute__((visibility("default")))
#else
#define QMXCOM32_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Bringing the board up, library state -------------------------------- */

/* Sets the port base (0 means 784 = 0x310; ports base, base + 1, base + 3),
 * leaves demonstration mode and probes the board with QmxGetFpOut, message
 * boxes off for the probe. A board that answers with status 0 runs its
 * firmware already: returns 0 without opening firmwareFile. Otherwise the
 * firmware image firmwareFile is downloaded and started: 0 when the board
 * was sent its start address, 1 when the download failed (its message has
 * been shown, whatever QmxMsgBox says). */
QMXCOM32_API int32_t QmxCommInit(int32_t baseAddress, const char *firmwareFile);

/* Non-zero: link errors are shown and a dead board leads into demonstration
 * mode (the state after loading). 0: nothing is shown, the mode never changes
 * and a dead board makes every call return -1 after its time-outs. */
QMXCOM32_API void QmxMsgBox(int32_t enable);

/* Copies the firmware version text of the last download (at most 16
 * characters and a NUL; "----" for an empty version field; "" when no download
 * has run) into buffer. Returns 0. */
QMXCOM32_API int32_t QmxFirmware(char *buffer);

/* Copies the library version "1.00" and its NUL into buffer. Returns 0. */
QMXCOM32_API int32_t QmxDLL(char *buffer);

/* ---- Scan -------------------------------------------------------------- */

/* Code 07, one data byte not set by the call (whatever the request buffer holds). */
QMXCOM32_API int32_t QmxStartScan(void);
/* Code 08, one data byte not set by the call. */
QMXCOM32_API int32_t QmxStopScan(void);
/* Code 0A: scan period in tenths of a millisecond, 2 bytes. */
QMXCOM32_API int32_t QmxSetScanTime(int32_t period);
/* Code 5A: A/D burst average in samples, 2 bytes. */
QMXCOM32_API int32_t QmxSetAdcAvg(int32_t samples);
/* Code 5B: running average in samples, 2 bytes. */
QMXCOM32_API int32_t QmxSetRunAvg(int32_t samples);
/* Code 52: mux time, 2 bytes. */
QMXCOM32_API int32_t QmxSet_muxTime(int32_t time);
/* Code 09, one data byte not set by the call: resets the MAX/MIN memories. */
QMXCOM32_API int32_t QmxResetMM(void);

/* ---- Channels ------------------------------------------------------------ */

/* Code 03: channelNo, the formula's characters and its NUL (count = length + 2;
 * a 254-character formula goes with count byte 00 and 256 data bytes).
 * An empty formula sends code 06 with channelNo alone. A formula longer than
 * 254 characters, or NULL, is refused: -1, nothing sent, nothing shown. */
QMXCOM32_API int32_t QmxDefineChannel(int32_t channelNo, const char *formula);
/* Code 0D: channelNo. On result 0, *text points to the library's reply buffer,
 * which holds the formula as the board returned it (valid until the next call). */
QMXCOM32_API int32_t QmxReadFormula(int32_t channelNo, unsigned char **text);
/* Code 04: channelNo. On result 0, *value = the channel's current value. */
QMXCOM32_API int32_t QmxReadChannel(int32_t channelNo, float *value);
/* Code 05, one data byte not set by the call: clears every channel's formula. */
QMXCOM32_API int32_t QmxClearAllChannels(void);
/* Code 06: channelNo: clears the channel's formula. */
QMXCOM32_API int32_t QmxClearChannel(int32_t channelNo);
/* Code 34: channelNo, 4 bytes: the channel's zero offset. */
QMXCOM32_API int32_t QmxSetCzero(int32_t channelNo, const float *value);
/* Code 35: channelNo. On result 0, *value = the channel's zero offset. */
QMXCOM32_API int32_t QmxReadCzero(int32_t channelNo, float *value);
/* Code 36: channelNo, 4 bytes: the channel's scaling. */
QMXCOM32_API int32_t QmxSetCscale(int32_t channelNo, const float *value);
/* Code 37: channelNo. On result 0, *value = the channel's scaling. */
QMXCOM32_API int32_t QmxReadCscale(int32_t channelNo, float *value);

/* ---- LVDT probes --------------------------------------------------------- */

/* Code 0B: lvdtNo. On result 0, *value = the probe's reading. */
QMXCOM32_API int32_t QmxReadLvdt(int32_t lvdtNo, float *value);
/* Code 15: lvdtNo, 4 bytes: the probe's full-scale value. */
QMXCOM32_API int32_t QmxSetTfsv(int32_t lvdtNo, const float *value);
/* Code 16: lvdtNo. On result 0, *value = the probe's full-scale value. */
QMXCOM32_API int32_t QmxReadTfsv(int32_t lvdtNo, float *value);
/* Code 20: lvdtNo, 4 bytes: the probe's zero offset. */
QMXCOM32_API int32_t QmxSetTzero(int32_t lvdtNo, const float *value);
/* Code 21: lvdtNo. On result 0, *value = the probe's zero offset. */
QMXCOM32_API int32_t QmxReadTzero(int32_t lvdtNo, float *value);

/* ---- Analog inputs ------------------------------------------------------- */

/* Code 0C: inputNo. On result 0, *value = the input's reading. */
QMXCOM32_API int32_t QmxReadAnalog(int32_t inputNo, float *value);
/* Code 17: inputNo, 4 bytes: the input's full-scale value. */
QMXCOM32_API int32_t QmxSetAfsv(int32_t inputNo, const float *value);
/* Code 18: inputNo. On result 0, *value = the input's full-scale value. */
QMXCOM32_API int32_t QmxReadAfsv(int32_t inputNo, float *value);
/* Code 2A: inputNo, 4 bytes: the input's zero offset. */
QMXCOM32_API int32_t QmxSetAzero(int32_t inputNo, const float *value);
/* Code 2B: inputNo. On result 0, *value = the input's zero offset. */
QMXCOM32_API int32_t QmxReadAzero(int32_t inputNo, float *value);

/* ---- One-byte board settings --------------------------------------------- */

/* Codes 50, 51, 53: the setting's low 8 bits. */
QMXCOM32_API int32_t QmxSetFpIn(int32_t setting);
QMXCOM32_API int32_t QmxSetFpOut(int32_t setting);
QMXCOM32_API int32_t QmxSetFpPrec(int32_t setting);
/* Codes 54, 55 (one data byte not set by the call) and 57 (two such bytes).
 * *setting = the reply's first data byte as a signed byte, whatever the
 * result (after a failure: whatever the reply buffer held). */
QMXCOM32_API int32_t QmxGetFpIn(int32_t *setting);
QMXCOM32_API int32_t QmxGetFpOut(int32_t *setting);
QMXCOM32_API int32_t QmxGetFpPrec(int32_t *setting);

/* ---- Raw commands --------------------------------------------------------- */

/* Code 02 with the caller's count bytes (1..256, 256 with count byte 00;
 * otherwise -1, nothing sent, nothing shown). The bytes are copied into the
 * request buffer. *reply = the address of the reply buffer after the call,
 * whatever the result (a refused call included). */
QMXCOM32_API int32_t QmxReadDirect(int32_t count, const unsigned char *data, unsigned char **reply);
/* Code 01: 00, word2 low, word2 high, word1 low, word1 high (count 5).
 * *reply = the address of the reply buffer, set before the exchange. */
QMXCOM32_API int32_t QmxMemory(int32_t word1, int32_t word2, unsigned char **reply);

#ifdef __cplusplus
}
#endif

#endif /* QMXCOM32_H */
