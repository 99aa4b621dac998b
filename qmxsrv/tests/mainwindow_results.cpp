// The Results menu as the operator uses it on the simulated board: a part
// recorded from fresh reads, judged and stored, the serial counting on, the
// board's faults and the store's, and the export of a chosen range.
#include "mainwindow_service_client.h"
#include "mainwindow_support.h"

#include "core/resultsexport.h"
#include "dialogs/formresults.h"
#include "mainwindow/resultscommands.h"

#include <QComboBox>
#include <QDateEdit>
#include <QStatusBar>

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::SizeIs;

namespace {

class Results : public Running {
protected:
    Results()
    {
        ::unsetenv("QMXSRV_RESULTS");
        start();
        // Bore good, Length approach, Runout reject; channel 4 has no formula.
        const struct {
            const char *description, *formula;
            double probe;
        } channels[] = {{"Bore", "T1", 0.001}, {"Length", "T2", 0.007}, {"", "T3", -0.0123}};
        for (int i = 1; i <= 3; ++i) {
            channel &c = state().Channels.Item(i);
            c.Description = channels[i - 1].description;
            c.setFormula(channels[i - 1].formula);
            c.Decimals = 4;
            c.Units = "mm";
            c.LoTol = -0.01f, c.LoAppr = -0.005f, c.HiAppr = 0.005f, c.HiTol = 0.01f;
            board.setProbe(i, channels[i - 1].probe);
        }
        state().view.SetupFileName = dir.file("bore.qmx");
    }
    ~Results() override { ::unsetenv("QMXSRV_RESULTS"); }

    std::string statusText() { return form().statusBar()->currentMessage().toStdString(); }
    std::vector<PartRow> stored()
    {
        std::string error;
        auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
        EXPECT_TRUE(store) << error;
        return store ? store->parts(nullptr, "", 0, true, error) : std::vector<PartRow>{};
    }
    void setSerial(const QString &serial)
    {
        whenOpen("FormPartSerial", [serial](QDialog *d) {
            type(d, "TextSerial", serial);
            click(d, "CommandOK");
        });
        choose("MnuPartSerial");
    }
    // Export Results... with this range and format, saved to file ("" cancels
    // the save; none: no save dialog expected).
    void exportAs(ExportChoice::Range range, bool dfq, std::optional<std::string> file,
                  QDate from = {}, QDate to = {})
    {
        whenOpen("FormExportResults", [=](QDialog *d) {
            if (file)
                dialogs.answerNext(*file);
            control<QComboBox>(d, "ComboRange")->setCurrentIndex(range);
            control<QComboBox>(d, "ComboFormat")->setCurrentIndex(dfq ? 1 : 0);
            if (from.isValid()) {
                control<QDateEdit>(d, "DateFrom")->setDate(from);
                control<QDateEdit>(d, "DateTo")->setDate(to);
            }
            click(d, "CommandOK");
        });
        choose("MnuExportResults");
    }
};

TEST_F(Results, RecordPartStoresFreshReadsJudgedWithTheSerialCountingOn)
{
    EXPECT_EQ(item("MnuRecordPart")->shortcut(), QKeySequence(Qt::Key_F9));
    setSerial("A0099");
    choose("MnuRecordPart");
    EXPECT_EQ(statusText(), "Part 1 recorded: reject (Channel 3 -0.0123)");
    board.setProbe(3, 0.002); // read afresh, without a scan tick between
    choose("MnuRecordPart");
    EXPECT_EQ(statusText(), "Part 2 recorded: approach (Length 0.0070)");
    EXPECT_EQ(form().results().serial(), "A0101");

    const std::vector<PartRow> parts = stored();
    ASSERT_THAT(parts, SizeIs(2));
    EXPECT_EQ(parts[0].serial, "A0099");
    EXPECT_EQ(parts[1].serial, "A0100");
    EXPECT_EQ(parts[0].setup, dir.file("bore.qmx"));
    EXPECT_EQ(parts[0].verdict, Verdict::Reject);
    EXPECT_THAT(parts[0].recordedUtc, MatchesRegex(R"(20[0-9-]{8}T[0-9:]{8}\.[0-9]{3}Z)"));
    ASSERT_THAT(parts[0].measurements, SizeIs(3)) << "channel 4 has no formula";
    const MeasurementRow &bore = parts[0].measurements[0];
    EXPECT_EQ(bore.channel, 1);
    EXPECT_EQ(bore.description, "Bore");
    EXPECT_EQ(float(*bore.value), boardReading(board, 1, 0.001)) << "full precision";
    EXPECT_EQ(bore.text, " 0.0010") << "as the window shows it";
    EXPECT_EQ(bore.units, "mm");
    EXPECT_EQ(bore.loTol, -0.01) << "as typed, not the float's exact value";
    EXPECT_EQ(bore.hiAppr, 0.005);
    EXPECT_EQ(bore.verdict, Verdict::Good);
    EXPECT_EQ(parts[1].measurements[2].verdict, Verdict::Good);

    // Longer serials are cut at 40; one without digits stays.
    setSerial(QString(45, 'x'));
    EXPECT_EQ(form().results().serial(), std::string(40, 'x'));
}

TEST_F(Results, AFailedReadOrADemonstrationBoardIsNeverAGoodPart)
{
    board.setProbe(3, 0.0);
    const struct {
        const char *what;
        std::function<void()> fault;
        const char *status;
        std::vector<Verdict> channels;
    } cases[] = {
        {"read refused",
         [&] { board.answerNextWith(14); },
         "Part 1 recorded: invalid (Bore: no reading)",
         {Verdict::Invalid, Verdict::Approach, Verdict::Good}},
        {"board gone",
         [&] { board.dieNow(); },
         "Part 2 recorded: invalid (Bore: no reading)",
         {Verdict::Invalid, Verdict::Invalid, Verdict::Invalid}},
        {"still in demonstration mode",
         [&] { board.comeBack(); },
         "Part 3 recorded: invalid (Bore: no reading)",
         {Verdict::Invalid, Verdict::Invalid, Verdict::Invalid}},
    };
    for (const auto &c : cases) {
        c.fault();
        choose("MnuRecordPart");
        EXPECT_EQ(statusText(), c.status) << c.what;
    }
    const std::vector<PartRow> parts = stored();
    ASSERT_THAT(parts, SizeIs(3));
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(parts[i].verdict, Verdict::Invalid);
        std::vector<Verdict> got;
        for (const MeasurementRow &m : parts[i].measurements)
            got.push_back(m.verdict);
        EXPECT_EQ(got, cases[i].channels);
        EXPECT_FALSE(parts[i].measurements[0].value);
    }
}

