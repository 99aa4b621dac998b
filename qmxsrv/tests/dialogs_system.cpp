// The system setup dialog: what reaches the settings and the board (its
// DDE box with real conversations: dialogs_wired.cpp).
#include "dialogs/formsetupsystem.h"
#include "dialogs_support.h"

#include <qmxboard_bus.h>
#include <qmxcom32_host.h>

#include <QTabWidget>

using namespace qmxsrv;
using namespace qmxtest;

namespace {

// The board answering at 0x310 and at 0x300 alike; notes each change of
// the port base the library uses.
class TwoAddressBus {
public:
    TwoAddressBus() { QmxHostSetPortBus(&bus_); }
    ~TwoAddressBus() { QmxHostSetPortBus(nullptr); }
    std::vector<unsigned> bases;

private:
    static unsigned short board(void *self, unsigned short port)
    {
        auto &bases = static_cast<TwoAddressBus *>(self)->bases;
        if (bases.empty() || bases.back() != (port & ~0xFu))
            bases.push_back(port & ~0xFu);
        return static_cast<unsigned short>(0x310 | (port & 0xF));
    }
    QmxPortBus bus_{
        this, [](void *self, unsigned short port) { return qmxboard_port_read(board(self, port)); },
        [](void *self, unsigned short port, unsigned char value) {
            qmxboard_port_write(board(self, port), value);
        }};
};

class SystemSetup : public Standalone {
protected:
    SystemSetup() { useCounts(8, 4, 4); }
    std::unique_ptr<FormSetupSystem> open()
    {
        auto dialog = std::make_unique<FormSetupSystem>(state, window);
        dialog->show();
        takeCalls();
        return dialog;
    }
};

TEST_F(SystemSetup, AveragingAndScanPeriodReachTheBoardConverted)
{
    state.settings.ScanTime = 505;
    auto shown = open();
    EXPECT_EQ(text(shown.get(), "txtScanPeriod"), "50.5");
    shown->close();
    struct Case {
        const char *scan, *burst, *running;
        std::int16_t scanTime, adc, run;
    } cases[] = {{"50", "8", "2", 500, 8, 2},
                 {"12.34", "none", "3.5", 123, 0, 4},
                 {"3276.7", "32767", "0", 32767, 32767, 0}};
    for (const Case &c : cases) {
        auto dialog = open();
        EXPECT_EQ(state.view.ScanHold, 1);
        type(dialog.get(), "txtScanPeriod", c.scan);
        type(dialog.get(), "txtBurstAvg", c.burst);
        type(dialog.get(), "txtRunningAvg", c.running);
        click(dialog.get(), "CommandOK");
        const auto n = [](const char *f, int v) { return f + std::to_string(v) + ")"; };
        EXPECT_THAT(takeCalls(), ElementsAre(n("QmxSetAdcAvg(", c.adc), n("QmxSetRunAvg(", c.run),
                                             n("QmxSetScanTime(", c.scanTime)));
        EXPECT_EQ(state.settings.ScanTime, c.scanTime);
        EXPECT_EQ(state.settings.ADCAverage, c.adc);
        EXPECT_EQ(state.settings.RunAvg, c.run);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(state.view.ScanHold, 0);
    }
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(SystemSetup, ANewPortAddressInitialisesTheBoardThere)
{
    for (auto [typed, address, init] :
         {std::tuple{"310", 784, false}, {"0310", 784, false}, {"300", 768, true}}) {
        TwoAddressBus bus;
        auto dialog = open();
        EXPECT_EQ(text(dialog.get(), "TextQMXPortAdr"), "310");
        type(dialog.get(), "TextQMXPortAdr", typed);
        click(dialog.get(), "CommandOK");
        EXPECT_EQ(state.settings.QMXBaseAdr, address);
        EXPECT_EQ(state.settings.CommStatus, 0);
        EXPECT_EQ(takeCalls().size(), init ? 4u : 3u) << typed;
        // The averaging goes to the old address; only a changed one is
        // probed, and the board is reached there from then on.
        state.device().QmxResetMM();
        EXPECT_THAT(takeCalls(), ElementsAre("QmxResetMM()"));
        const std::vector<unsigned> expected =
            init ? std::vector<unsigned>{0x310, 0x300} : std::vector<unsigned>{0x310};
        EXPECT_EQ(bus.bases, expected) << typed;
    }
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(SystemSetup, LoweringChannelsAsksAboutTheGroups)
{
    for (Answer answer : {Answer::Cancel, Answer::Ok}) {
        state.Groups.clear();
        group &g = state.Groups.Add(std::make_unique<group>());
        g.AddChannel(2);
        g.AddChannel(6);
        auto dialog = open();
        type(dialog.get(), "txtChannels", "4");
        type(dialog.get(), "txtLVDT", "2");
        boxes.answerNext(answer);
        click(dialog.get(), "CommandOK");
        EXPECT_THAT(messages(), ElementsAre("Some groups use channels that you are removing\r"
                                            "These channels will be removed from group"));
        boxes.shown.clear();
        const bool ok = answer == Answer::Ok;
        EXPECT_EQ(dialog->isVisible(), !ok);
        EXPECT_EQ(g.Count(), ok ? 1 : 2);
        EXPECT_EQ(g.GetChannel(1), 2);
        EXPECT_EQ(state.Channels.Count(), ok ? 4 : 8);
        EXPECT_EQ(state.LVDTs.Count(), ok ? 2 : 4);
        EXPECT_EQ(takeCalls().empty(), !ok);
        // The close box applies nothing, but the scan goes on.
        dialog->close();
        EXPECT_EQ(state.view.ScanHold, 0);
    }
}

TEST_F(SystemSetup, RefusedFieldChangesNothingAndShowsItsTab)
{
    struct Case {
        const char *field, *typed, *message;
        int tab;
    } cases[] = {
        {"txtChannels", "twelve", "Channels: \"twelve\" is not a number from 0 to 255.", 0},
        {"txtLVDT", "256", "LVDT: \"256\" is not a number from 0 to 255.", 0},
        {"txtScanPeriod", "3276.8",
         "Scan Period (milliseconds): \"3276.8\" is not a number from 0 to 3276.7.", 1},
        {"txtRunningAvg", "-2", "Running Average: \"-2\" is not a number from 0 to 32767.", 1},
        {"txtDecimals", "6", "Default decimal places: \"6\" is not a number from 0 to 5.", 2},
        {"TextQMXPortAdr", "31G",
         "QMX Port Address: \"31G\" is not a hexadecimal number from 0 to FFFF.", 2},
        {"TextQMXPortAdr", "10000",
         "QMX Port Address: \"10000\" is not a hexadecimal number from 0 to FFFF.", 2},
        {"TextQMXFirmware", " ", "QMX Firmware filename: \" \" is empty.", 2},
    };
    const Settings before = state.settings;
    for (const Case &c : cases) {
        auto dialog = open();
        type(dialog.get(), "txtChannels", "3");
        type(dialog.get(), "txtScanPeriod", "20");
        type(dialog.get(), c.field, c.typed);
        click(dialog.get(), "CommandOK");
        EXPECT_THAT(messages(),
                    ElementsAre(std::string(c.message) + "\rNothing has been changed."));
        boxes.shown.clear();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(control<QTabWidget>(dialog.get(), "SSTab1")->currentIndex(), c.tab) << c.field;
        EXPECT_TRUE(state.settings == before) << c.field;
        EXPECT_EQ(state.Channels.Count(), 8);
        EXPECT_THAT(takeCalls(), IsEmpty());
    }
}

} // namespace
