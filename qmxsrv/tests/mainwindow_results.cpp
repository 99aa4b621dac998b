// The Results menu as the operator uses it on the simulated board: a part
// recorded from fresh reads, judged and stored, the serial counting on, the
// board's faults and the store's, and the export of a chosen range.
#include "mainwindow_support.h"
#include "service_client.h"

#include "bargauge.h"
#include "core/setupfile.h"
#include "displays/formlingage.h"
#include "mainwindow/resultscommands.h"
#include "quality/resultsexport.h"
#include "results/formexportresults.h"
#include "results/formresults.h"
#include "results/partsmodel.h"
#include "results/resultscharts.h"
#include "results/setupchoice.h"
#include "service/livevalueservice.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QValueAxis>

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStatusBar>
#include <fstream>

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
    // Control characters pasted into the box go; a tab or line break is a blank.
    whenOpen("FormPartSerial", [](QDialog *d) {
        control<QLineEdit>(d, "TextSerial")
            ->setText(QString("A") + QChar(0) + QChar(7) + "B\tC" + QChar(0x85) + "\r\nD");
        click(d, "CommandOK");
    });
    choose("MnuPartSerial");
    EXPECT_EQ(form().results().serial(), "AB C D");
}

TEST_F(Results, TheLiveStatusCountsThePartsWithoutMakingAStore)
{
    const auto status = [&] { return form().liveValues().status(); };
    EXPECT_EQ(status().parts, 0);
    EXPECT_EQ(status().recording, true);
    EXPECT_FALSE(std::filesystem::exists(dir.file("results.sqlite")));
    choose("MnuRecordPart");
    choose("MnuRecordPart");
    EXPECT_EQ(status().parts, 2);

    std::ofstream(dir.file("broken.sqlite")) << "not a database, but long enough to be looked at";
    ::setenv("QMXSRV_RESULTS", dir.file("broken.sqlite").c_str(), 1);
    ResultsCommands other(state(), dialogs, form());
    EXPECT_EQ(other.partCount(), std::nullopt) << "a file that is no store cannot say";
    EXPECT_THAT(boxes.shown, SizeIs(0)) << "a status request shows the operator nothing";
    other.RecordPart();
    EXPECT_FALSE(other.recording());
}

// A store damaged inside (garbage on its second page) opens, but can neither
// count its parts nor keep one: the status says so instead of 0 and true.
TEST_F(Results, TheStatusOfADamagedStoreIsNullAndNotRecording)
{
    const std::string damaged = dir.file("damaged.sqlite");
    {
        std::string error;
        auto store = ResultsStore::open(damaged, false, error);
        ASSERT_TRUE(store) << error;
        PartRow part;
        part.setup = "bore.qmx";
        part.measurements.resize(1);
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(store->record(part, error)) << error;
    }
    {
        std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096);
        file << std::string(4096, '\x5a');
    }
    ::setenv("QMXSRV_RESULTS", damaged.c_str(), 1);
    program.reset();
    start();
    state().Channels.Item(1).setFormula("T1");
    TestClient client(form().liveValues().port());
    ASSERT_TRUE(client.waitConnected());
    const auto status = [&] {
        return QJsonDocument::fromJson(client.ask(R"({"request":"status"})").toUtf8())
            .object()
            .value("status")
            .toObject();
    };
    EXPECT_EQ(status().value("parts"), QJsonValue::Null);
    EXPECT_EQ(status().value("recording"), false);
    choose("MnuRecordPart");
    EXPECT_THAT(statusText(), HasSubstr("not recorded"));
    EXPECT_EQ(status().value("recording"), false);
}

