// The mastering record as the station keeps it: zeroings and masterings done
// through the dialog from the main window on the simulated board, recorded
// with the calibration the board had and has; the record window; the
// interval that marks parts measured while a channel is due.
#include "mainwindow_support.h"

#include "core/numbertext.h"
#include "dialogs/formmastering.h"
#include "quality/masteringstore.h"
#include "quality/resultscli.h"
#include "quality/resultsexport.h"
#include "results/formexportresults.h"
#include "results/formmasteringrecord.h"
#include "results/formresults.h"
#include "results/partsmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>

#include <sstream>

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::HasSubstr;
using ::testing::SizeIs;

namespace {

constexpr std::int64_t Hour = 3600 * 1000;

class MasteringRecord : public Running {
protected:
    static constexpr char FourChannels[] = "MaxChannel=4\r\nMaxLVDT=4\r\nMaxAnalog=1\r\n";

    void SetUp() override
    {
        ::unsetenv("QMXSRV_RESULTS");
        startStation();
    }
    ~MasteringRecord() override { ::unsetenv("QMXSRV_RESULTS"); }
    // Bore: two masters on T1; Length: one master on T2.
    void startStation()
    {
        program.reset();
        start(FourChannels);
        channel &bore = ch(1);
        bore.Description = "Bore";
        bore.setFormula("T1");
        bore.Decimals = 4;
        bore.UseTwoMasters = true;
        bore.Master1 = 24.99f;
        bore.Master2 = 25.01f;
        channel &length = ch(2);
        length.Description = "Length";
        length.setFormula("T2");
        length.Decimals = 3;
        length.Master1 = 10.0f;
        state().view.SetupFileName = dir.file("bore.qmx");
        form().results().setOperator("J. Doe");
        form().masterings().setClock([this] { return now; });
    }
    channel &ch(int n) { return state().Channels.Item(n); }
    qmxboard::ChannelState onBoard(int n) { return board.state().channels.at(std::size_t(n - 1)); }

    // Zero (button "CommandZero") or master ("CommandMaster") channel n with
    // its masters put on its probe at these positions, one scan tick each;
    // the readings the board gave for them.
    std::vector<float> calibrate(const char *button, int n, const std::vector<double> &positions)
    {
        std::vector<float> readings;
        whenOpen("FormMastering", [&](QDialog *d) {
            for (int i = 0; i < 8 && text(d, "TextMasterChannel") != std::to_string(n); ++i)
                spin(d, "SpinButtonChannel", true);
            for (double position : positions) {
                board.setProbe(n, position);
                float v = 0;
                board.channelValue(n, v);
                readings.push_back(v);
                QMetaObject::invokeMethod(control<QTimer>(&form(), "Timer1"), "timeout");
                click(d, "CommandMaster");
            }
            click(d, "CommandDone");
        });
        press(button);
        return readings;
    }
    std::vector<MasteringRow> recorded()
    {
        std::string error;
        auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
        EXPECT_TRUE(store) << error;
        return store ? MasteringStore(*store).masterings(nullptr, 0, error)
                     : std::vector<MasteringRow>{};
    }
    std::vector<PartRow> parts()
    {
        std::string error;
        auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
        return store ? store->parts(nullptr, "", 0, false, error) : std::vector<PartRow>{};
    }
    FormMasteringRecord &recordWindow()
    {
        if (!form().masterings().recordWindow() || !form().masterings().recordWindow()->isVisible())
            choose("MnuMasteringRecord");
        return *form().masterings().recordWindow();
    }
    // Interval... in the record window; 0 leaves that one off.
    void setInterval(int parts, int hours)
    {
        whenOpen("FormMasteringInterval", [=](QDialog *d) {
            if (control<QCheckBox>(d, "CheckParts")->isChecked() != (parts > 0))
                click(d, "CheckParts");
            if (parts > 0)
                control<QSpinBox>(d, "SpinParts")->setValue(parts);
            if (control<QCheckBox>(d, "CheckHours")->isChecked() != (hours > 0))
                click(d, "CheckHours");
            if (hours > 0)
                control<QSpinBox>(d, "SpinHours")->setValue(hours);
            click(d, "CommandOK");
        });
        click(&recordWindow(), "CommandInterval");
    }
    // What the status bar's own label says ("" while hidden).
    std::string dueShown()
    {
        auto *label = control<QLabel>(&form(), "StatusMasteringDue");
        return label->isVisibleTo(&form()) ? label->text().toStdString() : "";
    }
    void lookAtTheClock()
    {
        QMetaObject::invokeMethod(control<QTimer>(&form(), "TimerMasteringDue"), "timeout");
    }

