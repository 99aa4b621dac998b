// The setup file against the simulated board: the written layout, the round
// trip, the loader's messages and every fault it must survive.
#include "core/numbertext.h"
#include "core/setupfile.h"
#include "core/setupoperations.h"
#include "core_board.h"

#include <gmock/gmock.h>

#include <csignal>
#include <sys/resource.h>

using namespace qmxsrv;
using qmxtest::readFile;
using qmxtest::writeFile;
using ::testing::_;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::FieldsAre;
using ::testing::IsEmpty;

namespace {

using Lines = std::vector<std::string>;

// The parts one after the other, as one file with CR LF line ends.
std::string crlf(std::initializer_list<Lines> parts)
{
    std::string out;
    for (const auto &part : parts)
        for (const auto &l : part)
            out += l + "\r\n";
    return out;
}

// A channel record as the writer writes it, with defaults apart from these.
Lines channelLines(int index, const std::string &description)
{
    return {
        "[Channel]", fileInteger(index), description, "",        " 5 ",    "Inch", " 0 ", " 0 ",
        "False",     " 0.01 ",           " 0.009 ",   "-0.009 ", "-0.01 ", " 1 ",  " 0 ", " 0.05 ",
        "-0.05 ",    "[End Channel]"};
}

class SetupFile : public qmxtest::OnBoard {
protected:
    void load(const std::string &name)
    {
        boxes.shown.clear();
        window.titles.clear();
        window.updates = 0;
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
};

TEST_F(SetupFile, WrittenLineForLineAndLoadedBack)
{
    useCounts(2, 1, 1);
    state.settings.SystemDecimals = 4;
    state.settings.MaxDigital = 3; // the file always says 0
    state.ChannelWindows.Grid = {100, 200, 3000, 4000};
    state.AnalogWindows.Dial = {-5, 0, 1, 32767};
    state.Channels.Item(1).Units = "not in use, not saved";
    channel &c = state.Channels.Item(2);
    c.InUse = true;
    c.Description = "Bore\r\nside"; // a line break would split the record
    c.setFormula("(T1+A1)/2");
    c.Decimals = 3;
    c.Units = "mm";
    c.Master1 = 10;
    c.Master2 = 20.5f;
    c.UseTwoMasters = true;
    c.setScaling(1.25f);
    device.QmxSetCzero(2, -0.003f); // mastering changes the board behind the object
    state.LVDTs.Item(1).setFullScale(0.04f);
    state.LVDTs.Item(1).Description = "Lvdt\n1";
    state.Analogs.Item(1).setZeroOffset(-0.75f);
    auto g = std::make_unique<group>();
    g->SetDefaults(1);
    g->Description = "Pair";
    for (std::int16_t member : {2, 1, 2})
        g->AddChannel(member);
    g->setWindows({{}, {1, 2, 3, 4}, {}});
    state.Groups.Add(std::move(g));
    state.view.SetupFileName = dir.file("out.qmx");
    state.view.SetupModified = true;
    takeCalls();

    ASSERT_TRUE(SaveSetupFile(state));
    const Lines zeros = {" 0 ", " 0 ", " 0 ", " 0 "};
    EXPECT_EQ(
        readFile(dir.file("out.qmx")),
        crlf({{"[QMXSRV Version 1.0]", "[General Setup]", "MaxChannel= 2 ", "MaxLVDT= 1 ",
               "MaxAnalog= 1 ", "MaxDigital=0", "MaxStrain=0", "Decimals= 4 ", "[End Section]",
               "[ChannelGridWindow]", " 100 ", " 200 ", " 3000 ", " 4000 ", "[ChannelBarWindow]"},
              zeros,
              {"[ChannelDialWindow]"},
              zeros,
              {"[LvdtGridWindow]"},
              zeros,
              {"[LvdtBarWindow]"},
              zeros,
              {"[LvdtDialWindow]"},
              zeros,
              {"[AnalogGridWindow]"},
              zeros,
              {"[AnalogBarWindow]"},
              zeros,
              {"[AnalogDialWindow]",
               "-5 ",
               " 0 ",
               " 1 ",
               " 32767 ",
               "[Channel]",
               " 2 ",
               "Bore  side",
               "(T1+A1)/2",
               " 3 ",
               "mm",
               " 10 ",
               " 20.5 ",
               "True",
               " 0.01 ",
               " 0.009 ",
               "-0.009 ",
               "-0.01 ",
               " 1.25 ",
               "-0.003 ",
               " 0.05 ",
               "-0.05 ",
               "[End Channel]",
               "[lvdt]",
               " 1 ",
               "Lvdt 1",
               " 0.04 ",
               " 0 ",
               "[End lvdt]",
               "[Analog]",
               " 1 ",
               "Analog  1",
               " 1 ",
               "-0.75 ",
               "[End Analog]",
               "[Group]",
               " 1 ",
               "Pair",
               " 3 ",
               " 2 ",
               " 1 ",
               " 2 "},
              zeros,
              {" 1 ", " 2 ", " 3 ", " 4 "},
              zeros,
              {"[End Group]", "[End Setup]"}}));
    EXPECT_FALSE(state.view.SetupModified);
    // Calibrations come from the board; channel 1 is not in use and not read.
    EXPECT_THAT(takeCalls(), ElementsAre("QmxReadCscale(2)", "QmxReadCzero(2)", "QmxReadTfsv(1)",
                                         "QmxReadTzero(1)", "QmxReadAfsv(1)", "QmxReadAzero(1)"));
    EXPECT_THAT(messages(), IsEmpty());

    // Another setup in between, so that the load must put everything back.
    NewSetup(state, window);
    CreateChannels(state, 9);
    state.ChannelWindows = {};
    load(dir.file("out.qmx"));
    expectLoadEndedCleanly(dir.file("out.qmx"));
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(state.Channels.Item(1).Units, "Inch");
    EXPECT_EQ(board.state().channels[1].formula, "(T1+A1)/2");
    // Everything the file holds came back, the calibrations to the board (the
    // save reads them there): saving again writes the same text.
    state.view.SetupFileName = dir.file("again.qmx");
    ASSERT_TRUE(SaveSetupFile(state));
    EXPECT_EQ(readFile(dir.file("again.qmx")), readFile(dir.file("out.qmx")));
}

TEST_F(SetupFile, LoaderMessagesAndTheEndOfTheSetup)
{
    useCounts(24, 2, 1);
    state.settings.MaxStrain = 4;
    state.settings.MaxDigital = 2;
    loadText(crlf({{"[QMXSRV Version 9.9]", "[General Setup]", "MaxChannel= 16 ", "MaxDigital=0",
                    "MaxStrain=7", "Colour=red", "[End Section]", "", "garbage"},
                   channelLines(16, "Last one"),
                   {"[Group]", " 3 ", "Empty", " 0 "},
                   Lines(12, " 1 "),
                   {"[End Group]", "[End Setup]", "after the end", "[Channel]"}}));

    EXPECT_THAT(messages(), ElementsAre("Unknown item in [general setup]\rColour=red",
                                        "Section: not valid", "Section:garbage not valid"));
    EXPECT_THAT(boxes.shown, Each(FieldsAre(_, "QMXSRV", Buttons::Ok, Icon::None)));
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
    EXPECT_THAT(Lines(calls.end() - 3, calls.end()),
                ElementsAre("QmxClearChannel(16)", "QmxSetCscale(16, 1)", "QmxSetCzero(16, 0)"));

    // Without "[End Setup]" the file simply ends.
    loadText(crlf({{"[QMXSRV Version 1.0]", "[General Setup]", "MaxChannel= 3 "}}));
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(state.Channels.Count(), 3);
    expectLoadEndedCleanly(dir.file("in.qmx"));
}

TEST_F(SetupFile, FaultsAreReportedAndSurvived)
{
    const Lines header = {"[QMXSRV Version 1.0]", "[General Setup]", "MaxChannel= 4 ",
                          "MaxLVDT= 2 ",          "MaxAnalog= 1 ",   "[End Section]"};
    const Lines loaded = channelLines(1, "Loaded");
    auto record = [](int badLine, const std::string &badText, bool cutEnd = false) {
        auto l = channelLines(3, "Faulty");
        l[static_cast<std::size_t>(badLine)] = badText;
        if (cutEnd)
            l.pop_back();
        return l;
    };
    const struct {
        const char *name;
        Lines lines;   // after the valid beginning
        int faultLine; // 1-based within `lines`; 0: the file is cut after them
        std::string fault;
        bool goesOn = false; // the line is ignored and the load continues
    } cases[] = {
        {"channel number", {"[Channel]", " 9 "}, 2, "There is no channel 9; MaxChannel is 4"},
        {"lvdt number", {"[lvdt]", " 0 "}, 2, "There is no LVDT 0; MaxLVDT is 2"},
        {"analog number", {"[Analog]", "2"}, 2, "There is no analog input 2; MaxAnalog is 1"},
        {"general line without =",
         {"[General Setup]", "Decimals 5"},
         2,
         "A [General Setup] line without \"=\""},
        {"general value",
         {"[General Setup]", "Decimals= 99999"},
         2,
         "\"Decimals= 99999\": the value is not a number from -32768 to 32767"},
        {"float", record(6, "abc"), 7, "\"abc\" is not a number"},
        {"float range", record(14, "1E+39"), 15, "\"1E+39\" is not a number"},
        {"Boolean", record(8, "maybe"), 9, "\"maybe\" is not True, False or a number"},
        {"integer", record(4, " 40000 "), 5, "\" 40000 \" is not a number from -32768 to 32767"},
        {"cut channel record",
         {"[Channel]", " 3 ", "Cut", "T1"},
         0,
         "The file ends inside a [Channel] record"},
        {"missing end line", record(2, "No end", true), 0,
         "The file ends inside a [Channel] record"},
        {"cut window section",
         {"[LvdtBarWindow]", " 1 ", " 2 "},
         0,
         "The file ends inside a [LvdtBarWindow]"},
        {"cut group",
         {"[Group]", " 1 ", "G", " 3 ", " 1 "},
         0,
         "The file ends inside a [Group] record"},
        {"group member",
         {"[Group]", " 1 ", "G", " 2 ", " 1 ", " 7 "},
         6,
         "There is no channel 7; MaxChannel is 4"},
        {"count above 255",
         {"[General Setup]", "MaxLVDT=300", "[End Section]"},
         2,
         "MaxLVDT 300 is above 255, the most the board can address; the line is ignored.",
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t line =
            header.size() + loaded.size() + (c.faultLine ? c.faultLine : c.lines.size());
        loadText(crlf({header, loaded, c.lines, c.faultLine ? channelLines(2, "After") : Lines()}));

        const std::string text = dir.file("in.qmx") + ", line " + std::to_string(line) + ":\r" +
                                 c.fault + (c.goesOn ? "" : "\rLoading stopped at this line.");
        EXPECT_THAT(boxes.shown, ElementsAre(FieldsAre(text, "QMXSRV", _, Icon::Exclamation)));
        expectLoadEndedCleanly(dir.file("in.qmx"));
        EXPECT_EQ(state.Channels.Item(1).Description, "Loaded");
        EXPECT_TRUE(state.Channels.Item(1).InUse);
        EXPECT_EQ(state.Channels.Item(2).Description, c.goesOn ? "After" : "Channel 2");
        EXPECT_EQ(state.Channels.Item(3).Description, "Channel 3"); // never half loaded
        EXPECT_EQ(state.LVDTs.Count(), 2);
        EXPECT_EQ(state.Groups.Count(), 0);
    }

    // A file that cannot be opened: the setup was cleared before.
    state.Channels.Item(1).InUse = true;
    const std::string missing = dir.file("missing.qmx");
    load(missing);
    EXPECT_THAT(messages(), ElementsAre("Cannot open the setup file " + missing +
                                        "\rNo such file or directory"));
    expectLoadEndedCleanly(missing);
    EXPECT_FALSE(state.Channels.Item(1).InUse);
}

TEST_F(SetupFile, GroupsNeverKeepChannelsThatAreGone)
{
    useCounts(4, 0, 0);
    loadText(crlf({{"[QMXSRV Version 1.0]", "[General Setup]", "MaxChannel= 8 ", "[End Section]",
                    "[Group]", " 1 ", "G", " 3 ", " 7 ", " 2 ", " 8 "},
                   Lines(12, " 0 "),
                   {"[End Group]", "[General Setup]", "MaxChannel= 4 ", "[End Section]"}}));
    EXPECT_THAT(messages(), IsEmpty());
    ASSERT_EQ(state.Groups.Count(), 1);
    EXPECT_EQ(state.Groups.Item(1).Count(), 1);
    EXPECT_EQ(state.Groups.Item(1).GetChannel(1), 2);
}

// The longest list a group can hold: every walk over it (load, the channel
// count check, save) must end; 16-bit counters never pass 32767.
TEST_F(SetupFile, AGroupOfTheLongestListIsWalkedToItsEnd)
{
    useCounts(2, 0, 0);
    Lines members;
    for (int i = 0; i < 32767; ++i)
        members.push_back(i % 2 ? " 2 " : " 1 ");
    loadText(crlf({{"[QMXSRV Version 1.0]", "[General Setup]", "MaxChannel= 2 ", "[End Section]",
                    "[Group]", " 1 ", "G", " 32767 "},
                   members,
                   Lines(12, " 0 "),
                   {"[End Group]"}}));
    EXPECT_THAT(messages(), IsEmpty());
    ASSERT_EQ(state.Groups.Count(), 1);
    ASSERT_EQ(state.Groups.Item(1).Count(), 32767);
    EXPECT_EQ(state.Groups.Item(1).GetChannel(32767), 1);
    EXPECT_TRUE(CheckMaxChannel(state, 2, false));
    EXPECT_FALSE(CheckMaxChannel(state, 1, false));

    state.view.SetupFileName = dir.file("long.qmx");
    ASSERT_TRUE(SaveSetupFile(state));
    load(dir.file("long.qmx"));
    ASSERT_EQ(state.Groups.Count(), 1);
    EXPECT_EQ(state.Groups.Item(1).Count(), 32767);
    EXPECT_EQ(state.Groups.Item(1).GetChannel(32766), 2);

    EXPECT_TRUE(CheckMaxChannel(state, 1, true));
    EXPECT_EQ(state.Groups.Item(1).Count(), 16384);
}

TEST_F(SetupFile, NoFileNameOrAFailedSaveKeepsWhatThereIs)
{
    useCounts(1, 1, 1);
    state.Channels.Item(1).InUse = true;
    state.view.SetupModified = true;
    EXPECT_FALSE(SaveSetupFile(state));
    load("");
    EXPECT_THAT(takeCalls(), IsEmpty());
    EXPECT_TRUE(state.Channels.Item(1).InUse);
    EXPECT_THAT(window.titles, IsEmpty());
    EXPECT_EQ(window.updates, 0);
    EXPECT_EQ(dir.listing(), "");

    const std::string name = dir.file("keep.qmx");
    writeFile(name, "previous setup");
    state.view.SetupFileName = name;
    // A full disk: any write beyond 100 bytes fails with EFBIG (even for root).
    rlimit unlimited{};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    rlimit full = unlimited;
    full.rlim_cur = 100;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &full);
    EXPECT_FALSE(SaveSetupFile(state));
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(readFile(name), "previous setup");
    EXPECT_EQ(dir.listing(), "keep.qmx ");
    state.view.SetupFileName = dir.file("nowhere/x.qmx");
    EXPECT_FALSE(SaveSetupFile(state));
    EXPECT_THAT(messages(), ElementsAre("Cannot write the setup file " + name + "\rFile too large",
                                        "Cannot write the setup file " + state.view.SetupFileName +
                                            "\rNo such file or directory"));
    EXPECT_TRUE(state.view.SetupModified);
}

} // namespace
