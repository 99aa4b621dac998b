// The About box after a firmware download: the version the device library
// reports (the box on a board that was already running: mastering_formmain).
#include "dialogs_support.h"

#include "dialogs/formaboutqmxsrv.h"
#include "qmxcom32_host.h"

namespace {

using AboutBox = qmxtest::OnBoard;

TEST_F(AboutBox, FirmwareVersionAfterADownload)
{
    board.reset(qmxboard::Start::Cold);
    // The probe of a cold board waits seconds: let them pass at once.
    QmxHostSetClock(
        [](void *) {
            static long now = 0;
            return now++;
        },
        nullptr);
    device.QmxCommInit(0, QMX_FIRMWARE_FILE);
    QmxHostSetClock(nullptr, nullptr);
    const std::string version = board.state().firmwareVersion;
    ASSERT_FALSE(version.empty()) << board.state().loaderResult;
    EXPECT_EQ(qmxsrv::firmwareBlock("Rdx44k.bin", version),
              "QMX-X1 Firmware\rFile: Rdx44k.bin\rVersion: " + version + "\r");
    qmxsrv::FormAboutQMXSRV box(state);
    EXPECT_EQ(qmxtest::text(&box, "LabelFirmware"),
              "QMX-X1 Firmware\nFile: Rdx44k.bin\nVersion: " + version + "\n");
}

} // namespace
