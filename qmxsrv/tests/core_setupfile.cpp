// The setup file against the simulated board: the written layout, the round
// trip, the loader's messages and every fault it must survive.
#include "core_board.h"
#include "numbertext.h"
#include "setupfile.h"
#include "setupoperations.h"

#include <gmock/gmock.h>

using namespace qmxsrv;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using qmxtest::readFile;
using qmxtest::writeFile;

namespace {

std::string crlf(const std::vector<std::string> &lines)
{
    std::string out;
    for (const auto &l : lines)
        out += l + "\r\n";
    return out;
}

std::vector<std::string> zeroSection(const char *header)
{
    return {header, " 0 ", " 0 ", " 0 ", " 0 "};
}

// A channel record as the writer writes it, with defaults apart from these.
std::vector<std::string> channelLines(int index, const std::string &description)
{
    return {"[Channel]", fileInteger(index), description, "", " 5 ", "Inch", " 0 ", " 0 ",
            "False", " 0.01 ", " 0.009 ", "-0.009 ", "-0.01 ", " 1 ", " 0 ", " 0.05 ",
            "-0.05 ", "[End Channel]"};
}

class SetupFile : public qmxtest::OnBoard {
protected:
    void load(const std::string &name)
    {
        state.view.SetupFileName = name;
        LoadSetupFile(state, window);
    }
    void loadText(const std::string &text)
    {
        writeFile(dir.file("in.qmx"), text);
        load(dir.file("in.qmx"));
    }
    void expectLoadEndedCleanly(const std::string &name)
    {
        EXPECT_THAT(window.titles, ElementsAre("QMX-X1 [" + name + "]"));
        EXPECT_EQ(window.updates, 1);
        EXPECT_FALSE(state.view.SetupModified);
        EXPECT_TRUE(state.view.UpdateEnabled);
    }
    qmxtest::RecordingWindow window;
};

TEST_F(SetupFile, WrittenLineForLine)
{
    useCounts(2, 1, 1);
    state.settings.SystemDecimals = 4;
    state.settings.MaxDigital = 3; // the file always says 0
    state.ChannelWindows.Grid = {100, 200, 3000, 4000};
    state.AnalogWindows.Dial = {-5, 0, 1, 32767};
    channel &c = state.Channels.Item(2);
    c.InUse = true;
    c.Description = "Bore";
    c.setFormula("(T1+A1)/2");
    c.Decimals = 3;
    c.Units = "mm";
    c.Master1 = 10;
    c.Master2 = 20.5f;
    c.UseTwoMasters = true;
    c.setScaling(1.25f);
    c.setZeroOffset(-0.003f);
    auto g = std::make_unique<group>();
    g->SetDefaults(1);
    g->Description = "Pair";
    g->AddChannel(2);
    g->AddChannel(1);
    g->WindowBarTop = 1;
    g->WindowBarLeft = 2;
    g->WindowBarHeight = 3;
    g->WindowBarWidth = 4;
    state.Groups.Add(std::move(g));
    state.view.SetupFileName = dir.file("out.qmx");
    state.view.SetupModified = true;
    takeCalls();

    ASSERT_TRUE(SaveSetupFile(state));
    std::vector<std::string> expected = {
        "[QMXSRV Version 1.0]", "[General Setup]", "MaxChannel= 2 ", "MaxLVDT= 1 ",
        "MaxAnalog= 1 ", "MaxDigital=0", "MaxStrain=0", "Decimals= 4 ", "[End Section]",
        "[ChannelGridWindow]", " 100 ", " 200 ", " 3000 ", " 4000 "};
    for (const char *h : {"[ChannelBarWindow]", "[ChannelDialWindow]", "[LvdtGridWindow]",
                          "[LvdtBarWindow]", "[LvdtDialWindow]", "[AnalogGridWindow]",
                          "[AnalogBarWindow]"})
        for (const auto &l : zeroSection(h))
            expected.push_back(l);
    for (const char *l : {"[AnalogDialWindow]", "-5 ", " 0 ", " 1 ", " 32767 ", "[Channel]",
                          " 2 ", "Bore", "(T1+A1)/2", " 3 ", "mm", " 10 ", " 20.5 ", "True",
                          " 0.01 ", " 0.009 ", "-0.009 ", "-0.01 ", " 1.25 ", "-0.003 ",
                          " 0.05 ", "-0.05 ", "[End Channel]", "[lvdt]", " 1 ", "Lvdt 1",
                          " 0.02 ", " 0 ", "[End lvdt]", "[Analog]", " 1 ", "Analog  1", " 1 ",
                          " 0 ", "[End Analog]", "[Group]", " 1 ", "Pair", " 2 ", " 2 ", " 1 ",
                          " 0 ", " 0 ", " 0 ", " 0 ", " 1 ", " 2 ", " 3 ", " 4 ", " 0 ", " 0 ",
                          " 0 ", " 0 ", "[End Group]", "[End Setup]"})
        expected.push_back(l);
    EXPECT_EQ(readFile(dir.file("out.qmx")), crlf(expected));
    EXPECT_FALSE(state.view.SetupModified);
    // Calibrations come from the board; channel 1 is not in use and not read.
    EXPECT_THAT(takeCalls(),
                ElementsAre("QmxReadCscale(2)", "QmxReadCzero(2)", "QmxReadTfsv(1)",
                            "QmxReadTzero(1)", "QmxReadAfsv(1)", "QmxReadAzero(1)"));
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(SetupFile, SaveThenLoadGivesTheSetupBack)
{
    useCounts(6, 3, 2);
    for (int i : {2, 5}) {
        channel &c = state.Channels.Item(i);
        c.InUse = true;
        c.Description = "Chan " + std::to_string(i);
        c.setFormula("T" + std::to_string(i - 1) + "-T3");
        c.Decimals = static_cast<std::int16_t>(i - 2);
        c.Units = "um";
        c.Master1 = 0.1f * static_cast<float>(i);
        c.Master2 = -1.0f / 3;
        c.UseTwoMasters = i == 5;
        c.LoAppr = -0.0000001f;
        c.BarDisplayTop = 1e9f;
    }
    state.Channels.Item(3).Units = "changed"; // not in use: not saved
    state.LVDTs.Item(2).Description = "Probe two";
    state.LVDTs.Item(2).setFullScale(0.04f);
    state.Analogs.Item(2).setZeroOffset(-0.75f);
    // Calibrations that mastering changed on the board behind the objects.
    device.QmxSetCzero(5, 0.1234567f);
    device.QmxSetCscale(2, 1.0000001f);
    device.QmxSetTzero(3, 2.5e-6f);
    for (std::int16_t n : {1, 2}) {
        auto g = std::make_unique<group>();
        g->SetDefaults(n);
        if (n == 1) {
            g->AddChannel(5);
            g->AddChannel(2);
            g->AddChannel(5);
        }
        g->setWindows({{1, 2, 3, 4}, {-5, -6, 7, 8}, {9, 10, 11, n}});
        state.Groups.Add(std::move(g));
    }
    state.ChannelWindows = {{10, 20, 30, 40}, {50, 60, 70, 80}, {1, 1, 1, 1}};
    state.LvdtWindows.Bar = {0, 0, 5000, 9000};
    state.settings.SystemDecimals = 3;
    state.view.SetupFileName = dir.file("a.qmx");
    ASSERT_TRUE(SaveSetupFile(state));
    const auto before = board.state();

    // Another setup in between, so that the load must put everything back.
    NewSetup(state, window);
    CreateChannels(state, 9);
    state.ChannelWindows = {};
    window.titles.clear();
    load(dir.file("a.qmx"));
    expectLoadEndedCleanly(dir.file("a.qmx"));
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(state.Channels.Item(3).Units, "Inch");
    EXPECT_FALSE(state.Channels.Item(3).InUse);

    // Everything the file holds came back: saving again writes the same text.
    state.view.SetupFileName = dir.file("b.qmx");
    ASSERT_TRUE(SaveSetupFile(state));
    EXPECT_EQ(readFile(dir.file("b.qmx")), readFile(dir.file("a.qmx")));
    // And the board holds the same formulas and calibrations as at saving.
    const auto after = board.state();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(after.channels[i].formula, before.channels[i].formula) << i;
        EXPECT_EQ(after.channels[i].zero, before.channels[i].zero) << i;
        EXPECT_EQ(after.channels[i].scale, before.channels[i].scale) << i;
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(after.probes[i].zero, before.probes[i].zero) << i;
        EXPECT_EQ(after.probes[i].fullScale, before.probes[i].fullScale) << i;
    }
    EXPECT_EQ(after.inputs[1].zero, -0.75f);
}

TEST_F(SetupFile, LoaderMessagesAndTheEndOfTheSetup)
{
    useCounts(24, 2, 1);
    state.settings.MaxStrain = 4;
    state.settings.MaxDigital = 2;
    std::vector<std::string> lines = {"[QMXSRV Version 9.9]", "[General Setup]",
                                      "MaxChannel= 16 ", "MaxDigital=0", "MaxStrain=7",
                                      "Colour=red", "[End Section]", "", "garbage"};
    for (const auto &l : channelLines(16, "Last one"))
        lines.push_back(l);
    for (const char *l : {"[Group]", " 3 ", "Empty", " 0 "})
        lines.push_back(l);
    for (int i = 0; i < 12; ++i)
        lines.push_back(" 1 ");
    for (const char *l : {"[End Group]", "[End Setup]", "after the end", "[Channel]"})
        lines.push_back(l);
    loadText(crlf(lines));

    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].text, "Unknown item in [general setup]\rColour=red");
    EXPECT_EQ(boxes.shown[1].text, "Section: not valid");
    EXPECT_EQ(boxes.shown[2].text, "Section:garbage not valid");
    for (const auto &s : boxes.shown) {
        EXPECT_EQ(s.title, "QMXSRV");
        EXPECT_EQ(s.buttons, Buttons::Ok);
        EXPECT_EQ(s.icon, Icon::None);
    }
    expectLoadEndedCleanly(dir.file("in.qmx"));
    EXPECT_EQ(state.Channels.Count(), 16); // shrunk before the channel record
    EXPECT_EQ(state.Channels.Item(16).Description, "Last one");
    EXPECT_EQ(state.settings.MaxDigital, 0);
    EXPECT_EQ(state.settings.MaxStrain, 4); // MaxStrain lines are ignored
    ASSERT_EQ(state.Groups.Count(), 1);
    EXPECT_EQ(state.Groups.Item(1).Description, "Empty");
    EXPECT_EQ(state.Groups.Item(1).Count(), 0);
    EXPECT_EQ(state.Groups.Item(1).WindowDialWidth, 1);

    // The shrink sent nothing: after the rebuild of 24, 2 and 1 items come
    // only the record's formula and calibrations.
    const auto calls = takeCalls();
    ASSERT_EQ(calls.size(), 24u * 3 + 2 * 2 + 2 + 3);
    EXPECT_THAT(std::vector<std::string>(calls.end() - 3, calls.end()),
                ElementsAre("QmxClearChannel(16)", "QmxSetCscale(16, 1)", "QmxSetCzero(16, 0)"));

    // Without "[End Setup]" the file simply ends.
    boxes.shown.clear();
    window.titles.clear();
    window.updates = 0;
    lines = {"[QMXSRV Version 1.0]", "[General Setup]", "MaxChannel= 3 "};
    loadText(crlf(lines));
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(state.Channels.Count(), 3);
    expectLoadEndedCleanly(dir.file("in.qmx"));
}

