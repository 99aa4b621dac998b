// Gauge studies at the station on the simulated board, as the operator runs
// them: begun from Results > Gauge Study..., each reading asked for and taken
// with Record (F9) from a fresh read, kept at once and taken up again after a
// restart, a reading taken again, reads that are no measurement refused, and
// the figures, charts and PDF report of a finished study.
#include "mainwindow_support.h"
#include "quality_studydata.h"
#include "service_client.h"

#include "core/numbertext.h"
#include "quality/resultscli.h"
#include "quality/studystore.h"
#include "results/formgaugestudy.h"
#include "service/livevalueservice.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineSeries>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>

#include <cmath>
#include <sstream>

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

// The sheet's readings are the probe's positions in thousandths of a mm.
constexpr double Scale = 0.001;

class Studies : public Running {
protected:
    Studies()
    {
        ::unsetenv("QMXSRV_RESULTS");
        start();
        setUpChannels();
    }

    // Bore on probe 1 (4 decimals, tolerance -0.01 to 0.01), Length on probe 2.
    void setUpChannels()
    {
        for (int i = 1; i <= 2; ++i) {
            channel &c = state().Channels.Item(i);
            c.Description = i == 1 ? "Bore" : "Length";
            c.setFormula(i == 1 ? "T1" : "T2");
            c.Decimals = 4;
            c.Units = "mm";
            c.LoTol = -0.01f, c.LoAppr = -0.005f, c.HiAppr = 0.005f, c.HiTol = 0.01f;
        }
        state().view.SetupFileName = dir.file("bore.qmx");
    }

    FormGaugeStudy &study()
    {
        FormGaugeStudy *w = form().studies().studyWindow();
        EXPECT_TRUE(w && w->isVisible());
        return *w;
    }
    std::string statusText() { return form().statusBar()->currentMessage().toStdString(); }
    std::string prompt() { return text(&study(), "LabelPrompt"); }
    QTableWidget *readingsTable() { return control<QTableWidget>(&study(), "TableReadings"); }

    // New Study... with the fields script sets, then Start.
    void begin(std::function<void(QDialog *)> script)
    {
        whenOpen("FormNewStudy", [script](QDialog *d) {
            script(d);
            click(d, "CommandOK");
        });
        click(&study(), "CommandNewStudy");
    }
    void beginGrr(int parts, int appraisers, int trials)
    {
        begin([=](QDialog *d) {
            control<QComboBox>(d, "ComboType")->setCurrentIndex(1);
            control<QSpinBox>(d, "SpinParts")->setValue(parts);
            control<QSpinBox>(d, "SpinAppraisers")->setValue(appraisers);
            control<QSpinBox>(d, "SpinTrials")->setValue(trials);
        });
    }

    // The reading the prompt asks for: appraiser, part and trial from 0.
    struct Asked {
        int appraiser = -1, part = -1, trial = -1;
    };
    Asked asked()
    {
        static const QRegularExpression form(QStringLiteral(
            "^(?:Again: )?Appraiser ([A-C]) \u2014 part (\\d+) \u2014 trial (\\d+)(?: \\(was "
            "[-0-9.]+\\))?: load the part, then Record \\(F9\\)$"));
        const QRegularExpressionMatch m = form.match(QString::fromStdString(prompt()));
        EXPECT_TRUE(m.hasMatch()) << prompt();
        if (!m.hasMatch())
            return {};
        return {m.captured(1).at(0).unicode() - 'A', m.captured(2).toInt() - 1,
                m.captured(3).toInt() - 1};
    }
    // Puts the asked part on the gauge (the sheet's value) and presses F9.
    Asked takeAsked(const DataSheet &values)
    {
        const Asked a = asked();
        board.setProbe(1, values[a.appraiser][a.trial][a.part] * Scale);
        choose("MnuRecordPart");
        return a;
    }
    // What channel 1 reads with the probe at the sheet's value, as stored.
    double reading(double sheetValue)
    {
        return decimalDouble(boardReading(board, 1, sheetValue * Scale));
    }

