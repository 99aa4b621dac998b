// The About box: its three blocks and the versions the device library reports.
#include "core_board.h"
#include "mastering_support.h"

#include "dialogs/formaboutqmxsrv.h"

#include "qmxcom32_host.h"

namespace {

class AboutBox : public qmxtest::OnBoard {
protected:
    AboutBox() { state.settings.QMXFirmware = "Rdx44k.bin"; }
};

TEST_F(AboutBox, FirmwareVersionIsEmptyWhenTheBoardWasAlreadyRunning)
{
    EXPECT_EQ(qmxsrv::firmwareBlock("Rdx44k.bin", ""),
              "QMX-X1 Firmware\rFile: Rdx44k.bin\rVersion: \r");
    qmxsrv::FormAboutQMXSRV box(state);
    EXPECT_EQ(box.windowTitle().toStdString(), "About");
    // Each line ends with character 13, shown as a line break.
    qmxtest::expectShown(box, {{"LabelFirmware", "QMX-X1 Firmware\nFile: Rdx44k.bin\nVersion: \n"},
                               {"LabelDLL", "Qmxcom32.dll\nVersion: 1.00\n"}});
    const std::string program = qmxtest::shown(box, "LabelDescription");
    EXPECT_EQ(program.rfind("Qmxsrv program\nVersion 1.0\n", 0), 0u);
    EXPECT_EQ(std::count(program.begin(), program.end(), '\n'), 4);
    qmxtest::click(box, "CommandOK");
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(AboutBox, FirmwareVersionAfterADownload)
{
    board.reset(qmxboard::Start::Cold);
    // The probe of a cold board waits seconds: let them pass at once.
    QmxHostSetClock([](void *) { static long now = 0; return now++; }, nullptr);
    device.QmxCommInit(0, QMX_FIRMWARE_FILE);
    QmxHostSetClock(nullptr, nullptr);
    const std::string version = board.state().firmwareVersion;
    ASSERT_FALSE(version.empty()) << board.state().loaderResult;
    qmxsrv::FormAboutQMXSRV box(state);
    EXPECT_EQ(qmxtest::shown(box, "LabelFirmware"),
              "QMX-X1 Firmware\nFile: Rdx44k.bin\nVersion: " + version + "\n");
}

} // namespace
