// Measurement objects, collections and their operations, against the
// simulated board; the device-call owner against a scripted device.
#include "core_board.h"
#include "nulldeviceapi.h"
#include "readadc.h"
#include "setupoperations.h"

#include <gmock/gmock.h>

using namespace qmxsrv;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

using Objects = qmxtest::OnBoard;

std::vector<std::int16_t> members(const group &g)
{
    std::vector<std::int16_t> out;
    for (std::int16_t i = 1; i <= g.Count(); ++i)
        out.push_back(g.GetChannel(i));
    return out;
}

TEST_F(Objects, SetDefaultsProgramsTheBoardInOrder)
{
    channel c(device, boxes);
    c.Decimals = 2;
    c.InUse = true;
    c.SetDefaults(3);
    EXPECT_THAT(takeCalls(),
                ElementsAre("QmxClearChannel(3)", "QmxSetCzero(3, 0)", "QmxSetCscale(3, 1)"));
    EXPECT_EQ(c.Index, 3);
    EXPECT_EQ(c.Description, "Channel 3");
    EXPECT_EQ(c.Formula(), "");
    EXPECT_EQ(c.Decimals, 5);
    EXPECT_EQ(c.Units, "Inch");
    EXPECT_FALSE(c.UseTwoMasters);
    EXPECT_EQ(c.Master1, 0.0f);
    EXPECT_EQ(c.Master2, 0.0f);
    EXPECT_EQ(c.HiTol, 0.01f);
    EXPECT_EQ(c.LoTol, -0.01f);
    EXPECT_EQ(c.HiAppr, 0.009f);
    EXPECT_EQ(c.LoAppr, -0.009f);
    EXPECT_EQ(c.BarDisplayTop, 0.05f);
    EXPECT_EQ(c.BarDisplayBot, -0.05f);
    EXPECT_FALSE(c.InUse);

    lvdt l(device);
    l.SetDefaults(2);
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetTzero(2, 0)", "QmxSetTfsv(2, 0.005)"));
    EXPECT_EQ(l.Description, "Lvdt 2");

    analog a(device);
    a.SetDefaults(2);
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetAzero(2, 0)", "QmxSetAfsv(2, 1)"));
    EXPECT_EQ(a.Description, "Analog  2");

    group g;
    g.AddChannel(4);
    g.WindowBarHeight = 9;
    g.SetDefaults(2);
    EXPECT_EQ(g.Index, 2);
    EXPECT_EQ(g.Description, "Group  2");
    EXPECT_THAT(members(g), ElementsAre(4));
    EXPECT_EQ(g.WindowBarHeight, 9);
    EXPECT_THAT(takeCalls(), IsEmpty());
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(Objects, CalibrationPropertiesTalkToTheBoard)
{
    lvdt l(device);
    l.Index = 1;
    l.setFullScale(0.02f);
    l.setZeroOffset(-0.25f);
    EXPECT_EQ(board.state().probes[0].fullScale, 0.005f);
    EXPECT_EQ(l.FullScale(), 0.02f);
    EXPECT_EQ(l.ZeroOffset(), -0.25f);
    l.SetLVDTFullScale(2, 0.02f); // unscaled
    l.SetLVDTZero(2, 0.5f);
    EXPECT_THAT(takeCalls(),
                ElementsAre("QmxSetTfsv(1, 0.005)", "QmxSetTzero(1, -0.25)", "QmxReadTfsv(1)",
                            "QmxReadTzero(1)", "QmxSetTfsv(2, 0.02)", "QmxSetTzero(2, 0.5)"));

    analog a(device);
    a.Index = 3;
    a.setFullScale(2.5f);
    EXPECT_EQ(board.state().inputs[2].fullScale, 2.5f);
    EXPECT_EQ(a.FullScale(), 2.5f);
    a.SetAnalogFullScale(4, 3.0f);
    a.SetAnalogZero(4, 0.125f);
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetAfsv(3, 2.5)", "QmxReadAfsv(3)",
                                         "QmxSetAfsv(4, 3)", "QmxSetAzero(4, 0.125)"));

    channel c(device, boxes);
    c.Index = 4;
    c.setScaling(1.5f);
    c.setZeroOffset(0.001f);
    EXPECT_EQ(c.Scaling(), 1.5f);
    EXPECT_EQ(c.ZeroOffset(), 0.001f);
    EXPECT_EQ(board.state().channels[3].scale, 1.5f);

    // A refused read leaves the library's out-value alone: the property gives 0.0.
    board.answerNextWith(10);
    EXPECT_EQ(l.FullScale(), 0.0f);
    board.answerNextWith(10);
    EXPECT_EQ(c.Scaling(), 0.0f);
    ASSERT_EQ(messages().size(), 2u); // the library reported both, as its own boxes
    EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(boxes.shown[0].title, "");
}

