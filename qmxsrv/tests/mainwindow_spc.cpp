// Real-time SPC at the station on the simulated board: a control plan set
// from the dialog or by another program, subgroups judged as parts are
// recorded, the alarm shown, published and answered from the window, the
// catalogues kept, recording held until the answer.
#include "mainwindow_support.h"
#include "service_client.h"

#include "mainwindow/spccommands.h"
#include "quality/resultscli.h"
#include "quality/resultsstore.h"
#include "quality/spcstore.h"
#include "results/controlcharts.h"
#include "results/formalarms.h"
#include "results/formresults.h"
#include "service/livevalueservice.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QValueAxis>

#include <sstream>

using namespace qmxsrv;
using namespace qmxtest;
using ::testing::HasSubstr;
using ::testing::SizeIs;

namespace {

class Spc : public Running {
protected:
    Spc()
    {
        ::unsetenv("QMXSRV_RESULTS");
        start();
        channel &bore = state().Channels.Item(1);
        bore.Description = "Bore";
        bore.setFormula("T1");
        bore.Decimals = 4;
        bore.LoTol = -0.01f, bore.LoAppr = -0.005f, bore.HiAppr = 0.005f, bore.HiTol = 0.01f;
        state().Channels.Item(2).setFormula("T2");
        state().view.SetupFileName = dir.file("bore.qmx");
        form().spc().setupLoaded();
    }

    std::unique_ptr<TestClient> commander()
    {
        QFile token(QString::fromStdString(dir.file("qmxsrv.token")));
        EXPECT_TRUE(token.open(QIODevice::ReadOnly));
        auto client =
            std::make_unique<TestClient>(form().liveValues().port(), "/FormMain", QString(),
                                         "Bearer " + token.readAll().trimmed());
        EXPECT_TRUE(client->waitConnected());
        return client;
    }
    QJsonObject ask(TestClient &client, const QString &command)
    {
        return QJsonDocument::fromJson(client.ask(command).toUtf8()).object();
    }
    void record(double bore, int parts)
    {
        board.setProbe(1, bore);
        for (int i = 0; i < parts; ++i)
            choose("MnuRecordPart");
    }
    QLabel *alarmLabel() { return form().findChild<QLabel *>("StatusSpc"); }
    std::string statusText() { return form().statusBar()->currentMessage().toStdString(); }
    std::vector<spc::StoredSubgroup> subgroups()
    {
        std::string error;
        auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
        EXPECT_TRUE(store) << error;
        return store ? spc::subgroupsOf(*store, dir.file("bore.qmx"), 1, 0, error)
                     : std::vector<spc::StoredSubgroup>{};
    }
};

} // namespace