    std::int64_t now = *utcMillis("2026-12-07T06:00:00.000Z");
};

TEST_F(MasteringRecord, EachZeroingAndMasteringKeepsWhatTheBoardHadAndHas)
{
    const struct {
        const char *button;
        int channel;
        std::vector<double> positions;
        MasteringKind kind;
    } cases[] = {
        {"CommandZero", 1, {24.9937}, MasteringKind::Zero},
        {"CommandMaster", 1, {24.9812, 25.0233}, MasteringKind::TwoMasters},
        {"CommandMaster", 2, {10.004}, MasteringKind::OneMaster},
        {"CommandZero", 2, {9.998}, MasteringKind::Zero},
        {"CommandZero", 1, {24.9902}, MasteringKind::Zero},
    };
    std::size_t n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.button) + " channel " + std::to_string(c.channel));
        now += Hour;
        const qmxboard::ChannelState before = onBoard(c.channel);
        const std::vector<float> readings = calibrate(c.button, c.channel, c.positions);
        const qmxboard::ChannelState after = onBoard(c.channel);
        ASSERT_NE(after.zero, before.zero) << "the dialog calibrated";
        const std::vector<MasteringRow> rows = recorded();
        ASSERT_THAT(rows, SizeIs(++n));
        const MasteringRow &m = rows.front();
        EXPECT_EQ(m.recordedUtc, utcText(now));
        EXPECT_EQ(std::tie(m.setup, m.channel, m.description, m.operatorName, m.kind),
                  std::make_tuple(dir.file("bore.qmx"), c.channel, ch(c.channel).Description,
                                  std::string("J. Doe"), c.kind));
        EXPECT_EQ(m.master1, c.channel == 1 ? 24.99 : 10.0) << "as typed";
        EXPECT_EQ(m.master2, c.channel == 1 ? std::optional(25.01) : std::nullopt);
        ASSERT_EQ(readings.size(), c.positions.size());
        EXPECT_EQ(float(m.reading1), readings[0]);
        EXPECT_EQ(m.reading2,
                  readings.size() > 1 ? std::optional(decimalDouble(readings[1])) : std::nullopt);
        EXPECT_EQ(float(m.zeroBefore), before.zero);
        EXPECT_EQ(float(m.scalingBefore), before.scale);
        EXPECT_EQ(float(m.zeroAfter), after.zero);
        EXPECT_EQ(float(m.scalingAfter), after.scale);
    }
    EXPECT_NE(recorded()[3].scalingAfter, 1.0) << "two masters set the scaling";

    // A mastering that failed changed nothing and is no mastering.
    whenOpen("FormMastering", [&](QDialog *d) {
        for (int i = 0; i < 2; ++i) {
            QMetaObject::invokeMethod(control<QTimer>(&form(), "Timer1"), "timeout");
            click(d, "CommandMaster");
        }
        EXPECT_EQ(text(d, "LblInstruction"), "Mastering unsuccessful.");
        click(d, "CommandDone");
    });
    press("CommandMaster");
    EXPECT_THAT(recorded(), SizeIs(n));
    EXPECT_TRUE(boxes.shown.empty());

    // qmxresults reads the same record, oldest first.
    std::ostringstream out, err;
    ASSERT_EQ(resultsCommand({"--db", dir.file("results.sqlite"), "masterings", "--channel", "1"},
                             out, err),
              0)
        << err.str();
    std::istringstream lines(out.str());
    std::vector<std::string> kinds; // the fourth field of each line
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 4; ++i)
            std::getline(fields, field, '\t');
        kinds.push_back(field);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"kind", "zero", "two-masters", "zero"}));
    EXPECT_THAT(out.str(), HasSubstr("\t1\tzero\tJ. Doe\t24.99\t25.01\t"));
}

