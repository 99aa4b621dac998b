// fuzz_replies.cpp - the library against a board that answers anything:
// every port read returns the next input byte (00 once the input is used
// up), and the input also picks the calls. Whatever comes back, results stay
// in -1..255, texts handed out stay terminated, and nothing overruns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "qmxcom32.h"
#include "qmxcom32_host.h"

namespace {

struct Feed {
    const std::uint8_t *data;
    std::size_t size;
    std::uint8_t Next()
    {
        if (size == 0) {
            return 0x00;
        }
        --size;
        return *data++;
    }
};

unsigned char ReadFeed(void *feed, unsigned short) { return static_cast<Feed *>(feed)->Next(); }
void IgnoreWrite(void *, unsigned short, unsigned char) {}
long Ticking(void *)
{
    static long now = 0;
    return now++;
}
void Ignore(void *, const char *) {}

void Check(std::int32_t result)
{
    if (result < -1 || result > 255) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Feed feed{data, size};
    const QmxPortBus bus = {&feed, ReadFeed, IgnoreWrite};
    QmxHostSetPortBus(&bus);
    QmxHostSetClock(Ticking, nullptr);
    QmxHostSetMessageHandler(Ignore, nullptr);
    QmxMsgBox(feed.Next() & 1);
    Check(QmxCommInit(0, nullptr));
    unsigned char *text = nullptr;
    float value = 0.0f;
    std::int32_t setting = 0;
    for (int call = 0; call < 16 && feed.size > 0; ++call) {
        switch (feed.Next() % 5) {
        case 0: Check(QmxReadChannel(feed.Next(), &value)); break;
        case 1:
            if (QmxReadFormula(feed.Next(), &text) == 0 &&
                std::strlen(reinterpret_cast<char *>(text)) > 256) {
                std::abort();
            }
            break;
        case 2:
            Check(QmxGetFpPrec(&setting));
            if (setting < -128 || setting > 127) {
                std::abort();
            }
            break;
        case 3: Check(QmxMemory(feed.Next(), feed.Next(), &text)); break;
        default: Check(QmxDefineChannel(feed.Next(), "C1+T2*(A1-3.5)")); break;
        }
    }
    QmxHostSetPortBus(nullptr);
    return 0;
}
