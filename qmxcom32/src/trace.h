// trace.h - a hex trace of every frame and loader message on stderr,
// switched on by QMX_TRACE (any value but "0"), read at each QmxCommInit.
//
//   qmxcom32: > 3A 04 01 03              request frame sent
//   qmxcom32: < 00 00 04 00 00 C0 3F     reply frame received
//   qmxcom32: > 3A 04 (timed out)        the board stopped taking bytes
#pragma once

#include <cstdint>

namespace qmx::trace {

extern bool on;

// Reads QMX_TRACE.
void Configure();
// One line: the direction ('>' to the board, '<' from it), the bytes of
// `head` then of `data`, and an optional note in parentheses.
void Write(char direction, const std::uint8_t *head, int headCount, const std::uint8_t *data,
           int dataCount, const char *note);

inline void Bytes(char direction, const std::uint8_t *head, int headCount,
                  const std::uint8_t *data = nullptr, int dataCount = 0, const char *note = nullptr)
{
    if (on) {
        Write(direction, head, headCount, data, dataCount, note);
    }
}

} // namespace qmx::trace