TEST_F(Objects, FormulaIsSentAndKeptWhateverTheBoardSays)
{
    channel c(device, boxes);
    c.Index = 5;
    c.setFormula("T1");
    c.setFormula("");
    c.setFormula("T1+"); // the board refuses it
    EXPECT_EQ(c.Formula(), "T1+");
    c.SetChannelFormula(6, "T2");
    EXPECT_EQ(c.Formula(), "T1+");
    EXPECT_THAT(takeCalls(),
                ElementsAre("QmxDefineChannel(5, \"T1\")", "QmxClearChannel(5)",
                            "QmxDefineChannel(5, \"T1+\")", "QmxDefineChannel(6, \"T2\")"));
    ASSERT_EQ(messages().size(), 1u); // the library's text for the board's status
    EXPECT_EQ(board.state().channels[5].formula, "T2");
}

TEST_F(Objects, IndexZeroMessages)
{
    channel c(device, boxes);
    c.setFormula("T1");
    c.setZeroOffset(1.0f);
    EXPECT_EQ(c.Formula(), "");
    EXPECT_THAT(takeCalls(), IsEmpty());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "Index Zero in Formula Property");
    EXPECT_EQ(boxes.shown[1].text, "Index Zero in ZeroOffset Property");
    for (const auto &s : boxes.shown) {
        EXPECT_EQ(s.title, "QMXSRV");
        EXPECT_EQ(s.buttons, Buttons::Ok);
    }
    c.setScaling(2.0f); // no such test for the scaling
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetCscale(0, 2)"));
}

TEST_F(Objects, ReadADCSendsOneZeroByteAndGivesNoValue)
{
    ReadADC adc(device);
    EXPECT_EQ(adc.Value(7), 0.0f);
    EXPECT_THAT(takeCalls(), ElementsAre("QmxReadDirect(1, 00)"));
}

struct ListStep {
    const char *op;
    std::int16_t arg;
    std::vector<std::int16_t> after;
};