TEST_F(Results, AFailedReadOrADemonstrationBoardIsNeverAGoodPart)
{
    board.setProbe(3, 0.0);
    const Verdict invalid = Verdict::Invalid;
    const struct {
        const char *what;
        std::function<void()> fault;
        std::vector<Verdict> channels;
    } cases[] = {
        {"read refused",
         [&] { board.answerNextWith(14); },
         {invalid, Verdict::Approach, Verdict::Good}},
        {"board gone", [&] { board.dieNow(); }, {invalid, invalid, invalid}},
        {"still in demonstration mode", [&] { board.comeBack(); }, {invalid, invalid, invalid}},
    };
    std::size_t part = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        c.fault();
        choose("MnuRecordPart");
        EXPECT_EQ(statusText(),
                  "Part " + std::to_string(++part) + " recorded: invalid (Bore: no reading)");
        const std::vector<PartRow> parts = stored();
        ASSERT_THAT(parts, SizeIs(part));
        EXPECT_EQ(parts.back().verdict, invalid);
        std::vector<Verdict> got;
        for (const MeasurementRow &m : parts.back().measurements)
            got.push_back(m.verdict);
        EXPECT_EQ(got, c.channels);
        EXPECT_FALSE(parts.back().measurements[0].value);
    }
}

// A formula the board did not take (refused, or longer than the board
// takes) leaves the channel without a measurement: the window keeps its
// text, but the live value, the bar's colour and the recorded part say so.
TEST_F(Results, AChannelWhoseFormulaTheBoardDidNotTakeMeasuresNothing)
{
    const struct {
        const char *what;
        std::string formula;
        const char *told; // the library's message, if it shows one
    } cases[] = {{"refused", "T1+(", "Bad formula"},
                 {"longer than the board takes", "T1" + std::string(300, ' '), nullptr}};
    std::size_t part = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        boxes.shown.clear();
        channel &bore = state().Channels.Item(1);
        bore.setFormula(c.formula);
        EXPECT_FALSE(bore.measures());
        EXPECT_EQ(boxes.shown.size(), c.told ? 1u : 0u);
        if (c.told && !boxes.shown.empty()) {
            EXPECT_THAT(boxes.shown[0].text, HasSubstr(c.told));
        }

        choose("ViewChannels");
        choose("EnableBarGraphs");
        form().scanCycle().tick();
        // The board still evaluates the formula it had: the window shows what
        // it reads, but that is no measurement of this channel.
        EXPECT_EQ(form().labelChan().caption(1), QString(" 0.0010"));
        EXPECT_EQ(form().liveValues().answer(1),
                  QString(R"({"item":"1","text":" 0.0010","value":null,"verdict":"invalid"})"));
        const BarGauge *bar = window<FormLinGage>()->bar(0);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->zone(), BarGauge::Zone::Unmeasured) << "not green as if good";
        EXPECT_EQ(window<FormLinGage>()->bar(1)->zone(), BarGauge::Zone::Approach);
        choose("EnableBarGraphs");

        choose("MnuRecordPart");
        EXPECT_EQ(statusText(),
                  "Part " + std::to_string(++part) + " recorded: invalid (Bore: no reading)");
        const PartRow recorded = stored().back();
        EXPECT_EQ(recorded.verdict, Verdict::Invalid);
        EXPECT_FALSE(recorded.measurements.at(0).value);
        EXPECT_EQ(recorded.measurements.at(1).verdict, Verdict::Approach);

        bore.setFormula("T1");
        EXPECT_TRUE(bore.measures()) << "taken again";
        form().scanCycle().tick();
        EXPECT_EQ(form().liveValues().itemReading(1), (ChannelReading{0.001, Verdict::Good}));
    }
}