    study::Study stored(std::int64_t id = 1)
    {
        std::string error;
        auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
        EXPECT_TRUE(store) << error;
        std::optional<study::Study> s;
        if (store)
            s = study::StudyStore(*store).load(id, error);
        EXPECT_TRUE(s) << error;
        return s.value_or(study::Study{});
    }
    // The figures table: row name -> cells.
    std::map<std::string, std::vector<std::string>> figures()
    {
        auto *table = control<QTableWidget>(&study(), "TableFigures");
        std::map<std::string, std::vector<std::string>> rows;
        for (int r = 0; r < table->rowCount(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                rows[table->item(r, 0)->text().toStdString()].push_back(
                    table->item(r, c) ? table->item(r, c)->text().toStdString() : "");
        return rows;
    }
    void setOperator(const QString &name)
    {
        whenOpen("FormOperator", [name](QDialog *d) {
            type(d, "TextOperator", name);
            click(d, "CommandOK");
        });
        choose("MnuOperator");
    }
};

// 3 parts x 2 appraisers x 2 trials of the sheet worked by hand in
// quality_studies.cpp, scaled to the probe: %GRR 100 sqrt(13)/7 = 51.5 %,
// ndc 2, not acceptable.
TEST_F(Studies, ASmallRandRTakenWithF9IsStoredAndJudged)
{
    setOperator("J. Doe");
    choose("MnuGaugeStudy");
    EXPECT_EQ(prompt(), "Choose a study, or begin one with New Study...");
    EXPECT_FALSE(control<QProgressBar>(&study(), "ProgressReadings")->isTextVisible());
    std::string tolerance;
    begin([&](QDialog *d) {
        EXPECT_EQ(control<QComboBox>(d, "ComboChannel")->count(), 2) << "channels with a formula";
        tolerance = text(d, "TextTolerance");
        control<QComboBox>(d, "ComboType")->setCurrentIndex(1);
        control<QSpinBox>(d, "SpinParts")->setValue(3);
        control<QSpinBox>(d, "SpinAppraisers")->setValue(2);
        control<QSpinBox>(d, "SpinTrials")->setValue(2);
        type(d, "TextAppraiser1", "");
        type(d, "TextAppraiser2", "A");
        boxes.shown.clear();
        click(d, "CommandOK"); // an empty name is the letter: two A
        EXPECT_THAT(messages(), ElementsAre("Two appraisers are both named A."));
        type(d, "TextAppraiser2", "B");
    });
    EXPECT_EQ(tolerance, "0.0200") << "HiTol - LoTol of the channel";
    EXPECT_THAT(text(&study(), "LabelStudy"),
                HasSubstr("Study 1: Gauge R&R (ANOVA) \u2014 channel 1 Bore"));
    EXPECT_TRUE(control<QProgressBar>(&study(), "ProgressReadings")->isTextVisible());

    const DataSheet &sheet = smallGrr();
    std::vector<Asked> order;
    for (int i = 1; i <= 12; ++i) {
        SCOPED_TRACE(i);
        const Asked a = takeAsked(sheet);
        order.push_back(a);
        EXPECT_THAT(statusText(),
                    StartsWith(QStringLiteral("Study 1: Appraiser %1 \u2014 part %2 \u2014 trial "
                                              "%3 = ")
                                   .arg(QChar('A' + a.appraiser))
                                   .arg(a.part + 1)
                                   .arg(a.trial + 1)
                                   .toStdString()));
        EXPECT_THAT(statusText(), HasSubstr("; " + std::to_string(i) + " of 12 readings"));
        EXPECT_EQ(control<QProgressBar>(&study(), "ProgressReadings")->value(), i);
    }
    // Trial by trial, each appraiser with all three parts in turn.
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(order[i].trial, int(i / 6)) << i;
        EXPECT_EQ(order[i].appraiser, int(i / 3 % 2)) << i;
    }
    EXPECT_THAT(statusText(), HasSubstr("The study is complete: Not acceptable: %GRR 51.5 %"));
    EXPECT_EQ(prompt(), "Study 1 is complete: choose a reading in the table to take it again.");

    // Every reading as the board read it, with who took it.
    const study::Study s = stored();
    EXPECT_TRUE(s.finished());
    EXPECT_EQ(s.operatorName, "J. Doe");
    EXPECT_EQ(s.setup, dir.file("bore.qmx"));
    EXPECT_EQ(s.tolerance, 0.02);
    for (const study::StudyCell &c : s.cells) {
        EXPECT_EQ(c.value, reading(sheet[c.appraiser][c.trial][c.part]))
            << c.appraiser << " " << c.part << " " << c.trial;
        EXPECT_EQ(c.operatorName, "J. Doe");
    }
    EXPECT_EQ(stored().cells.size(), 12u);

    // The figures, the verdict, and the same figures from qmxresults.
    const auto shown = figures();
    EXPECT_EQ(shown.at("Gauge R&R (GRR)").at(2), "51.5 %");
    EXPECT_EQ(shown.at("Distinct categories (ndc)").at(1), "2");
    EXPECT_EQ(shown.at("Interaction p-value").at(1), "0.216 (kept)");
    EXPECT_THAT(text(&study(), "LabelVerdict"), StartsWith("Not acceptable: %GRR 51.5 %"));
    std::ostringstream out, err;
    ASSERT_EQ(resultsCommand({"--db", dir.file("results.sqlite"), "study", "--id", "1"}, out, err),
              0)
        << err.str();
    EXPECT_THAT(out.str(), HasSubstr("%GRR\t51.50"));
    EXPECT_THAT(out.str(), HasSubstr("ndc\t2\n"));

    // Complete: F9 takes nothing and records no part.
    choose("MnuRecordPart");
    EXPECT_EQ(statusText(), "Study 1 is complete: choose a reading in the table to take it again.");
    EXPECT_EQ(stored().taken(), 12);
    std::string error;
    EXPECT_EQ(ResultsStore::open(dir.file("results.sqlite"), true, error)->lastPart(), 0);

    // The charts: every cell's range and average in its appraiser's block.
    for (const char *name : {"ChartRanges", "ChartAverages", "ChartParts"})
        EXPECT_NE(study().findChild<QChartView *>(name), nullptr) << name;
    EXPECT_EQ(study().findChild<QChartView *>("ChartRun"), nullptr);
    auto *averages = control<QChartView>(&study(), "ChartAverages");
    ASSERT_NE(averages, nullptr);
    int points = 0;
    for (QAbstractSeries *series : averages->chart()->series())
        if (series->name() == "A" || series->name() == "B")
            points += static_cast<QLineSeries *>(series)->count();
    EXPECT_EQ(points, 6) << "3 parts x 2 appraisers";
}

// A study cut short goes on where it stopped: after the window was closed
// (F9 then records parts again) and after a restart.
TEST_F(Studies, AnInterruptedStudyResumesWhereItStopped)
{
    choose("MnuGaugeStudy");
    beginGrr(3, 2, 2);
    const DataSheet &sheet = smallGrr();
    for (int i = 0; i < 4; ++i)
        takeAsked(sheet);
    const std::string fifth = prompt();

    study().close();
    choose("MnuRecordPart");
    EXPECT_THAT(statusText(), StartsWith("Part 1 recorded")) << "F9 is the parts' again";
    choose("MnuGaugeStudy");
    EXPECT_EQ(prompt(), fifth);
    takeAsked(sheet);
    const std::string sixth = prompt();

    program.reset();
    start();
    setUpChannels();
    choose("MnuGaugeStudy");
    EXPECT_EQ(prompt(), sixth) << "the stored order, where it stopped";
    EXPECT_EQ(control<QProgressBar>(&study(), "ProgressReadings")->value(), 5);
    EXPECT_NE(readingsTable()->item(4, 4)->text(), "") << "the fifth reading shown";
    EXPECT_EQ(readingsTable()->item(5, 4)->text(), "") << "the sixth still to take";
    // F9 in the study window itself, where the operator looks.
    study().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&study()));
    const Asked a = asked();
    board.setProbe(1, sheet[a.appraiser][a.trial][a.part] * Scale);
    QTest::keyClick(&study(), Qt::Key_F9);
    // The button's shortcut presses it as a click does: after a moment.
    EXPECT_TRUE(
        waitFor([&] { return control<QProgressBar>(&study(), "ProgressReadings")->value() == 6; }));
    for (int i = 6; i < 12; ++i)
        takeAsked(sheet);
    const study::Study s = stored();
    for (const study::StudyCell &c : s.cells)
        EXPECT_EQ(c.value, reading(sheet[c.appraiser][c.trial][c.part]));
}