TEST_F(MasteringRecord, TheWindowListsThemByChannelNewestFirstAndExportsThemWhole)
{
    calibrate("CommandZero", 1, {24.9937});
    calibrate("CommandMaster", 2, {10.004});
    calibrate("CommandMaster", 1, {24.9812, 25.0233});
    FormMasteringRecord &window = recordWindow();
    const auto ids = [&] {
        std::vector<std::int64_t> out;
        for (const MasteringRow &m : window.shown())
            out.push_back(m.id);
        return out;
    };
    EXPECT_EQ(ids(), (std::vector<std::int64_t>{3, 2, 1}));
    auto *table = control<QTableWidget>(&window, "TableMasterings");
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(0, FormMasteringRecord::ColumnChannel)->text(), "Bore [1]");
    EXPECT_EQ(table->item(0, FormMasteringRecord::ColumnKind)->text(), "two masters");
    EXPECT_EQ(table->item(1, FormMasteringRecord::ColumnMaster2)->text(), "") << "one master";
    EXPECT_EQ(table->item(2, FormMasteringRecord::ColumnMaster1)->text(), "24.99");
    EXPECT_EQ(text(&window, "LabelInterval"), "Mastering interval: off");

    auto *channels = control<QComboBox>(&window, "ComboChannel");
    EXPECT_EQ(channels->count(), 3) << "all, Bore, Length";
    channels->setCurrentIndex(channels->findData(1));
    EXPECT_EQ(ids(), (std::vector<std::int64_t>{3, 1}));
    const std::string csv = dir.file("bore masterings.csv");
    dialogs.answerNext(csv);
    click(&window, "CommandExport");
    EXPECT_EQ(dialogs.asked.back().request.fileName, "masterings-bore-1.csv");
    EXPECT_EQ(readFile(csv), writeMasteringsCsv(window.shown()));
    std::string error;
    const auto rows = readCsv(readFile(csv), error);
    ASSERT_THAT(rows, SizeIs(3)) << error;
    EXPECT_EQ(rows[1][4], "two-masters");
    EXPECT_EQ(rows[2][4], "zero");

    // A mastering done while the window is open shows in it at once.
    calibrate("CommandZero", 1, {24.9951});
    EXPECT_EQ(ids(), (std::vector<std::int64_t>{4, 3, 1}));
    // A file that cannot be written leaves the one that was there.
    dialogs.answerNext(dir.file("no/such/folder/m.csv"));
    click(&window, "CommandExport");
    ASSERT_THAT(boxes.shown, SizeIs(1));
    EXPECT_THAT(boxes.shown[0].text, HasSubstr("Cannot write"));
    EXPECT_THAT(readCsv(readFile(csv), error), SizeIs(3));
}

// Every 2 parts: due after the second part since, parts measured meanwhile
// carry the channels due, and only a mastering that renews a channel clears it.
TEST_F(MasteringRecord, AnIntervalInPartsMarksThePartsMeasuredWhileDue)
{
    calibrate("CommandMaster", 1, {24.9812, 25.0233});
    calibrate("CommandMaster", 2, {10.004});
    setInterval(2, 0);
    EXPECT_EQ(text(&recordWindow(), "LabelInterval"), "Mastering interval: every 2 parts");
    EXPECT_EQ(dueShown(), "");
    choose("MnuRecordPart");
    EXPECT_EQ(dueShown(), "");
    choose("MnuRecordPart");
    EXPECT_EQ(dueShown(), "Mastering due: Bore, Length");
    EXPECT_THAT(form().statusBar()->currentMessage().toStdString(), HasSubstr("Part 2 recorded"))
        << "the record's message beside it";
    choose("MnuRecordPart");

    calibrate("CommandZero", 1, {24.9937});
    EXPECT_EQ(dueShown(), "Mastering due: Bore, Length") << "its scaling went unchecked";
    calibrate("CommandZero", 2, {9.998});
    EXPECT_EQ(dueShown(), "Mastering due: Bore") << "one master: a zeroing renews it";
    choose("MnuRecordPart");
    calibrate("CommandMaster", 1, {24.9812, 25.0233});
    EXPECT_EQ(dueShown(), "");
    choose("MnuRecordPart");

    std::vector<std::string> due;
    for (const PartRow &p : parts())
        due.push_back(p.masteringDue);
    EXPECT_EQ(due, (std::vector<std::string>{"", "", "1 2", "1", ""}));

    // The results window and the parts' export say it too.
    choose("MnuShowResults");
    const PartsModel &model = form().results().resultsWindow()->model();
    const auto dueCell = [&](int row) {
        return model.index(row, PartsModel::ColumnMasteringDue).data().toString().toStdString();
    };
    EXPECT_EQ(dueCell(2), "Bore [1], Length [2]");
    EXPECT_EQ(dueCell(1), "Bore [1]");
    EXPECT_EQ(dueCell(0), "");
    EXPECT_TRUE(model.index(1, PartsModel::ColumnMasteringDue).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.index(0, PartsModel::ColumnMasteringDue).data(Qt::BackgroundRole).isValid());
    const std::string csv = dir.file("parts.csv");
    whenOpen("FormExportResults", [&](QDialog *d) {
        dialogs.answerNext(csv);
        control<QComboBox>(d, "ComboRange")->setCurrentIndex(ExportChoice::All);
        click(d, "CommandOK");
    });
    choose("MnuExportResults");
    std::string error;
    const auto rows = readCsv(readFile(csv), error);
    ASSERT_THAT(rows, SizeIs(6)) << error;
    EXPECT_EQ(rows[0].back(), "mastering_due");
    EXPECT_EQ(rows[3].back(), "1 2");
    EXPECT_EQ(rows[0][4], "Bore [1]") << "the channels' columns as before";
}