// A plan set by another program takes effect at once; a subgroup beyond its
// limit raises an alarm that the status bar shows, the advised clients get,
// and that holds recording until it is answered at the station.
TEST_F(Spc, AnAlarmIsShownPublishedAndHoldsRecordingUntilAnswered)
{
    auto client = commander();
    TestClient watcher(form().liveValues().port());
    ASSERT_TRUE(watcher.waitConnected());
    EXPECT_EQ(watcher.ask(R"({"advise":"alarms"})"), R"({"alarms":[]})");

    QJsonObject r = ask(*client, R"({"command":"plan","channel":1,"subgroup":5,"rules":"nelson",)"
                                 R"("limits":{"centre":0.001,"sigma":0.001},"hold":true})");
    EXPECT_EQ(r.value("reply"), "plan") << client->messages.last().toStdString();
    EXPECT_EQ(r.value("since_subgroup"), 1);
    EXPECT_FALSE(r.contains("error"));
    const struct {
        const char *command, *error;
    } refused[] = {
        {R"({"command":"plan","channel":3,"subgroup":5})", "has no formula"},
        {R"({"command":"plan","channel":1,"subgroup":12})", "charted with s"},
        {R"({"command":"plan","channel":1,"subgroup":5,"limits":{"fix":[1,4]}})",
         "not all recorded"},
        {R"({"command":"plan","channel":1,"subgroup":5,"rules":"nelson","tests":[9]})", "1 to 8"},
        {R"({"command":"plan","channel":1,"subgroup":5,"limits":{"centre":0,"sigma":0}})",
         "sigma above 0"},
    };
    for (const auto &c : refused)
        EXPECT_THAT(ask(*client, c.command).value("error").toString().toStdString(),
                    HasSubstr(c.error))
            << c.command;

    record(0.001, 4);
    EXPECT_THAT(subgroups(), SizeIs(0)) << "four of five";
    record(0.001, 1);
    ASSERT_THAT(subgroups(), SizeIs(1));
    EXPECT_EQ(subgroups()[0].flags, "");
    EXPECT_FALSE(alarmLabel()->isVisible());

    // Beyond 3 sigma of the mean: 0.001 + 3 * 0.001 / sqrt(5) = 0.00234
    record(0.003, 5);
    ASSERT_THAT(subgroups(), SizeIs(2));
    EXPECT_EQ(subgroups()[1].flags, "X1");
    EXPECT_TRUE(alarmLabel()->isVisibleTo(&form()));
    EXPECT_EQ(alarmLabel()->text().toStdString(),
              "SPC alarm: Bore X1 Nelson 1: one point beyond 3 sigma");
    // The main window is narrow: the text may be cut there, so its tooltip
    // is the whole of it.
    EXPECT_EQ(alarmLabel()->toolTip(), alarmLabel()->text());
    EXPECT_LT(alarmLabel()->minimumSizeHint().width(), alarmLabel()->sizeHint().width());
    const QJsonObject pushed =
        QJsonDocument::fromJson(watcher.next().toUtf8()).object().value("alarm").toObject();
    EXPECT_EQ(pushed.value("state"), "raised");
    EXPECT_EQ(pushed.value("channel"), 1);
    EXPECT_EQ(pushed.value("subgroup"), 2);
    EXPECT_EQ(pushed.value("first_part"), 6);
    EXPECT_EQ(pushed.value("last_part"), 10);
    EXPECT_EQ(pushed.value("rules").toArray().at(0), "X1 Nelson 1: one point beyond 3 sigma");
    EXPECT_TRUE(watcher.ask(R"({"request":"status"})").contains(R"("alarms":1)"));

    // Held: neither F9 nor another program records.
    choose("MnuRecordPart");
    EXPECT_THAT(statusText(), HasSubstr("Part not recorded: SPC alarm"));
    EXPECT_THAT(ask(*client, R"({"command":"record"})").value("error").toString().toStdString(),
                HasSubstr("holds recording"));
    std::string error;
    EXPECT_EQ(ResultsStore::open(dir.file("results.sqlite"), true, error)->lastPart(), 10);

    // Answered from the window: chosen from the catalogues, with a comment.
    choose("MnuAlarms");
    FormAlarms *alarms = form().spc().alarmsWindow();
    ASSERT_TRUE(alarms && alarms->isVisible());
    auto *table = control<QTableWidget>(alarms, "TableAlarms");
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 8)->text(), "open");
    table->selectRow(0);
    whenOpen("FormAnswerAlarm", [](QDialog *d) {
        // Nothing chosen for the operator, and no answer without both.
        auto *ok = control<QPushButton>(d, "CommandOK");
        EXPECT_EQ(control<QComboBox>(d, "ComboCause")->currentText(), "");
        EXPECT_EQ(control<QComboBox>(d, "ComboAction")->currentText(), "");
        EXPECT_FALSE(ok->isEnabled());
        control<QComboBox>(d, "ComboCause")->setCurrentText("Tool wear");
        EXPECT_FALSE(ok->isEnabled());
        control<QComboBox>(d, "ComboAction")->setCurrentText("Tool changed");
        EXPECT_TRUE(ok->isEnabled());
        type(d, "TextComment", "insert 3 worn");
        click(d, "CommandOK");
    });
    form().results().setOperator("K. Roe");
    click(alarms, "CommandAnswer");
    EXPECT_EQ(table->item(0, 8)->text(), "answered");
    EXPECT_EQ(table->item(0, 10)->text(), "K. Roe");
    EXPECT_EQ(table->item(0, 11)->text(), "Tool wear");
    EXPECT_EQ(table->item(0, 13)->text(), "insert 3 worn");
    EXPECT_FALSE(alarmLabel()->isVisible());
    const QJsonObject answered =
        QJsonDocument::fromJson(watcher.next().toUtf8()).object().value("alarm").toObject();
    EXPECT_EQ(answered.value("state"), "answered");
    EXPECT_EQ(answered.value("cause"), "Tool wear");
    EXPECT_EQ(answered.value("operator"), "K. Roe");

    record(0.001, 1);
    EXPECT_THAT(statusText(), HasSubstr("Part 11 recorded")) << "recording goes on";

    // What qmxresults shows of it.
    std::ostringstream out, err;
    EXPECT_EQ(resultsCommand({"--db", dir.file("results.sqlite"), "alarms"}, out, err), 0);
    EXPECT_THAT(out.str(), HasSubstr("\tX1\t0.0030000\t0.0000000\tanswered\t"));
    EXPECT_THAT(out.str(), HasSubstr("\tK. Roe\tTool wear\tTool changed\tinsert 3 worn\n"));
}