TEST_F(Studies, AReadingChosenInTheTableIsTakenAgain)
{
    choose("MnuGaugeStudy");
    beginGrr(3, 2, 2);
    for (int i = 0; i < 3; ++i)
        takeAsked(smallGrr());
    const std::string fourth = prompt();
    const study::Study before = stored();

    readingsTable()->selectRow(1);
    EXPECT_THAT(prompt(), StartsWith("Again: "));
    EXPECT_THAT(prompt(), HasSubstr("(was "));
    const Asked again = asked();
    EXPECT_EQ(again.part, before.cells[1].part);
    EXPECT_EQ(again.trial, before.cells[1].trial);
    board.setProbe(1, 0.0042);
    choose("MnuRecordPart");
    EXPECT_THAT(statusText(), HasSubstr("(taken again); 3 of 12 readings"));
    const study::Study after = stored();
    EXPECT_EQ(after.cells[1].value, decimalDouble(boardReading(board, 1, 0.0042)));
    EXPECT_EQ(after.cells[0].value, before.cells[0].value);
    EXPECT_EQ(after.taken(), 3);
    EXPECT_EQ(prompt(), fourth) << "back to the order";

    // Chosen, then back to the order without taking it.
    readingsTable()->selectRow(0);
    click(&study(), "CommandNextReading");
    EXPECT_EQ(prompt(), fourth);
}