// Who is working is set at the station or by another program, kept over a
// restart (in the store, not in qmxsrv.ini), and carried by every part.
TEST_F(Results, TheOperatorIsKeptAndEveryPartCarriesIt)
{
    whenOpen("FormOperator", [](QDialog *d) {
        type(d, "TextOperator", "  J. Doe ");
        click(d, "CommandOK");
    });
    choose("MnuOperator");
    choose("MnuRecordPart");
    EXPECT_EQ(stored().back().operatorName, "J. Doe");

    program.reset();
    start();
    EXPECT_EQ(form().results().operatorName(), "J. Doe") << "kept over a restart";

    QFile tokenFile(QString::fromStdString(dir.file("qmxsrv.token")));
    ASSERT_TRUE(tokenFile.open(QIODevice::ReadOnly));
    TestClient client(form().liveValues().port(), "/FormMain", {},
                      "Bearer " + tokenFile.readAll().trimmed());
    ASSERT_TRUE(client.waitConnected());
    EXPECT_EQ(client.ask(R"({"command":"operator","name":"Badge 4711"})"),
              R"({"name":"Badge 4711","reply":"operator"})");
    EXPECT_THAT(client.ask(R"({"command":"operator","name":"a\u0007b"})").toStdString(),
                HasSubstr("no control characters"));
    EXPECT_THAT(client.ask(R"({"command":"operator"})").toStdString(), HasSubstr("name is text"));
    state().Channels.Item(1).setFormula("T1");
    choose("MnuRecordPart");
    EXPECT_EQ(stored().back().operatorName, "Badge 4711");
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

// The results window on the parts recorded above.
class ResultsWindow : public Results {
protected:
    FormResults &window()
    {
        FormResults *w = form().results().resultsWindow();
        EXPECT_TRUE(w && w->isVisible());
        return *w;
    }
    // The individuals chart's path: (part, value) in part order.
    QList<QPointF> individuals()
    {
        for (QAbstractSeries *s : window().charts().individuals()->chart()->series())
            if (s->name() == "Values")
                return static_cast<QLineSeries *>(s)->points();
        return {};
    }
    QString cell(int row, int column)
    {
        return window().model().index(row, column).data().toString();
    }
    void chooseChannel(int row)
    {
        window().findChild<QListWidget *>("ListChannels")->setCurrentRow(row);
    }
};

TEST_F(ResultsWindow, ShowsThePartsNewestFirstWithChartsThatFollowNewParts)
{
    const double bores[] = {0.001, 0.006, 0.002};
    for (double bore : bores) {
        board.setProbe(1, bore);
        choose("MnuRecordPart");
    }
    choose("MnuShowResults");
    const PartsModel &model = window().model();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(cell(0, PartsModel::ColumnPart), "3");
    EXPECT_EQ(cell(0, PartsModel::ColumnVerdict), "reject") << "channel 3 rejects every part";
    EXPECT_EQ(model.index(0, PartsModel::ColumnVerdict).data(Qt::BackgroundRole).value<QColor>(),
              BarGauge::zoneColor(BarGauge::Zone::Reject));
    EXPECT_EQ(cell(2, PartsModel::FirstChannelColumn), " 0.0010");
    EXPECT_EQ(model.headerData(PartsModel::FirstChannelColumn + 2, Qt::Horizontal, Qt::DisplayRole)
                  .toString(),
              "Channel 3");

    // The first channel is charted: its values in part order, judged as recorded.
    QList<QPointF> path = individuals();
    ASSERT_THAT(path, SizeIs(3));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(path[i].x(), i + 1);
        EXPECT_FLOAT_EQ(float(path[i].y()), boardReading(board, 1, bores[i]));
    }
    EXPECT_EQ(window().charts().statistics().verdicts[int(Verdict::Approach)], 1);
    chooseChannel(1);
    ASSERT_THAT(individuals(), SizeIs(3));
    EXPECT_FLOAT_EQ(float(individuals()[0].y()), boardReading(board, 2, 0.007));
    EXPECT_THAT(window().findChild<QLabel *>("LabelStatistics")->text().toStdString(),
                HasSubstr("n 3 (invalid 0)"));

    // A new part arrives in the open window.
    board.setProbe(2, 0.0);
    choose("MnuRecordPart");
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(cell(0, PartsModel::ColumnPart), "4");
    ASSERT_THAT(individuals(), SizeIs(4));
    EXPECT_FLOAT_EQ(float(individuals()[3].y()), boardReading(board, 2, 0.0));

    // The last N parts; a part of another setup is not shown.
    auto *last = window().findChild<QSpinBox *>("SpinLast");
    last->setValue(2);
    emit last->editingFinished();
    EXPECT_EQ(model.rowCount(), 2);
    state().view.SetupFileName = dir.file("other.qmx");
    choose("MnuRecordPart");
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(cell(0, PartsModel::ColumnPart), "4");

    // A double click shows the part's measurements.
    int rows = -1;
    whenOpen("FormPartMeasurements", [&](QDialog *d) {
        rows = d->findChild<QTableWidget *>("TableMeasurements")->rowCount();
        d->reject();
    });
    emit window().findChild<QTableView *>("TableParts")->doubleClicked(model.index(0, 1));
    EXPECT_EQ(rows, 3);
}

