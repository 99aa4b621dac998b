/* qmxboard_bus.h - the two entry points by which the device link library
 * reaches the simulated board when QMX_PORTS=sim. The library looks them up
 * by name in libqmxboard.so (dlopen/dlsym) and links against nothing of the
 * board; this header only fixes the names and their types.
 */
#ifndef QMXBOARD_BUS_H
#define QMXBOARD_BUS_H

#ifdef __cplusplus
extern "C" {
#endif

/* A byte-wide read of an I/O port. Ports the board does not decode read 00. */
unsigned char qmxboard_port_read(unsigned short port);
/* A byte-wide write to an I/O port. Ports the board does not decode ignore it. */
void qmxboard_port_write(unsigned short port, unsigned char value);

typedef unsigned char (*qmxboard_port_read_fn)(unsigned short port);
typedef void (*qmxboard_port_write_fn)(unsigned short port, unsigned char value);

#define QMXBOARD_LIBRARY_NAME "libqmxboard.so"
#define QMXBOARD_READ_SYMBOL "qmxboard_port_read"
#define QMXBOARD_WRITE_SYMBOL "qmxboard_port_write"

#ifdef __cplusplus
}
#endif

#endif /* QMXBOARD_BUS_H */