struct FaultCase {
    const char *name;
    std::vector<std::string> lines; // after the valid beginning
    int faultLine;                  // 1-based within `lines`; 0: the last line of the file
    std::string fault;
    bool goesOn = false; // the line is ignored and the load continues
};

TEST_F(SetupFile, FaultsAreReportedAndSurvived)
{
    const std::vector<std::string> start = [] {
        std::vector<std::string> l = {"[QMXSRV Version 1.0]", "[General Setup]", "MaxChannel= 4 ",
                                      "MaxLVDT= 2 ", "MaxAnalog= 1 ", "[End Section]"};
        for (const auto &line : channelLines(1, "Loaded"))
            l.push_back(line);
        return l;
    }();
    auto record = [](int index, int badLine, const std::string &badText) {
        auto l = channelLines(index, "Faulty");
        l[static_cast<std::size_t>(badLine)] = badText;
        return l;
    };
    std::vector<FaultCase> cases = {
        {"channel number", {"[Channel]", " 9 "}, 2, "There is no channel 9; MaxChannel is 4"},
        {"lvdt number", {"[lvdt]", " 0 "}, 2, "There is no LVDT 0; MaxLVDT is 2"},
        {"analog number", {"[Analog]", "2"}, 2, "There is no analog input 2; MaxAnalog is 1"},
        {"general line without =", {"[General Setup]", "Decimals 5"}, 2,
         "A [General Setup] line without \"=\""},
        {"general value", {"[General Setup]", "Decimals= 99999"}, 2,
         "\"Decimals= 99999\": the value is not a number from -32768 to 32767"},
        {"float", record(3, 6, "abc"), 7, "\"abc\" is not a number"},
        {"float range", record(3, 14, "1E+39"), 15, "\"1E+39\" is not a number"},
        {"Boolean", record(3, 8, "maybe"), 9, "\"maybe\" is not True, False or a number"},
        {"integer", record(3, 4, " 40000 "), 5,
         "\" 40000 \" is not a number from -32768 to 32767"},
        {"cut channel record", {"[Channel]", " 3 ", "Cut", "T1"}, 0,
         "The file ends inside a [Channel] record"},
        {"missing end line", [&] {
             auto l = channelLines(3, "No end");
             l.pop_back();
             return l;
         }(),
         0, "The file ends inside a [Channel] record"},
        {"cut window section", {"[LvdtBarWindow]", " 1 ", " 2 "}, 0,
         "The file ends inside a [LvdtBarWindow]"},
        {"cut group", {"[Group]", " 1 ", "G", " 3 ", " 1 "}, 0,
         "The file ends inside a [Group] record"},
        {"group member", {"[Group]", " 1 ", "G", " 2 ", " 1 ", " 7 "}, 6,
         "There is no channel 7; MaxChannel is 4"},
        {"count above 255", {"[General Setup]", "MaxLVDT=300", "[End Section]"}, 2,
         "MaxLVDT 300 is above 255, the most the board can address; the line is ignored.",
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> lines = start;
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        for (const auto &l : channelLines(2, "After"))
            lines.push_back(l);
        const std::size_t faultLine =
            c.faultLine ? start.size() + static_cast<std::size_t>(c.faultLine) : lines.size();
        if (!c.faultLine)
            lines.resize(start.size() + c.lines.size()); // the cut comes at the end
        boxes.shown.clear();
        window.titles.clear();
        window.updates = 0;
        loadText(crlf(lines));

        ASSERT_EQ(boxes.shown.size(), 1u);
        const std::string where = dir.file("in.qmx") + ", line " +
                                  std::to_string(c.faultLine ? faultLine : lines.size()) + ":\r";
        EXPECT_EQ(boxes.shown[0].text,
                  where + c.fault + (c.goesOn ? "" : "\rLoading stopped at this line."));
        EXPECT_EQ(boxes.shown[0].title, "QMXSRV");
        EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
        expectLoadEndedCleanly(dir.file("in.qmx"));
        EXPECT_EQ(state.Channels.Item(1).Description, "Loaded");
        EXPECT_TRUE(state.Channels.Item(1).InUse);
        EXPECT_EQ(state.Channels.Item(2).Description, c.goesOn ? "After" : "Channel 2");
        EXPECT_EQ(state.Channels.Item(3).Description, "Channel 3"); // never half loaded
        EXPECT_EQ(state.LVDTs.Count(), 2);
        EXPECT_EQ(state.Groups.Count(), 0);
    }
}

TEST_F(SetupFile, GroupsNeverKeepChannelsThatAreGone)
{
    useCounts(4, 0, 0);
    std::vector<std::string> lines = {"[QMXSRV Version 1.0]", "[General Setup]", "MaxChannel= 8 ",
                                      "[End Section]", "[Group]", " 1 ", "G", " 3 ", " 7 ",
                                      " 2 ", " 8 "};
    for (int i = 0; i < 12; ++i)
        lines.push_back(" 0 ");
    for (const char *l : {"[End Group]", "[General Setup]", "MaxChannel= 4 ", "[End Section]"})
        lines.push_back(l);
    loadText(crlf(lines));
    EXPECT_THAT(messages(), IsEmpty());
    ASSERT_EQ(state.Groups.Count(), 1);
    EXPECT_EQ(state.Groups.Item(1).Count(), 1);
    EXPECT_EQ(state.Groups.Item(1).GetChannel(1), 2);
}

TEST_F(SetupFile, UnreadableFileIsReportedAndSurvived)
{
    useCounts(2, 0, 0);
    state.Channels.Item(1).InUse = true;
    const std::string name = dir.file("missing.qmx");
    load(name);
    EXPECT_THAT(messages(),
                ElementsAre("Cannot open the setup file " + name + "\rNo such file or directory"));
    expectLoadEndedCleanly(name);
    EXPECT_FALSE(state.Channels.Item(1).InUse); // cleared before the file was opened
}

TEST_F(SetupFile, FailedSaveKeepsTheOldFile)
{
    useCounts(1, 1, 1);
    const std::string name = dir.file("keep.qmx");
    writeFile(name, "previous setup");
    state.view.SetupFileName = name;
    state.view.SetupModified = true;
    {
        qmxtest::FileSizeLimit full(100);
        EXPECT_FALSE(SaveSetupFile(state));
    }
    EXPECT_EQ(readFile(name), "previous setup");
    EXPECT_EQ(dir.listing(), "keep.qmx ");
    EXPECT_TRUE(state.view.SetupModified);
    EXPECT_THAT(messages(),
                ElementsAre("Cannot write the setup file " + name + "\rFile too large"));

    state.view.SetupFileName = dir.file("nowhere/x.qmx");
    EXPECT_FALSE(SaveSetupFile(state));
    EXPECT_EQ(boxes.shown.back().text, "Cannot write the setup file " +
                                           state.view.SetupFileName +
                                           "\rNo such file or directory");
    EXPECT_TRUE(state.view.SetupModified);
}

TEST_F(SetupFile, NoFileNameDoesNothing)
{
    useCounts(2, 1, 1);
    state.Channels.Item(1).InUse = true;
    state.view.SetupModified = true;
    EXPECT_FALSE(SaveSetupFile(state));
    load("");
    EXPECT_THAT(takeCalls(), IsEmpty());
    EXPECT_TRUE(state.Channels.Item(1).InUse);
    EXPECT_TRUE(state.view.SetupModified);
    EXPECT_THAT(window.titles, IsEmpty());
    EXPECT_EQ(window.updates, 0);
    EXPECT_EQ(dir.listing(), "");
}

TEST_F(SetupFile, TextsWithLineBreaksStayOnTheirLine)
{
    useCounts(1, 1, 0);
    state.Channels.Item(1).InUse = true;
    state.Channels.Item(1).Description = "two\r\nlines";
    state.LVDTs.Item(1).Description = "a\nb";
    state.view.SetupFileName = dir.file("t.qmx");
    ASSERT_TRUE(SaveSetupFile(state));
    load(dir.file("t.qmx"));
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(state.Channels.Item(1).Description, "two  lines");
    EXPECT_EQ(state.LVDTs.Item(1).Description, "a b");
}

} // namespace
