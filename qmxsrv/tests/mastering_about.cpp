// The About box: its three blocks and the versions the device library reports.
#include "core_board.h"
#include "mastering_support.h"

#include "dialogs/formaboutqmxsrv.h"
#include "dialogs/programicon.h"

#include "qmxcom32_host.h"

#include <QLabel>

namespace {

using qmxsrv::FormAboutQMXSRV;

class AboutBox : public qmxtest::OnBoard {
protected:
    AboutBox() { state.settings.QMXFirmware = "Rdx44k.bin"; }
    std::string shown(const QWidget &box, const char *name) { return qmxtest::shown(box, name); }
};

TEST_F(AboutBox, EveryLineEndsWithACarriageReturn)
{
    for (const std::string &block : {qmxsrv::programBlock(), qmxsrv::firmwareBlock("f", "v"),
                                     qmxsrv::libraryBlock("1.00")}) {
        SCOPED_TRACE(block);
        ASSERT_FALSE(block.empty());
        EXPECT_EQ(block.back(), '\r');
        EXPECT_EQ(block.find('\n'), std::string::npos);
    }
    const std::string program = qmxsrv::programBlock();
    EXPECT_EQ(program.rfind("Qmxsrv program\rVersion 1.0\r", 0), 0u);
    EXPECT_EQ(std::count(program.begin(), program.end(), '\r'), 4);
}

TEST_F(AboutBox, FirmwareVersionIsEmptyWhenTheBoardWasAlreadyRunning)
{
    FormAboutQMXSRV box(state);
    EXPECT_EQ(box.windowTitle().toStdString(), "About");
    EXPECT_EQ(shown(box, "LabelFirmware"), "QMX-X1 Firmware\nFile: Rdx44k.bin\nVersion: \n");
    EXPECT_EQ(shown(box, "LabelDLL"), "Qmxcom32.dll\nVersion: 1.00\n");
    EXPECT_EQ(shown(box, "LabelDescription").rfind("Qmxsrv program\nVersion 1.0\n", 0), 0u);
    EXPECT_FALSE(box.findChild<QLabel *>("Picture1")->pixmap().isNull());
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
    FormAboutQMXSRV box(state);
    EXPECT_EQ(shown(box, "LabelFirmware"),
              "QMX-X1 Firmware\nFile: Rdx44k.bin\nVersion: " + version + "\n");
}

} // namespace