// Every 8 hours, by the station's clock: nothing waits for the time to pass.
TEST_F(MasteringRecord, AnIntervalInHoursFollowsTheClockPerSetup)
{
    calibrate("CommandMaster", 1, {24.9812, 25.0233});
    calibrate("CommandMaster", 2, {10.004});
    setInterval(0, 8);
    EXPECT_EQ(text(&recordWindow(), "LabelInterval"), "Mastering interval: every 8 hours");

    now += 8 * Hour - 60 * 1000;
    lookAtTheClock();
    EXPECT_EQ(dueShown(), "");
    choose("MnuRecordPart");
    now += 60 * 1000;
    lookAtTheClock();
    EXPECT_EQ(dueShown(), "Mastering due: Bore, Length");
    choose("MnuRecordPart");
    calibrate("CommandMaster", 2, {10.004});
    EXPECT_EQ(dueShown(), "Mastering due: Bore");
    now += 7 * Hour;
    choose("MnuRecordPart"); // marked by the clock at its record, before any look
    std::vector<std::string> due;
    for (const PartRow &p : parts())
        due.push_back(p.masteringDue);
    EXPECT_EQ(due, (std::vector<std::string>{"", "1 2", "1"}));

    // Another setup has an interval of its own: none.
    state().view.SetupFileName = dir.file("other.qmx");
    choose("ViewChannels");
    EXPECT_EQ(dueShown(), "");
    state().view.SetupFileName = dir.file("bore.qmx");
    choose("ViewChannels");
    EXPECT_EQ(dueShown(), "Mastering due: Bore");
    setInterval(0, 0);
    EXPECT_EQ(dueShown(), "") << "off again";
    EXPECT_TRUE(boxes.shown.empty());
}

// A store that cannot keep the record: the board is calibrated all the same,
// the operator is told once, and the status bar says so at each one.
TEST_F(MasteringRecord, AMasteringTheStoreCannotKeepIsToldAndStillDone)
{
    writeFile(dir.file("foreign.sqlite"), "the operator's notes, not a database");
    ::setenv("QMXSRV_RESULTS", dir.file("foreign.sqlite").c_str(), 1);
    startStation();
    boxes.shown.clear();
    const float zero = onBoard(2).zero;
    calibrate("CommandZero", 2, {9.998});
    EXPECT_NE(onBoard(2).zero, zero);
    calibrate("CommandZero", 2, {10.002});
    ASSERT_THAT(boxes.shown, SizeIs(1));
    EXPECT_THAT(boxes.shown[0].text, HasSubstr("is not a results database"));
    EXPECT_THAT(boxes.shown[0].text, HasSubstr("not recorded in this run"));
    EXPECT_THAT(form().statusBar()->currentMessage().toStdString(),
                HasSubstr("The zeroing of Length was not recorded: "));
    EXPECT_EQ(readFile(dir.file("foreign.sqlite")), "the operator's notes, not a database");
}

} // namespace