// The plan's dialog: a plan set, the chosen channel showing it, fixed limits
// from recorded subgroups, a refusal told; a change starts a new subgroup.
TEST_F(Spc, TheControlPlanDialogSetsAndFixesPlans)
{
    whenOpen("FormControlPlan", [](QDialog *d) {
        control<QSpinBox>(d, "SpinSubgroup")->setValue(2);
        control<QComboBox>(d, "ComboRules")->setCurrentIndex(1); // Western Electric
        click(d, "CommandOK");
        EXPECT_EQ(text(d, "LabelPlan"), "Limits computed from the subgroups from 1 on.");
        click(d, "CommandClose");
    });
    choose("MnuControlPlan");
    std::vector<spc::ControlPlan> plans = form().spc().plans();
    ASSERT_THAT(plans, SizeIs(1));
    EXPECT_EQ(plans[0].subgroupSize, 2);
    EXPECT_EQ(plans[0].rules, spc::RuleSet::WesternElectric);
    EXPECT_EQ(plans[0].tests, 0xFu) << "every test of the set";

    record(0.001, 1);
    record(0.002, 3);
    record(0.0015, 1); // a partial subgroup
    ASSERT_THAT(subgroups(), SizeIs(2));

    boxes.shown.clear();
    whenOpen("FormControlPlan", [](QDialog *d) {
        control<QRadioButton>(d, "RadioFixed")->setChecked(true);
        control<QSpinBox>(d, "SpinFixFirst")->setValue(1);
        control<QSpinBox>(d, "SpinFixLast")->setValue(3);
        click(d, "CommandOK"); // only two were recorded
        control<QSpinBox>(d, "SpinFixLast")->setValue(2);
        click(d, "CommandOK");
        EXPECT_THAT(text(d, "LabelPlan"), HasSubstr("from subgroups 1 to 2."));
        click(d, "CommandClose");
    });
    choose("MnuControlPlan");
    ASSERT_THAT(boxes.shown, SizeIs(1));
    EXPECT_THAT(boxes.shown[0].text, HasSubstr("not all recorded"));
    plans = form().spc().plans();
    ASSERT_THAT(plans, SizeIs(1));
    EXPECT_EQ(plans[0].limits, spc::LimitsMode::Fixed);
    EXPECT_EQ(plans[0].sinceSubgroup, 3);
    // subgroups (0.001, 0.002) and (0.002, 0.002): means 0.0015 and 0.002
    ASSERT_TRUE(plans[0].centre);
    EXPECT_NEAR(*plans[0].centre, 0.00175, 1e-6);

    record(0.001, 1);
    EXPECT_THAT(subgroups(), SizeIs(2)) << "the partial subgroup went with the change";
    record(0.001, 1);
    ASSERT_THAT(subgroups(), SizeIs(3));
    EXPECT_EQ(subgroups()[2].firstPart, 6);

    // A setup loaded starts a new subgroup too; its plans are its own.
    record(0.001, 1);
    choose("NewFile");
    EXPECT_THAT(form().spc().plans(), SizeIs(0)) << "new.qmx has no plan";
}

