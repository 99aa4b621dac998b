// Measurement objects, collections and their operations, against the
// simulated board; the device-call owner against a scripted device.
#include "core/nulldeviceapi.h"
#include "core/readadc.h"
#include "core/setupoperations.h"
#include "core_board.h"

#include <gmock/gmock.h>

using namespace qmxsrv;
using ::testing::_;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::FieldsAre;
using ::testing::IsEmpty;

namespace {

using Objects = qmxtest::OnBoard;
using Floats = std::vector<float>;

std::vector<std::int16_t> members(const group &g)
{
    std::vector<std::int16_t> out;
    for (int i = 1; i <= g.Count(); ++i)
        out.push_back(g.GetChannel(static_cast<std::int16_t>(i)));
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
    EXPECT_EQ((std::vector<std::string>{c.Description, c.Formula(), c.Units}),
              (std::vector<std::string>{"Channel 3", "", "Inch"}));
    EXPECT_EQ((std::vector<int>{c.Index, c.Decimals, c.UseTwoMasters, c.InUse}),
              (std::vector<int>{3, 5, false, false}));
    EXPECT_EQ((Floats{c.Master1, c.Master2, c.HiTol, c.LoTol, c.HiAppr, c.LoAppr, c.BarDisplayTop,
                      c.BarDisplayBot}),
              (Floats{0, 0, 0.01f, -0.01f, 0.009f, -0.009f, 0.05f, -0.05f}));

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
    EXPECT_EQ((Floats{l.FullScale(), l.ZeroOffset()}), (Floats{0.02f, -0.25f}));
    l.SetLVDTFullScale(2, 0.02f); // unscaled
    l.SetLVDTZero(2, 0.5f);
    EXPECT_THAT(takeCalls(),
                ElementsAre("QmxSetTfsv(1, 0.005)", "QmxSetTzero(1, -0.25)", "QmxReadTfsv(1)",
                            "QmxReadTzero(1)", "QmxSetTfsv(2, 0.02)", "QmxSetTzero(2, 0.5)"));

    analog a(device);
    a.Index = 3;
    a.setFullScale(2.5f);
    EXPECT_EQ(a.FullScale(), 2.5f);
    a.SetAnalogFullScale(4, 3.0f);
    a.SetAnalogZero(4, 0.125f);
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetAfsv(3, 2.5)", "QmxReadAfsv(3)", "QmxSetAfsv(4, 3)",
                                         "QmxSetAzero(4, 0.125)"));

    channel c(device, boxes);
    c.Index = 4;
    c.setScaling(1.5f);
    c.setZeroOffset(0.001f);
    EXPECT_EQ((Floats{c.Scaling(), c.ZeroOffset()}), (Floats{1.5f, 0.001f}));
    EXPECT_EQ(board.state().channels[3].scale, 1.5f);

    // A refused read leaves the library's out-value alone: the property gives 0.0.
    board.answerNextWith(10);
    EXPECT_EQ(l.FullScale(), 0.0f);
    board.answerNextWith(10);
    EXPECT_EQ(c.Scaling(), 0.0f);
    // The library reported both, as its own boxes.
    const auto library = FieldsAre(_, "", _, Icon::Exclamation);
    EXPECT_THAT(boxes.shown, ElementsAre(library, library));
}

TEST_F(Objects, FormulaAndIndexZeroMessages)
{
    channel c(device, boxes);
    c.setFormula("T1");
    c.setZeroOffset(1.0f);
    EXPECT_EQ(c.Formula(), "");
    EXPECT_THAT(takeCalls(), IsEmpty());
    EXPECT_THAT(messages(),
                ElementsAre("Index Zero in Formula Property", "Index Zero in ZeroOffset Property"));
    EXPECT_THAT(boxes.shown, Each(FieldsAre(_, "QMXSRV", Buttons::Ok, _)));
    c.setScaling(2.0f); // no such test for the scaling
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetCscale(0, 2)"));

    // The formula is sent and kept whatever the board says.
    boxes.shown.clear();
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

    // ReadADC sends one zero byte and gives no value.
    EXPECT_EQ(ReadADC(device).Value(7), 0.0f);
    EXPECT_THAT(takeCalls(), ElementsAre("QmxReadDirect(1, 00)"));
}