TEST_F(ResultsWindow, SavesTheChartsAndRemembersItsPlace)
{
    choose("MnuRecordPart");
    choose("MnuShowResults");
    const std::string png = dir.file("chart.png");
    dialogs.answerNext(png);
    click(&window(), "CommandSaveChart");
    QImage picture(QString::fromStdString(png));
    EXPECT_EQ(picture.size(), window().charts().size());

    window().setGeometry(40, 50, 900, 600);
    window().hide();
    std::string error;
    auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
    ASSERT_TRUE(store) << error;
    FormResults again(*store, dialogs, boxes, dir.file(ResultsWindowSettings));
    again.showFor(state().view.SetupFileName);
    EXPECT_EQ(again.geometry(), QRect(40, 50, 900, 600)) << "the place of the last run";
}

// The part axes tick at whole part numbers only, so every label is true.
TEST_F(ResultsWindow, ThePartAxesTickAtWholePartNumbers)
{
    for (int i = 0; i < 6; ++i)
        choose("MnuRecordPart");
    choose("MnuShowResults");
    for (QChartView *view : {window().charts().individuals(), window().charts().movingRange()}) {
        SCOPED_TRACE(view->objectName().toStdString());
        const auto *x = qobject_cast<QValueAxis *>(view->chart()->axes(Qt::Horizontal).value(0));
        ASSERT_NE(x, nullptr);
        EXPECT_EQ(x->tickType(), QValueAxis::TicksDynamic);
        std::vector<double> ticks;
        for (double t = x->tickAnchor(); t <= x->max() + 1e-9; t += x->tickInterval())
            if (t >= x->min() - 1e-9)
                ticks.push_back(t);
        EXPECT_EQ(ticks, (std::vector<double>{1, 2, 3, 4, 5, 6}));
    }

    const struct {
        double first, last;
        double anchor, step;
    } cases[] = {
        {1, 6, 1, 1},       {1, 8, 1, 1},        {1, 9, 2, 2},        {3, 17, 4, 2},
        {1, 40, 5, 5},      {17, 17, 17, 1},     {1, 1000, 200, 200}, {995, 1005, 996, 2},
        {1, 1e6, 2e5, 2e5}, {120, 180, 120, 10},
    };
    for (const auto &c : cases) {
        const PartTicks t = partTicks(c.first, c.last);
        EXPECT_EQ(t.anchor, c.anchor) << c.first << ".." << c.last;
        EXPECT_EQ(t.step, c.step) << c.first << ".." << c.last;
        EXPECT_LE((c.last - t.anchor) / t.step + 1, 8) << "at most eight ticks";
    }
}

// File > Exit ends the program: no window of ours stays open behind it.
TEST_F(ResultsWindow, ExitClosesTheResultsWindowToo)
{
    choose("MnuRecordPart");
    choose("MnuShowResults");
    ASSERT_TRUE(window().isVisible());
    choose("ExitProgram");
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(form().results().resultsWindow()->isVisible());
    // With no window of ours left open the application ends.
    ASSERT_TRUE(QGuiApplication::quitOnLastWindowClosed());
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString() << " still open";
}