// Answers choose from catalogues the quality engineer keeps at the station.
TEST_F(Spc, TheCataloguesAreEditedFromTheAlarmsWindow)
{
    record(0.001, 1); // the store
    choose("MnuAlarms");
    FormAlarms *alarms = form().spc().alarmsWindow();
    ASSERT_TRUE(alarms);
    whenOpen("FormAlarmCatalogues", [](QDialog *d) {
        type(d, "TextCause", "Coolant temperature");
        click(d, "CommandAddCause");
        auto *actions = control<QListWidget>(d, "ListActions");
        const auto found = actions->findItems("Parts sorted", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        actions->setCurrentItem(found[0]);
        click(d, "CommandRemoveAction");
        EXPECT_TRUE(actions->findItems("Parts sorted", Qt::MatchExactly).isEmpty());
        click(d, "CommandClose");
    });
    click(alarms, "CommandCatalogues");
    std::string error;
    auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
    const auto causes = spc::catalogue(*store, spc::Catalogue::Causes, error);
    EXPECT_NE(std::find(causes.begin(), causes.end(), "Coolant temperature"), causes.end());
    const auto actions = spc::catalogue(*store, spc::Catalogue::Actions, error);
    EXPECT_EQ(std::find(actions.begin(), actions.end(), "Parts sorted"), actions.end());
}

// The results window draws a planned channel's pair of charts: limits and
// zone lines, every point that broke a rule marked with it, and which limits
// are in force.
TEST_F(Spc, TheResultsWindowDrawsThePlansCharts)
{
    ASSERT_EQ(form().spc().setPlan([] {
        spc::ControlPlan p;
        p.channel = 1;
        p.subgroupSize = 2;
        p.rules = spc::RuleSet::Nelson;
        p.tests = spc::allTests(p.rules);
        p.limits = spc::LimitsMode::Typed;
        p.centre = 0.001;
        p.sigma = 0.001;
        return p;
    }()),
              "");
    record(0.001, 4);
    record(0.004, 2); // beyond 3 sigma of the mean: 0.001 + 3 * 0.001 / sqrt(2)
    record(0.001, 2);
    choose("MnuShowResults");
    FormResults *window = form().results().resultsWindow();
    ASSERT_TRUE(window);
    window->findChild<QListWidget *>("ListChannels")->setCurrentRow(0);
    ASSERT_TRUE(window->showsControlCharts());
    const ControlCharts &charts = window->controlCharts();
    QList<QPointF> means;
    QStringList lines;
    for (QAbstractSeries *s : charts.meanChart()->chart()->series()) {
        lines << s->name();
        if (s->name() == "Means")
            means = static_cast<QLineSeries *>(s)->points();
    }
    ASSERT_EQ(means.size(), 4);
    EXPECT_EQ(means[2], QPointF(3, 0.004));
    for (const char *line : {"Centre", "UCL", "LCL", "+1 sigma", "-2 sigma"})
        EXPECT_TRUE(lines.contains(line)) << line;
    const auto marked = charts.markedPoints();
    ASSERT_EQ(marked.size(), 1u);
    EXPECT_EQ(marked[0].first, "X1");
    EXPECT_EQ(marked[0].second, QPointF(3, 0.004));
    EXPECT_THAT(charts.statisticsText().toStdString(), HasSubstr("limits typed in on 20"));
    EXPECT_THAT(charts.statisticsText().toStdString(), HasSubstr("UCL 0.0031213"));
    // The first and the newest point lie inside the plot, not on its edges.
    for (QChartView *view : {charts.meanChart(), charts.spreadChart()}) {
        const auto *x = static_cast<QValueAxis *>(view->chart()->axes(Qt::Horizontal).front());
        EXPECT_LT(x->min(), 1);
        EXPECT_GT(x->max(), 4);
    }

    // The second channel has no plan: the charts of its parts as before.
    window->findChild<QListWidget *>("ListChannels")->setCurrentRow(1);
    EXPECT_FALSE(window->showsControlCharts());
}