TEST(Group, ListOperations)
{
    group g;
    const struct {
        std::int16_t add, remove; // add that channel, or else remove at that position
        std::vector<std::int16_t> after;
    } steps[] = {
        {4, 0, {4}},          {7, 0, {4, 7}},       {9, 0, {4, 7, 9}},
        {0, 2, {4, 9}},       {0, 3, {4, 9}},       {7, 0, {4, 9, 7}},
        {9, 0, {4, 9, 7, 9}}, {0, 0, {4, 9, 7, 9}}, {0, -1, {4, 9, 7, 9}},
        {0, 4, {4, 9, 7}},    {0, 1, {9, 7}},       {0, 1, {7}},
        {0, 1, {}},           {0, 1, {}},
    };
    for (const auto &s : steps) {
        if (s.add)
            g.AddChannel(s.add);
        else
            g.RemoveChannel(s.remove);
        EXPECT_THAT(members(g), ElementsAreArray(s.after)) << s.add << " " << s.remove;
        EXPECT_EQ(g.Count(), static_cast<std::int16_t>(s.after.size()));
    }
    g.AddChannel(5);
    for (std::int16_t outside : {0, 2, -1, 32767})
        EXPECT_EQ(g.GetChannel(outside), 0) << outside;

    WindowGeometry w{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    g.setWindows(w);
    EXPECT_EQ((std::vector<int>{g.WindowGridWidth, g.WindowBarTop, g.WindowDialHeight}),
              (std::vector<int>{4, 5, 11}));
    EXPECT_EQ(g.windows(), w);
}

TEST_F(Objects, StartDeviceDefaultObjectsAndResizing)
{
    useCounts(2, 1, 1);
    state.settings.ScanTime = 250;
    StartDevice(state);
    EXPECT_EQ(state.settings.CommStatus, 0);
    EXPECT_THAT(takeCalls(), ElementsAre("QmxGetFpOut()", "QmxStartScan()", "QmxSetScanTime(250)",
                                         "QmxSetAdcAvg(4)", "QmxSetRunAvg(1)"));
    channel &second = state.Channels.Item(2);
    second.setFormula("T3");
    second.Units = "mm";
    takeCalls();

    // Growing programs only the new items; the objects already there stay.
    EXPECT_TRUE(CreateChannels(state, 4));
    EXPECT_THAT(takeCalls(),
                ElementsAre("QmxClearChannel(3)", "QmxSetCzero(3, 0)", "QmxSetCscale(3, 1)",
                            "QmxClearChannel(4)", "QmxSetCzero(4, 0)", "QmxSetCscale(4, 1)"));
    EXPECT_EQ(state.settings.MaxChannel, 4);
    EXPECT_EQ(&state.Channels.Item(2), &second);
    // Shrinking sends nothing and keeps the rest.
    EXPECT_TRUE(CreateChannels(state, 2));
    EXPECT_TRUE(CreateChannels(state, 2));
    EXPECT_TRUE(CreateLVDTs(state, 0));
    EXPECT_TRUE(CreateAnalogs(state, 0));
    EXPECT_THAT(takeCalls(), IsEmpty());
    EXPECT_EQ((std::vector<int>{state.Channels.Count(), state.settings.MaxChannel,
                                state.LVDTs.Count(), state.Analogs.Count()}),
              (std::vector<int>{2, 2, 0, 0}));
    EXPECT_EQ(state.Channels.Item(2).Units, "mm");
    EXPECT_EQ(board.state().channels[1].formula, "T3");
    EXPECT_TRUE(CreateAnalogs(state, 1));
    EXPECT_THAT(takeCalls(), ElementsAre("QmxSetAzero(1, 0)", "QmxSetAfsv(1, 1)"));

    // Counts the board cannot address change nothing.
    EXPECT_FALSE(CreateChannels(state, 256));
    EXPECT_FALSE(CreateLVDTs(state, 1000));
    EXPECT_EQ(state.Channels.Count(), 2);
    EXPECT_EQ(state.settings.MaxLVDT, 0);
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
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(Objects, CheckMaxChannelAsksThenRepairs)
{
    for (const auto &list : {std::vector<std::int16_t>{1, 3}, {2, 6}, {5, 6, 2, 7, 8, 4, 9}}) {
        auto g = std::make_unique<group>();
        for (auto c : list)
            g->AddChannel(c);
        state.Groups.Add(std::move(g));
    }
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

TEST_F(Objects, NewSetupClearsTheSetupWithTheDisplayHeld)
{
    struct Window : qmxtest::RecordingWindow {
        using RecordingWindow::RecordingWindow;
        void showSetupTitle(const std::string &t) override
        {
            RecordingWindow::showSetupTitle(t);
            heldAtTitle = !state.view.UpdateEnabled;
        }
        bool heldAtTitle = false;
    } window(state);
    // The setup is cleared: defaults rebuilt at the current counts, groups gone.
    state.settings.MaxDigital = 5;
    useCounts(8, 2, 1);
    state.Channels.Item(8).InUse = true;
    state.Channels.Item(8).setFormula("T1");
    state.Groups.Add(std::make_unique<group>());
    state.Groups.Add(std::make_unique<group>());
    state.view.SetupModified = true;
    takeCalls();

    NewSetup(state, window);
    EXPECT_EQ(state.view.SetupFileName, "new.qmx");
    EXPECT_THAT(window.titles, ElementsAre("QMX-X1 [new.qmx]"));
    EXPECT_TRUE(window.heldAtTitle);
    EXPECT_TRUE(state.view.UpdateEnabled);
    EXPECT_EQ(window.updates, 0);
    EXPECT_TRUE(state.view.SetupModified);
    EXPECT_EQ(state.Groups.Count(), 0);
    EXPECT_EQ(state.Channels.Count(), 8);
    EXPECT_FALSE(state.Channels.Item(8).InUse);
    EXPECT_EQ(state.Channels.Item(8).Formula(), "");
    EXPECT_EQ(board.state().channels[7].formula, "");
    EXPECT_EQ(state.settings.MaxDigital, 5);
    EXPECT_EQ(takeCalls().size(), 8u * 3 + 2 * 2 + 1 * 2) << "every object to its defaults";
}

// A device whose read re-enters the owner, as a handler run by the nested
// event loop of a message box shown inside a library call would: the nested
// call is refused and leaves its out-value alone.
TEST(DeviceOwner, RefusesACallWhileOneIsInProgress)
{
    struct ReenteringApi : NullDeviceApi {
        Device *owner = nullptr;
        Floats seen; // in progress, the nested call's result and out-value
        std::int32_t QmxReadChannel(std::int32_t number, float &) override
        {
            float out = 7;
            if (number == 1)
                seen = {float(owner->callInProgress()), float(owner->QmxReadChannel(2, out)), out};
            return 0;
        }
    } api;
    Device device(api);
    api.owner = &device;
    float v = 0;
    for (long refused : {1, 2}) {
        EXPECT_EQ(device.QmxReadChannel(1, v), 0);
        EXPECT_EQ(api.seen, (Floats{1, -1, 7}));
        EXPECT_EQ(device.refusedCalls(), refused);
        EXPECT_FALSE(device.callInProgress());
    }
}

} // namespace