// Another program with the station's token drives the station; nothing it
// asks may wait on the operator.
TEST_F(Results, CommandsFromAnotherProgramNeverWaitOnTheOperator)
{
    QFile tokenFile(QString::fromStdString(dir.file("qmxsrv.token")));
    ASSERT_TRUE(tokenFile.open(QIODevice::ReadOnly)) << "made at start";
    TestClient client(form().liveValues().port(), "/FormMain", {},
                      "Bearer " + tokenFile.readAll().trimmed());
    ASSERT_TRUE(client.waitConnected());
    const auto ask = [&](const char *command) {
        return QJsonDocument::fromJson(client.ask(command).toUtf8()).object();
    };
    const auto errorOf = [&](const char *command) {
        return ask(command).value("error").toString().toStdString();
    };

    QJsonObject r = ask(R"({"command":"record","serial":"A0100"})");
    EXPECT_EQ(r.value("part").toInt(), 1) << client.messages.last().toStdString();
    EXPECT_EQ(r.value("verdict").toString(), "reject");
    EXPECT_EQ(stored().at(0).serial, "A0100");
    EXPECT_EQ(form().results().serial(), "A0101");
    EXPECT_EQ(ask(R"({"command":"record"})").value("part").toInt(), 2);
    EXPECT_EQ(ask(R"({"command":"reset-maxmin"})").value("reply").toString(), "reset-maxmin");
    ask(R"({"command":"view","view":"channels"})");
    EXPECT_EQ(state().view.DisplayMode, ViewState::ShowChannels);

    // A setup to load lies in setups/ of the program folder, named alone.
    std::filesystem::create_directory(dir.file("setups"));
    state().view.SetupFileName = dir.file("setups/line1.qmx");
    ASSERT_TRUE(SaveSetupFile(state()));
    const struct {
        const char *command, *error;
    } refused[] = {
        {R"({"command":"load","setup":"../bore.qmx"})", "no path"},
        {R"({"command":"load","setup":"setups/line1.qmx"})", "no path"},
        {R"({"command":"load","setup":".."})", "no path"},
        {R"({"command":"load","setup":"line1.ini"})", ".qmx file"},
        {R"({"command":"load","setup":"line2.qmx"})", "no setup line2.qmx"},
        {R"({"command":"view","view":"group","group":7})", "no group 7"},
        {R"({"command":"view","view":"group","group":"1"})", "group is a whole number"},
        {R"({"command":"view","view":"group","group":2.5})", "group is a whole number"},
        {R"({"command":"view","view":"group"})", "group is a whole number"},
        {R"({"command":"record","serial":17})", "serial is text"},
        {R"({"command":"record","serial":"a\u0000b"})", "no control characters"},
        {R"({"command":"record","serial":"A\tB"})", "no control characters"},
        {R"({"command":"record","serial":"12345678901234567890123456789012345678901"})",
         "at most 40 characters"},
        {R"({"command":"fly"})", "unknown command"},
        {R"({"command":"%2%1"})", "unknown command \"%2%1\"; the commands are"},
    };
    for (const auto &c : refused)
        EXPECT_THAT(errorOf(c.command), HasSubstr(c.error)) << c.command;
    EXPECT_EQ(ask(R"({"command":"record","serial":"  B 0040  "})").value("part").toInt(), 3);
    EXPECT_EQ(stored().back().serial, "B 0040") << "blanks at the ends go, as in the dialog";
    EXPECT_EQ(stored().size(), 3u) << "no refused record was kept";

    {
        QDialog open(&form()); // a setup dialog at the station
        open.setModal(true);
        open.show();
        EXPECT_THAT(errorOf(R"({"command":"load","setup":"line1.qmx"})"),
                    HasSubstr("a dialog is open"));
    }
    state().view.SetupFileName = dir.file("bore.qmx");
    state().view.SetupModified = true;
    EXPECT_THAT(errorOf(R"({"command":"load","setup":"line1.qmx"})"), HasSubstr("unsaved changes"));
    state().view.SetupModified = false;
    r = ask(R"({"command":"load","setup":"line1.qmx"})");
    EXPECT_EQ(r.value("setup").toString().toStdString(), dir.file("setups/line1.qmx"))
        << client.messages.last().toStdString();
    EXPECT_EQ(state().view.SetupFileName, dir.file("setups/line1.qmx"));
    EXPECT_THAT(boxes.shown, SizeIs(0)) << "the operator was asked nothing";
}