// A read that is no measurement is refused and nothing is kept; so is a
// reading of a study of another setup, and a part another program would
// record between the study's readings.
TEST_F(Studies, ReadsThatAreNoMeasurementAreRefused)
{
    choose("MnuGaugeStudy");
    beginGrr(3, 2, 2);
    takeAsked(smallGrr());
    const std::string second = prompt();

    QFile tokenFile(QString::fromStdString(dir.file("qmxsrv.token")));
    ASSERT_TRUE(tokenFile.open(QIODevice::ReadOnly));
    TestClient client(form().liveValues().port(), "/FormMain", {},
                      "Bearer " + tokenFile.readAll().trimmed());
    ASSERT_TRUE(client.waitConnected());
    const QJsonObject r =
        QJsonDocument::fromJson(client.ask(R"({"command":"record"})").toUtf8()).object();
    EXPECT_THAT(r.value("error").toString().toStdString(), HasSubstr("a gauge study is running"));

    const struct {
        const char *what;
        std::function<void()> fault, mend;
        const char *why;
    } cases[] = {
        {"another setup", [&] { state().view.SetupFileName = dir.file("other.qmx"); },
         [&] { state().view.SetupFileName = dir.file("bore.qmx"); }, "Study 1 belongs to setup "},
        {"formula not taken", [&] { state().Channels.Item(1).setFormula("T1+("); },
         [&] { state().Channels.Item(1).setFormula("T1"); },
         "Reading not taken: the board did not take the formula of channel 1."},
        {"no formula", [&] { state().Channels.Item(1).setFormula(""); },
         [&] { state().Channels.Item(1).setFormula("T1"); },
         "Reading not taken: there is no channel 1 with a formula in this setup."},
        {"read refused", [&] { board.answerNextWith(14); }, [] {},
         "Reading not taken: the board did not answer the read of channel 1."},
        {"board gone", [&] { board.dieNow(); }, [] {}, "Reading not taken: the board"},
        {"demonstration mode", [&] { board.comeBack(); }, [] {},
         "Reading not taken: the board is in demonstration mode"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        c.fault();
        boxes.shown.clear();
        choose("MnuRecordPart");
        EXPECT_THAT(statusText(), StartsWith(c.why));
        EXPECT_THAT(text(&study(), "LabelMessage"), StartsWith(c.why));
        EXPECT_EQ(stored().taken(), 1) << "nothing kept";
        c.mend();
        EXPECT_EQ(prompt(), second) << "still asked";
    }
}

// A type 1 study: the reference part read 20 times, its run chart with Xm and
// Xm +- K/200 T, the verdict, and the PDF report of it and of an R&R study.
TEST_F(Studies, AType1StudyAndTheReports)
{
    choose("MnuGaugeStudy");
    begin([&](QDialog *d) {
        control<QComboBox>(d, "ComboType")->setCurrentIndex(0);
        control<QSpinBox>(d, "SpinReadings")->setValue(20);
        boxes.shown.clear();
        click(d, "CommandOK"); // no reference value: told, and the dialog stays
        EXPECT_THAT(messages(), ElementsAre(HasSubstr("reference value of the part (Xm)")));
        EXPECT_TRUE(d->isVisible());
        type(d, "TextReference", "0.002");
        type(d, "TextK", "0");
        click(d, "CommandOK");
        EXPECT_THAT(messages().back(), HasSubstr("K is a percentage"));
        type(d, "TextK", "20");
    });
    EXPECT_EQ(prompt(), "Reference part \u2014 reading 1 of 20: load the part, then Record (F9)");
    for (int i = 0; i < 20; ++i) {
        board.setProbe(1, i % 2 ? 0.0021 : 0.0019);
        choose("MnuRecordPart");
    }
    EXPECT_THAT(statusText(), HasSubstr("The study is complete: "));
    // s = 0.0001 sqrt(20/19) about a mean on Xm: Cg = 0.004/(6s) = 6.50 (T 0.02).
    EXPECT_THAT(text(&study(), "LabelVerdict"), StartsWith("Capable: Cg 6."));
    auto *run = control<QChartView>(&study(), "ChartRun");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(study().findChild<QChartView *>("ChartRanges"), nullptr);
    std::map<QString, QList<QPointF>> series;
    for (QAbstractSeries *s : run->chart()->series())
        series[s->name()] = static_cast<QLineSeries *>(s)->points();
    EXPECT_EQ(series["Readings"].size(), 20);
    ASSERT_EQ(series["Xm"].size(), 2);
    EXPECT_DOUBLE_EQ(series["Xm"][0].y(), 0.002);
    ASSERT_EQ(series["Xm \u00b1 K/200\u00b7T"].size(), 2);
    EXPECT_DOUBLE_EQ(series["Xm \u00b1 K/200\u00b7T"][0].y(), 0.002 + 0.2 / 2 * 0.02);

    // The reports: a cancelled save writes nothing; a written one is a PDF
    // with its pages, whole, where the dialog said.
    dialogs.answerNext("");
    click(&study(), "CommandSaveReport");
    const std::string type1Pdf = dir.file("type1.pdf");
    dialogs.answerNext(type1Pdf);
    click(&study(), "CommandSaveReport");
    EXPECT_EQ(dialogs.asked.back().request.fileName, "study-1.pdf");
    EXPECT_THAT(text(&study(), "LabelMessage"), HasSubstr("Report saved to " + type1Pdf));

    beginGrr(3, 2, 2);
    for (int i = 0; i < 12; ++i)
        takeAsked(smallGrr());
    const std::string grrPdf = dir.file("grr.pdf");
    dialogs.answerNext(grrPdf);
    click(&study(), "CommandSaveReport");
    for (const std::string &pdf : {type1Pdf, grrPdf}) {
        SCOPED_TRACE(pdf);
        const std::string bytes = readFile(pdf);
        EXPECT_THAT(bytes, StartsWith("%PDF-"));
        EXPECT_THAT(bytes, HasSubstr("%%EOF"));
        static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
        EXPECT_GE(QString::fromLatin1(bytes.c_str(), int(bytes.size())).count(page), 1);
    }
    EXPECT_EQ(dir.listing().find(".tmp"), std::string::npos) << "no temporary left";
}

} // namespace