TEST_F(Results, AStoreThatCannotBeUsedIsToldOnceAndLeftAlone)
{
    writeFile(dir.file("foreign.sqlite"), "the operator's notes, not a database");
    const struct {
        std::string path;
        const char *why;
    } cases[] = {{dir.file("foreign.sqlite"), "is not a results database"},
                 {dir.file("no/such/folder/r.sqlite"), "cannot be opened"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        ::setenv("QMXSRV_RESULTS", c.path.c_str(), 1);
        program.reset();
        start();
        boxes.shown.clear();
        choose("MnuRecordPart");
        choose("MnuRecordPart");
        ASSERT_THAT(boxes.shown, SizeIs(1));
        EXPECT_THAT(boxes.shown[0].text, HasSubstr(c.why));
        EXPECT_THAT(statusText(), HasSubstr("Part not recorded: "));
    }
    EXPECT_EQ(readFile(dir.file("foreign.sqlite")), "the operator's notes, not a database");
    EXPECT_FALSE(std::filesystem::exists(dir.file("results.sqlite")));
}

TEST_F(Results, ARecordDuringADeviceCallWaitsForItsEnd)
{
    board.answerNextWith(14);
    boxes.during = [&] {
        choose("MnuRecordPart");
        choose("MnuRecordPart");
    };
    press("CommandResetMM");
    EXPECT_EQ(statusText(), "") << "not recorded inside the call";
    EXPECT_TRUE(waitFor([&] { return !statusText().empty(); }));
    EXPECT_EQ(statusText(), "Part 1 recorded: reject (Channel 3 -0.0123)");
    EXPECT_THAT(stored(), SizeIs(1));
}

TEST_F(Results, ExportWritesTheChosenRangeWholeAndRemembersIt)
{
    choose("MnuRecordPart");
    choose("MnuRecordPart");
    const std::string csv = dir.file("out.csv");
    exportAs(ExportChoice::SinceLastExport, false, csv);
    EXPECT_EQ(readFile(csv), writeCsv(stored()));
    EXPECT_EQ(statusText(), "2 parts exported to " + csv);
    ASSERT_FALSE(dialogs.asked.empty());
    EXPECT_EQ(dialogs.asked.back().request.fileName, "bore.csv");

    boxes.shown.clear();
    exportAs(ExportChoice::SinceLastExport, false, std::nullopt);
    ASSERT_THAT(boxes.shown, SizeIs(1)) << "nothing new since";
    EXPECT_THAT(boxes.shown[0].text, HasSubstr("No recorded parts"));
    choose("MnuRecordPart");
    const std::string dfq = dir.file("new.dfq");
    exportAs(ExportChoice::SinceLastExport, true, dfq);
    std::string error;
    const std::vector<PartRow> back = readDfq(readFile(dfq), error);
    ASSERT_THAT(back, SizeIs(1)) << error;
    EXPECT_EQ(back[0].measurements[2].value, stored()[2].measurements[2].value);

    const QDate today = QDate::currentDate();
    exportAs(ExportChoice::BetweenDates, false, csv, today.addDays(1), today.addDays(-1));
    EXPECT_EQ(readFile(csv), writeCsv(stored())) << "either order of the dates, both included";
    boxes.shown.clear();
    exportAs(ExportChoice::BetweenDates, false, std::nullopt, today.addDays(-3), today.addDays(-2));
    EXPECT_THAT(boxes.shown, SizeIs(1));

    // A cancelled save writes and remembers nothing.
    choose("MnuRecordPart");
    exportAs(ExportChoice::SinceLastExport, false, "");
    exportAs(ExportChoice::SinceLastExport, false, csv);
    EXPECT_EQ(statusText(), "1 part exported to " + csv);
}

} // namespace