// A remote load reads only a setup file inside setups/, and what it tells
// of a setup it could not load names the file and the line, never the
// file's own text.
TEST_F(Results, ARemoteLoadStaysInSetupsAndQuotesNoFileContent)
{
    QFile tokenFile(QString::fromStdString(dir.file("qmxsrv.token")));
    ASSERT_TRUE(tokenFile.open(QIODevice::ReadOnly));
    TestClient client(form().liveValues().port(), "/FormMain", {},
                      "Bearer " + tokenFile.readAll().trimmed());
    ASSERT_TRUE(client.waitConnected());

    std::filesystem::create_directory(dir.file("setups"));
    for (int i = 1; i <= 3; ++i)
        state().Channels.Item(i).InUse = true; // programmed, so saved
    state().view.SetupFileName = dir.file("setups/good.qmx");
    ASSERT_TRUE(SaveSetupFile(state()));
    const std::string good = readFile(dir.file("setups/good.qmx"));
    const auto replaced = [&](const std::string &from, const std::string &to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    writeFile(dir.file("secret.txt"), "[QMXSRV Version 1.0]\r\nroot:x:0:0:SECRET\r\n");
    std::filesystem::create_symlink(dir.file("secret.txt"), dir.file("setups/out.qmx"));
    std::filesystem::create_symlink(dir.file("setups/good.qmx"), dir.file("setups/in.qmx"));
    std::filesystem::create_directory(dir.file("setups/folder.qmx"));
    writeFile(dir.file("setups/notes.qmx"), "root:x:0:0:SECRET\r\n[Channel]\r\n");
    writeFile(dir.file("setups/badline.qmx"),
              replaced("[General Setup]\r\n", "[General Setup]\r\nSECRET\r\n"));
    writeFile(dir.file("setups/badsection.qmx"),
              replaced("[General Setup]\r\n", "[SECRET]\r\n[General Setup]\r\n"));
    writeFile(dir.file("setups/badformula.qmx"), replaced("\r\nT1\r\n", "\r\nT1+(\r\n"));

    const struct {
        const char *setup;
        std::string error; // empty: loaded
        bool replaced;     // the open setup was replaced
    } cases[] = {
        {"out.qmx", "out.qmx is not a file in setups/", false},
        {"folder.qmx", "folder.qmx is not a file in setups/", false},
        {"notes.qmx", "notes.qmx is not a setup file", false},
        {"badline.qmx", "badline.qmx, line 3: A [General Setup] line without \"=\"", true},
        {"badsection.qmx", "badsection.qmx, line 2: not a section of a setup file", true},
        {"badformula.qmx", "Bad formula", true},
        {"in.qmx", "", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.setup);
        state().view.SetupFileName = dir.file("bore.qmx");
        const QJsonObject r =
            QJsonDocument::fromJson(
                client.ask(QStringLiteral(R"({"command":"load","setup":"%1"})").arg(c.setup))
                    .toUtf8())
                .object();
        const std::string error = r.value("error").toString().toStdString();
        if (c.error.empty())
            EXPECT_EQ(error, "");
        else
            EXPECT_THAT(error, HasSubstr(c.error));
        EXPECT_THAT(error, ::testing::Not(HasSubstr("SECRET")));
        EXPECT_THAT(error, ::testing::Not(HasSubstr("root")));
        EXPECT_EQ(state().view.SetupFileName != dir.file("bore.qmx"), c.replaced);
    }
    EXPECT_EQ(state().view.SetupFileName, dir.file("setups/in.qmx"));
    EXPECT_TRUE(state().Channels.Item(1).measures());
    EXPECT_THAT(boxes.shown, SizeIs(0)) << "the operator was asked nothing";
}

// A board that stopped answering and came back leaves demonstration mode
// when another program asks the station to reconnect; no operator needed.
TEST_F(Results, ReconnectBringsTheBoardBackFromDemonstrationMode)
{
    QFile tokenFile(QString::fromStdString(dir.file("qmxsrv.token")));
    ASSERT_TRUE(tokenFile.open(QIODevice::ReadOnly));
    TestClient client(form().liveValues().port(), "/FormMain", {},
                      "Bearer " + tokenFile.readAll().trimmed());
    ASSERT_TRUE(client.waitConnected());
    choose("ViewChannels");

    board.dieNow();
    form().scanCycle().tick();
    board.comeBack();
    form().scanCycle().tick();
    EXPECT_NE(state().device().QmxHostDemoMode(), 0) << "the library stays in demonstration";
    choose("MnuRecordPart");
    EXPECT_EQ(stored().back().verdict, Verdict::Invalid);
    const std::size_t told = boxes.shown.size();

    const QJsonObject r =
        QJsonDocument::fromJson(client.ask(R"({"command":"reconnect"})").toUtf8()).object();
    EXPECT_EQ(r, (QJsonObject{{"reply", "reconnect"}, {"board", "running"}}));
    EXPECT_EQ(boxes.shown.size(), told) << "the operator was asked nothing";
    form().scanCycle().tick();
    EXPECT_EQ(form().liveValues().itemReading(1), (ChannelReading{0.001, Verdict::Good}));
    choose("MnuRecordPart");
    EXPECT_EQ(stored().back().verdict, Verdict::Reject) << "channel 3 measures -0.0123 again";

    // A board that restarted cold has lost its formulas: they go to it again.
    board.reset(qmxboard::Start::Running);
    board.freeze();
    board.setProbe(1, 0.001);
    EXPECT_EQ(client.ask(R"({"command":"reconnect"})"),
              R"({"board":"running","reply":"reconnect"})");
    form().scanCycle().tick();
    EXPECT_EQ(form().liveValues().itemReading(1), (ChannelReading{0.001, Verdict::Good}));
}

// The setup box of the store's windows: the open setup is offered even before
// its first part, and what the box gives back is the store's name to the byte,
// an 8-bit name written by an older station included.
TEST(SetupChoice, OffersTheOpenSetupAndGivesBackItsName)
{
    const std::string latin1 = "C:\\SETUPS\\B\xC4R.QMX"; // not valid UTF-8
    struct Case {
        std::vector<std::string> stored;
        std::string open;
        QStringList titles;
    } cases[] = {
        {{}, "", {"(untitled)"}},
        {{"a.qmx", "b.qmx"}, "b.qmx", {"a.qmx", "b.qmx"}},
        {{"a.qmx"}, "new.qmx", {"new.qmx", "a.qmx"}},
        {{"", "a.qmx"}, "", {"(untitled)", "a.qmx"}},
        {{"a.qmx", latin1}, latin1, {"a.qmx", QStringLiteral("C:\\SETUPS\\B\u00C4R.QMX")}},
    };
    for (const Case &c : cases) {
        QComboBox box;
        box.addItem(QStringLiteral("left over"));
        offerSetups(box, c.stored, c.open);
        QStringList titles;
        for (int i = 0; i < box.count(); ++i)
            titles << box.itemText(i);
        EXPECT_EQ(titles, c.titles) << c.open;
        EXPECT_EQ(chosenSetup(box), c.open);
    }
}

// A description is shown as it stands: "%1" in it is no pattern.
TEST(ChannelTitle, NamesTheChannelWithItsDescriptionAsItStands)
{
    EXPECT_EQ(channelTitle("Bore", 3), "Bore [3]");
    EXPECT_EQ(channelTitle("Bore %1 %2", 3), "Bore %1 %2 [3]");
    EXPECT_EQ(channelTitle("", 3), "Channel 3");
}