TEST(Group, ListOperations)
{
    group g;
    const ListStep steps[] = {
        {"add", 4, {4}},           {"add", 7, {4, 7}},     {"add", 9, {4, 7, 9}},
        {"remove", 2, {4, 9}},     {"remove", 3, {4, 9}},  {"add", 7, {4, 9, 7}},
        {"add", 9, {4, 9, 7, 9}},  {"remove", 0, {4, 9, 7, 9}}, {"remove", -1, {4, 9, 7, 9}},
        {"remove", 4, {4, 9, 7}},  {"remove", 1, {9, 7}},  {"remove", 1, {7}},
        {"remove", 1, {}},         {"remove", 1, {}},
    };
    for (const auto &s : steps) {
        if (std::string(s.op) == "add")
            g.AddChannel(s.arg);
        else
            g.RemoveChannel(s.arg);
        EXPECT_THAT(members(g), ElementsAreArray(s.after)) << s.op << " " << s.arg;
        EXPECT_EQ(g.Count(), static_cast<std::int16_t>(s.after.size()));
    }
    g.AddChannel(5);
    for (std::int16_t outside : {0, 2, -1, 32767})
        EXPECT_EQ(g.GetChannel(outside), 0) << outside;

    WindowGeometry w{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    g.setWindows(w);
    EXPECT_EQ(g.WindowGridWidth, 4);
    EXPECT_EQ(g.WindowBarTop, 5);
    EXPECT_EQ(g.WindowDialHeight, 11);
    EXPECT_EQ(g.windows(), w);
}

TEST_F(Objects, StartDeviceAndDefaultObjects)
{
    setCounts(2, 1, 1);
    state.settings.ScanTime = 250;
    StartDevice(state);
    CreateDefaultObjects(state);
    EXPECT_EQ(state.settings.CommStatus, 0);
    EXPECT_THAT(takeCalls(),
                ElementsAre("QmxGetFpOut()", "QmxStartScan()", "QmxSetScanTime(250)",
                            "QmxSetAdcAvg(4)", "QmxSetRunAvg(1)", "QmxClearChannel(1)",
                            "QmxSetCzero(1, 0)", "QmxSetCscale(1, 1)", "QmxClearChannel(2)",
                            "QmxSetCzero(2, 0)", "QmxSetCscale(2, 1)", "QmxSetTzero(1, 0)",
                            "QmxSetTfsv(1, 0.005)", "QmxSetAzero(1, 0)", "QmxSetAfsv(1, 1)"));
    EXPECT_EQ(state.Channels.Item(2).Description, "Channel 2");
    EXPECT_EQ(state.LVDTs.Item(1).Index, 1);
    EXPECT_EQ(state.Analogs.Count(), 1);
}

TEST_F(Objects, ResizingProgramsOnlyNewItems)
{
    CreateDefaultObjects(state);
    EXPECT_EQ(state.Channels.Count(), 24);
    EXPECT_EQ(state.LVDTs.Count(), 24);
    EXPECT_EQ(state.Analogs.Count(), 4);
    EXPECT_EQ(takeCalls().size(), 24u * 3 + 24 * 2 + 4 * 2);

    channel &third = state.Channels.Item(3);
    third.setFormula("T3");
    third.Units = "mm";
    takeCalls();

    EXPECT_TRUE(CreateChannels(state, 26));
    EXPECT_THAT(takeCalls(), ElementsAre("QmxClearChannel(25)", "QmxSetCzero(25, 0)",
                                         "QmxSetCscale(25, 1)", "QmxClearChannel(26)",
                                         "QmxSetCzero(26, 0)", "QmxSetCscale(26, 1)"));
    EXPECT_EQ(state.settings.MaxChannel, 26);
    EXPECT_EQ(&state.Channels.Item(3), &third); // the object itself stays
    EXPECT_EQ(state.Channels.Item(26).Index, 26);

    EXPECT_TRUE(CreateChannels(state, 20));
    EXPECT_TRUE(CreateChannels(state, 20));
    EXPECT_TRUE(CreateLVDTs(state, 2));
    EXPECT_TRUE(CreateAnalogs(state, 0));
    EXPECT_THAT(takeCalls(), IsEmpty()); // shrinking sends nothing
    EXPECT_EQ(state.Channels.Count(), 20);
    EXPECT_EQ(state.settings.MaxChannel, 20);
    EXPECT_EQ(state.Channels.Item(3).Units, "mm");
    EXPECT_EQ(board.state().channels[2].formula, "T3");
    EXPECT_EQ(state.LVDTs.Count(), 2);
    EXPECT_EQ(state.Analogs.Count(), 0);

    EXPECT_TRUE(CreateAnalogs(state, 1));
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetAzero(1, 0)", "QmxSetAfsv(1, 1)"));

    // Counts the board cannot address change nothing.
    EXPECT_FALSE(CreateChannels(state, 256));
    EXPECT_FALSE(CreateLVDTs(state, 1000));
    EXPECT_EQ(state.Channels.Count(), 20);
    EXPECT_EQ(state.settings.MaxLVDT, 2);
    EXPECT_TRUE(CreateChannels(state, 255));
    EXPECT_EQ(state.Channels.Item(255).Index, 255);
    takeCalls();

    // A negative count means no objects; growing from it starts at number 1.
    EXPECT_TRUE(CreateChannels(state, -3));
    EXPECT_EQ(state.Channels.Count(), 0);
    EXPECT_EQ(state.settings.MaxChannel, -3);
    EXPECT_TRUE(CreateChannels(state, 1));
    EXPECT_THAT(takeCalls(),
                ElementsAre("QmxClearChannel(1)", "QmxSetCzero(1, 0)", "QmxSetCscale(1, 1)"));

    CreateDigitals(state, 7);
    CreateStrains(state, 3);
    EXPECT_EQ(state.settings.MaxDigital, 7);
    EXPECT_EQ(state.settings.MaxStrain, 3);
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(Objects, ClearSetupRebuildsDefaultsAtTheCurrentCounts)
{
    state.settings.MaxDigital = 5;
    useCounts(8, 2, 1);
    state.Channels.Item(8).InUse = true;
    state.Channels.Item(8).setFormula("T1");
    state.Groups.Add(std::make_unique<group>());
    state.Groups.Add(std::make_unique<group>());
    takeCalls();

    ClearSetup(state);
    EXPECT_EQ(state.Groups.Count(), 0);
    EXPECT_EQ(state.Channels.Count(), 8);
    EXPECT_FALSE(state.Channels.Item(8).InUse);
    EXPECT_EQ(state.Channels.Item(8).Formula(), "");
    EXPECT_EQ(state.settings.MaxDigital, 5);
    const auto calls = takeCalls();
    EXPECT_EQ(calls.size(), 8u * 3 + 2 * 2 + 1 * 2);
    EXPECT_EQ(calls.front(), "QmxClearChannel(1)");
    EXPECT_EQ(calls.back(), "QmxSetAfsv(1, 1)");
    EXPECT_EQ(board.state().channels[7].formula, "");
}

TEST_F(Objects, CheckMaxChannelAsksThenRepairs)
{
    auto addGroup = [this](std::vector<std::int16_t> list) {
        auto g = std::make_unique<group>();
        for (auto c : list)
            g->AddChannel(c);
        state.Groups.Add(std::move(g));
    };
    addGroup({1, 3});
    addGroup({2, 6});
    addGroup({5, 6, 2, 7, 8, 4, 9});

    EXPECT_TRUE(CheckMaxChannel(state, 9, false));
    EXPECT_FALSE(CheckMaxChannel(state, 4, false));
    EXPECT_THAT(members(state.Groups.Item(2)), ElementsAre(2, 6)); // asking changes nothing
    EXPECT_TRUE(CheckMaxChannel(state, 4, true));
    EXPECT_THAT(members(state.Groups.Item(1)), ElementsAre(1, 3));
    EXPECT_THAT(members(state.Groups.Item(2)), ElementsAre(2));
    EXPECT_THAT(members(state.Groups.Item(3)), ElementsAre(2, 4)); // adjacent offenders too
    EXPECT_TRUE(CheckMaxChannel(state, 4, false));
    EXPECT_TRUE(CheckMaxChannel(state, 0, true));
    EXPECT_EQ(state.Groups.Item(3).Count(), 0);
}

TEST_F(Objects, NewSetupClearsWithTheDisplayHeld)
{
    struct Window : qmxtest::RecordingWindow {
        explicit Window(ProgramState &s) : state(s) {}
        void showSetupTitle(const std::string &t) override
        {
            RecordingWindow::showSetupTitle(t);
            heldAtTitle = !state.view.UpdateEnabled;
        }
        ProgramState &state;
        bool heldAtTitle = false;
    } window(state);
    useCounts(2, 0, 0);
    state.Groups.Add(std::make_unique<group>());
    state.view.SetupModified = true;

    NewSetup(state, window);
    EXPECT_EQ(state.view.SetupFileName, "new.qmx");
    EXPECT_THAT(window.titles, ElementsAre("QMX-X1 [new.qmx]"));
    EXPECT_TRUE(window.heldAtTitle);
    EXPECT_TRUE(state.view.UpdateEnabled);
    EXPECT_EQ(window.updates, 0);
    EXPECT_TRUE(state.view.SetupModified);
    EXPECT_EQ(state.Groups.Count(), 0);
    EXPECT_EQ(takeCalls().size(), 6u);
}

// A device whose calls re-enter the owner, as a handler run by the nested
// event loop of a message box shown inside a library call would.
struct ReenteringApi : NullDeviceApi {
    Device *owner = nullptr;
    bool sawInProgress = false;
    std::int32_t nestedResult = 0;
    int calls = 0;
    std::int32_t QmxReadChannel(std::int32_t, float &value) override
    {
        ++calls;
        sawInProgress = owner->callInProgress();
        float nested = 7;
        nestedResult = owner->QmxReadLvdt(1, nested);
        value = nested;
        return 0;
    }
    std::int32_t QmxReadLvdt(std::int32_t, float &value) override
    {
        ++calls;
        value = 1;
        return 0;
    }
};

TEST(DeviceOwner, RefusesACallWhileOneIsInProgress)
{
    ReenteringApi api;
    Device device(api);
    api.owner = &device;
    EXPECT_FALSE(device.callInProgress());
    float v = 0;
    EXPECT_EQ(device.QmxReadChannel(1, v), 0);
    EXPECT_TRUE(api.sawInProgress);
    EXPECT_EQ(api.nestedResult, -1);
    EXPECT_EQ(v, 7.0f); // the nested call left its out-value alone
    EXPECT_EQ(api.calls, 1);
    EXPECT_EQ(device.refusedCalls(), 1);
    EXPECT_FALSE(device.callInProgress());
    EXPECT_EQ(device.read(&Device::QmxReadLvdt, 1), 1.0f);
    EXPECT_EQ(api.calls, 2);
}

} // namespace
