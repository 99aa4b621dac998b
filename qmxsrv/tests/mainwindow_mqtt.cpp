// The plant's feed against a real broker: a mosquitto of the test's own on a
// free loopback port, watched by mosquitto_sub with a session that outlives
// a restart of the broker.
#include "mainwindow_support.h"

#include "mainwindow/spccommands.h"
#include "service_client.h"

#include "quality/resultsstore.h"
#include "service/mqttfeed.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <fstream>

using namespace qmxsrv;
using namespace qmxtest;

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A broker that keeps its sessions over a restart (persistence in its folder).
class Broker {
public:
    // listener: the listener's settings besides its port (TLS files, who
    // may connect).
    explicit Broker(const std::string &folder,
                    const std::string &listener = "allow_anonymous true\n")
        : folder_(folder), port_(freePort())
    {
        std::ofstream(folder_ + "/mosquitto.conf")
            << "listener " << port_ << " 127.0.0.1\n"
            << listener << "persistence true\npersistence_location " << folder_
            << "/\n"
            // Run as root (CI), it would become the user mosquitto, who may
            // not write the sessions into the test's folder.
            << "user root\n";
    }
    ~Broker() { stop(); }
    bool start()
    {
        process_.start(MOSQUITTO_PATH, {"-c", QString::fromStdString(folder_ + "/mosquitto.conf")});
        return process_.waitForStarted() && waitFor([this] {
                   QTcpSocket s;
                   s.connectToHost(QHostAddress::LocalHost, port_);
                   return s.waitForConnected(100);
               });
    }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate(); // saves the sessions
        process_.waitForFinished(5000);
    }
    quint16 port() const { return port_; }

private:
    std::string folder_;
    quint16 port_;
    QProcess process_;
};

// mosquitto_sub -v on qmx/test/#: "topic payload" lines.
class Watcher {
public:
    explicit Watcher(quint16 port, const QStringList &more = {})
    {
        process_.start(MOSQUITTO_SUB_PATH,
                       QStringList{"-h", "127.0.0.1", "-p", QString::number(port), "-t",
                                   "qmx/test/#", "-v", "-q", "1", "-c", "-i", "watcher"} +
                           more);
    }
    ~Watcher()
    {
        process_.kill();
        process_.waitForFinished();
    }
    // Waits for a line "topic payload" and returns the payload (or nothing).
    // Long enough for a reconnect after the broker was away: the feed's
    // second try comes 3 s after the first failed one.
    std::optional<QByteArray> next(const QByteArray &topic)
    {
        std::optional<QByteArray> found;
        waitFor(
            [&] {
                buffer_ += process_.readAllStandardOutput();
                for (qsizetype end; !found && (end = buffer_.indexOf('\n')) >= 0;) {
                    const QByteArray line = buffer_.left(end);
                    buffer_.remove(0, end + 1);
                    seen += line.left(60) + '\n';
                    if (line.startsWith(topic + ' '))
                        found = line.mid(topic.size() + 1);
                }
                return found.has_value();
            },
            20000);
        return found;
    }

    QByteArray seen; // every line read, cut short, for a failure's message

private:
    QProcess process_;
    QByteArray buffer_;
};

// A running server started with the feed's variables, and its status bar.
class PlantFeedSettings : public Running {
protected:
    // Starts with these set; they are gone again once it runs.
    void startWith(std::initializer_list<std::pair<const char *, std::string>> variables)
    {
        for (const auto &[name, value] : variables)
            ::setenv(name, value.c_str(), 1);
        start();
        for (const auto &[name, value] : variables)
            ::unsetenv(name);
    }
    QString feedState() { return form().findChild<QLabel *>("StatusMqtt")->text(); }
};

class PlantFeed : public PlantFeedSettings {
protected:
    PlantFeed() : broker(dir.file("")) {}
    void SetUp() override
    {
        ASSERT_TRUE(broker.start());
        ::unsetenv("QMXSRV_RESULTS");
        startWith({{"QMXSRV_MQTT", "mqtt://127.0.0.1:" + std::to_string(broker.port())},
                   {"QMXSRV_STATION", "test"}});
        for (int i = 1; i <= 3; ++i) {
            channel &c = state().Channels.Item(i);
            c.Description = "Diameter " + std::to_string(i);
            c.setFormula("T" + std::to_string(i));
            c.LoTol = -0.01f, c.LoAppr = -0.005f, c.HiAppr = 0.005f, c.HiTol = 0.01f;
            board.setProbe(i, 0.001 * i);
        }
        ASSERT_TRUE(form().feed());
    }
    bool connected()
    {
        return waitFor([&] { return form().feed()->state() == MqttFeed::State::Connected; }, 20000);
    }
    std::vector<std::int64_t> unpublished()
    {
        std::string error;
        auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
        return store ? store->unpublished(100, error) : std::vector<std::int64_t>{};
    }

    Broker broker;
};

TEST_F(PlantFeed, PartsArriveWholeAndInOrderAlsoAfterTheBrokerWasAway)
{
    ASSERT_TRUE(connected()) << feedState().toStdString();
    EXPECT_TRUE(feedState().startsWith("MQTT: connected")) << feedState().toStdString();
    Watcher watcher(broker.port());
    EXPECT_EQ(watcher.next("qmx/test/online"), QByteArray("1")) << "retained";

    choose("MnuRecordPart");
    const std::optional<QByteArray> first = watcher.next("qmx/test/part");
    ASSERT_TRUE(first);
    const QJsonObject part = QJsonDocument::fromJson(*first).object();
    EXPECT_EQ(part.value("station").toString(), "test");
    EXPECT_EQ(part.value("part").toInt(), 1);
    EXPECT_EQ(part.value("mastering_due"), QJsonArray()) << "no interval, nothing due";
    ASSERT_EQ(part.value("measurements").toArray().size(), 3);
    EXPECT_EQ(part.value("measurements").toArray()[1].toObject().value("description").toString(),
              "Diameter 2");
    EXPECT_TRUE(waitFor([&] { return unpublished().empty(); })) << "acknowledged, so marked";

    broker.stop();
    ASSERT_TRUE(
        waitFor([&] { return form().feed()->state() == MqttFeed::State::Reconnecting; }, 20000));
    EXPECT_TRUE(feedState().startsWith("MQTT: reconnecting")) << feedState().toStdString();
    for (int i = 0; i < 3; ++i)
        choose("MnuRecordPart");
    EXPECT_EQ(unpublished(), (std::vector<std::int64_t>{2, 3, 4})) << "kept while away";

    ASSERT_TRUE(broker.start());
    for (int id : {2, 3, 4}) {
        const std::optional<QByteArray> next = watcher.next("qmx/test/part");
        ASSERT_TRUE(next) << "part " << id;
        EXPECT_EQ(QJsonDocument::fromJson(*next).object().value("part").toInt(), id);
    }
    EXPECT_TRUE(waitFor([&] { return unpublished().empty(); }, 20000));

    // A channel's live value, once the scan shows the channels.
    choose("ViewChannels");
    form().scanCycle().tick();
    const std::optional<QByteArray> channel = watcher.next("qmx/test/channel/1");
    ASSERT_TRUE(channel);
    const QJsonObject c = QJsonDocument::fromJson(*channel).object();
    EXPECT_EQ(c.value("description").toString(), "Diameter 1");
    EXPECT_EQ(c.value("verdict").toString(), "good");
    EXPECT_TRUE(c.contains("time"));

    // Out of tolerance on the next scan: the next message says so; the
    // scan after, unchanged, adds none.
    board.setProbe(1, 0.02);
    form().scanCycle().tick();
    const std::optional<QByteArray> moved = watcher.next("qmx/test/channel/1");
    ASSERT_TRUE(moved);
    EXPECT_EQ(QJsonDocument::fromJson(*moved).object().value("verdict").toString(), "reject");
    watcher.seen.clear();
    form().scanCycle().tick();
    choose("MnuRecordPart"); // a marker: a channel message would come before it
    ASSERT_TRUE(watcher.next("qmx/test/part"));
    EXPECT_FALSE(watcher.seen.contains("/channel/")) << watcher.seen.toStdString();
}

// SPC alarms go through the same outbox as parts: one raised and answered
// while the broker is away arrives, in order, once it is back.
TEST_F(PlantFeed, AnAlarmWhileTheBrokerIsAwayArrivesAfterItIsBack)
{
    ASSERT_TRUE(connected()) << feedState().toStdString();
    Watcher watcher(broker.port());
    ASSERT_TRUE(watcher.next("qmx/test/online")) << "subscribed, so its session outlives the stop";
    spc::ControlPlan plan;
    plan.channel = 1;
    plan.rules = spc::RuleSet::WesternElectric;
    plan.tests = spc::allTests(plan.rules);
    plan.limits = spc::LimitsMode::Typed;
    plan.centre = 0.001;
    plan.sigma = 0.0001;
    ASSERT_EQ(form().spc().setPlan(plan), "");

    broker.stop();
    ASSERT_TRUE(
        waitFor([&] { return form().feed()->state() == MqttFeed::State::Reconnecting; }, 20000));
    board.setProbe(1, 0.002);
    choose("MnuRecordPart");
    ASSERT_EQ(form().spc().openAlarms().size(), 1u);
    const std::int64_t alarm = form().spc().openAlarms().front().id;
    ASSERT_EQ(form().spc().answer(alarm, "Tool wear", "Machine adjusted", "offset -1 um"), "");

    ASSERT_TRUE(broker.start());
    const std::optional<QByteArray> raised = watcher.next("qmx/test/alarm");
    ASSERT_TRUE(raised) << watcher.seen.toStdString();
    const QJsonObject r = QJsonDocument::fromJson(*raised).object();
    EXPECT_EQ(r.value("station"), "test");
    EXPECT_EQ(r.value("state"), "raised");
    EXPECT_EQ(r.value("alarm").toInt(), alarm);
    EXPECT_EQ(r.value("flags"), "X1");
    EXPECT_EQ(r.value("first_part"), 1);
    EXPECT_FALSE(r.contains("cause")) << "as it was raised";
    const std::optional<QByteArray> answered = watcher.next("qmx/test/alarm");
    ASSERT_TRUE(answered);
    const QJsonObject a = QJsonDocument::fromJson(*answered).object();
    EXPECT_EQ(a.value("state"), "answered");
    EXPECT_EQ(a.value("cause"), "Tool wear");
    EXPECT_EQ(a.value("comment"), "offset -1 um");
    std::string error;
    EXPECT_TRUE(waitFor([&] {
        auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
        return store && store->outbox(10, error).empty();
    })) << "acknowledged, so no longer waiting";
}

// A zeroing or mastering goes out at QoS 1 through the store's outbox, like a
// part: one done while the broker is away arrives once it is back.
TEST_F(PlantFeed, AMasteringDoneWhileTheBrokerWasAwayArrivesOnceItIsBack)
{
    ASSERT_TRUE(connected()) << feedState().toStdString();
    Watcher watcher(broker.port());
    EXPECT_EQ(watcher.next("qmx/test/online"), QByteArray("1"));
    state().view.SetupFileName = dir.file("line.qmx");
    const auto zero = [&](double position) {
        whenOpen("FormMastering", [&](QDialog *d) {
            board.setProbe(1, position);
            QMetaObject::invokeMethod(control<QTimer>(&form(), "Timer1"), "timeout");
            click(d, "CommandMaster");
            click(d, "CommandDone");
        });
        press("CommandZero");
    };
    const auto outbox = [&] {
        std::string error;
        auto store = ResultsStore::open(dir.file("results.sqlite"), true, error);
        return store ? store->outbox(10, error).size() : 99u;
    };

    zero(0.002);
    const std::optional<QByteArray> first = watcher.next("qmx/test/mastering");
    ASSERT_TRUE(first) << watcher.seen.toStdString();
    const QJsonObject m = QJsonDocument::fromJson(*first).object();
    EXPECT_EQ(m.value("station").toString(), "test");
    EXPECT_EQ(m.value("mastering").toInt(), 1);
    EXPECT_EQ(m.value("setup").toString().toStdString(), dir.file("line.qmx"));
    EXPECT_EQ(m.value("channel").toInt(), 1);
    EXPECT_EQ(m.value("description").toString(), "Diameter 1");
    EXPECT_EQ(m.value("kind").toString(), "zero");
    EXPECT_EQ(m.value("master1").toDouble(), 0.0);
    EXPECT_TRUE(m.value("master2").isNull()) << "one master";
    EXPECT_EQ(float(m.value("reading1").toDouble()), 0.002f);
    EXPECT_TRUE(m.value("reading2").isNull());
    EXPECT_EQ(m.value("zero_before").toDouble(), 0.0);
    EXPECT_EQ(float(m.value("zero_after").toDouble()), board.state().channels[0].zero);
    EXPECT_EQ(m.value("scaling_after").toDouble(), 1.0);
    EXPECT_TRUE(m.contains("recorded_utc") && m.contains("operator"));
    EXPECT_TRUE(waitFor([&] { return outbox() == 0; })) << "acknowledged, so gone";

    broker.stop();
    ASSERT_TRUE(
        waitFor([&] { return form().feed()->state() == MqttFeed::State::Reconnecting; }, 20000));
    zero(0.003);
    EXPECT_EQ(outbox(), 1u) << "kept while away";
    ASSERT_TRUE(broker.start());
    const std::optional<QByteArray> second = watcher.next("qmx/test/mastering");
    ASSERT_TRUE(second) << watcher.seen.toStdString();
    const QJsonObject again = QJsonDocument::fromJson(*second).object();
    EXPECT_EQ(again.value("mastering").toInt(), 2);
    EXPECT_EQ(float(again.value("zero_before").toDouble()),
              float(m.value("zero_after").toDouble()));
    EXPECT_TRUE(waitFor([&] { return outbox() == 0; }, 20000));
}

// A channel's message as the feed's own thread makes it: the live value's
// fields, the setup's names when the channel has them, the scan's time.
TEST(PlantFeedMessages, AChannelCarriesItsNamesAndTheTimeOfItsScan)
{
    const ItemChange change{3, " 0.01230", {0.0123, Verdict::Good}};
    const qint64 scan =
        QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0, 250), Qt::UTC).toMSecsSinceEpoch();
    const MqttFeed::ChannelNames names{"Bore \"A\"", "mm"};
    const QJsonObject named =
        QJsonDocument::fromJson(MqttFeed::channelMessage(change, scan, &names)).object();
    EXPECT_EQ(named.value("item").toString(), "3");
    EXPECT_EQ(named.value("text").toString(), " 0.01230");
    EXPECT_DOUBLE_EQ(named.value("value").toDouble(), 0.0123);
    EXPECT_EQ(named.value("verdict").toString(), "good");
    EXPECT_EQ(named.value("description").toString(), "Bore \"A\"");
    EXPECT_EQ(named.value("units").toString(), "mm");
    EXPECT_EQ(named.value("time").toString(), "2026-12-08T10:00:00.250Z");
    const QJsonObject unnamed =
        QJsonDocument::fromJson(MqttFeed::channelMessage(change, scan, nullptr)).object();
    EXPECT_FALSE(unnamed.contains("description"));
    EXPECT_EQ(unnamed.value("time"), named.value("time"));
}

// The station's name must be one topic level: one that is not is refused
// with a message at start, and the station runs without the feed.
TEST_F(PlantFeedSettings, AStationNameThatIsNoTopicLevelIsRefusedAndTheStationRuns)
{
    startWith({{"QMXSRV_MQTT", "mqtt://127.0.0.1:1"}, {"QMXSRV_STATION", "line/3"}});
    EXPECT_FALSE(form().feed());
    EXPECT_EQ(feedState(), "MQTT: off");
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_NE(boxes.shown.back().text.find("not one topic level"), std::string::npos);
}

// A broker that refuses the station's password: the reason shows in the
// status bar, and the station records on (the parts wait for the feed).
TEST_F(PlantFeedSettings, AWrongPasswordIsToldAndTheStationRunsOn)
{
    const std::string folder = dir.file("broker");
    std::filesystem::create_directory(folder);
    ASSERT_EQ(QProcess::execute(
                  MOSQUITTO_PASSWD_PATH,
                  {"-c", "-b", QString::fromStdString(folder + "/passwords"), "op", "right"}),
              0);
    Broker broker(folder, "allow_anonymous false\npassword_file " + folder + "/passwords\n");
    ASSERT_TRUE(broker.start());
    std::ofstream(dir.file("password")) << "wrong\n";
    startWith({{"QMXSRV_MQTT", "mqtt://127.0.0.1:" + std::to_string(broker.port())},
               {"QMXSRV_MQTT_USER", "op"},
               {"QMXSRV_MQTT_PASSWORD_FILE", dir.file("password")},
               {"QMXSRV_STATION", "test"}});
    ASSERT_TRUE(form().feed());
    EXPECT_TRUE(waitFor([&] { return feedState().contains("not authori"); }, 20000))
        << feedState().toStdString();
    QTest::qWait(1500); // the next try, and its dropped connection
    EXPECT_TRUE(feedState().contains("not authori"))
        << "the broker's reason stays: " << feedState().toStdString();
    state().Channels.Item(1).setFormula("T1");
    choose("MnuRecordPart");
    EXPECT_THAT(form().statusBar()->currentMessage().toStdString(),
                ::testing::HasSubstr("Part 1 recorded"));
}

// A CA of the test's own (name.pem, name.key) in folder; with a broker, its
// certificate for 127.0.0.1 signed by that CA (broker.pem, broker.key).
bool makeCa(const std::string &folder, const std::string &name, bool withBroker)
{
    const auto openssl = [&](const QStringList &arguments) {
        QProcess p;
        p.setWorkingDirectory(QString::fromStdString(folder));
        p.start(OPENSSL_PATH, arguments);
        return p.waitForFinished(30000) && p.exitCode() == 0;
    };
    const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
    const QString ca = QString::fromStdString(name);
    if (!openssl(QStringList{"req", "-x509"} + ec +
                 QStringList{"-keyout", ca + ".key", "-out", ca + ".pem", "-days", "2", "-subj",
                             "/CN=" + ca}))
        return false;
    if (!withBroker)
        return true;
    std::ofstream(folder + "/san.cnf") << "subjectAltName=IP:127.0.0.1\n";
    return openssl(QStringList{"req"} + ec +
                   QStringList{"-keyout", "broker.key", "-out", "broker.csr", "-subj",
                               "/CN=127.0.0.1"}) &&
           openssl({"x509", "-req", "-in", "broker.csr", "-CA", ca + ".pem", "-CAkey", ca + ".key",
                    "-CAcreateserial", "-out", "broker.pem", "-days", "2", "-extfile", "san.cnf"});
}

// mqtts: the station trusts the broker its CA file vouches for, and no other;
// the status bar says why it does not connect to another.
TEST_F(PlantFeedSettings, TlsConnectsToTheBrokerItsCaVouchesForOnly)
{
    const std::string folder = dir.file("tls");
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(makeCa(folder, "plant", true));
    ASSERT_TRUE(makeCa(folder, "stranger", false));
    Broker broker(folder, "cafile " + folder + "/plant.pem\ncertfile " + folder +
                              "/broker.pem\nkeyfile " + folder +
                              "/broker.key\nallow_anonymous true\n");
    ASSERT_TRUE(broker.start());
    Watcher watcher(broker.port(), {"--cafile", QString::fromStdString(folder + "/plant.pem")});
    const auto startTrusting = [&](const std::string &ca) {
        startWith({{"QMXSRV_MQTT", "mqtts://127.0.0.1:" + std::to_string(broker.port())},
                   {"QMXSRV_MQTT_CA", folder + "/" + ca},
                   {"QMXSRV_STATION", "test"}});
    };

    startTrusting("plant.pem");
    ASSERT_TRUE(form().feed());
    EXPECT_TRUE(
        waitFor([&] { return form().feed()->state() == MqttFeed::State::Connected; }, 20000))
        << feedState().toStdString();
    EXPECT_EQ(watcher.next("qmx/test/online"), QByteArray("1")) << watcher.seen.toStdString();

    startTrusting("stranger.pem");
    ASSERT_TRUE(form().feed());
    EXPECT_TRUE(waitFor([&] { return feedState().contains("certificate verify failed"); }, 20000))
        << "the reason shows: " << feedState().toStdString();
    QTest::qWait(1500); // the next try fails alike
    EXPECT_NE(form().feed()->state(), MqttFeed::State::Connected);
}

// The server as its own process: its last will when it is killed, and parts
// recorded while the broker was away that still go out after a restart.
TEST(PlantFeedProcess, LastWillAndPartsThatOutliveARestart)
{
    QTemporaryDir home;
    Broker broker(home.path().toStdString());
    ASSERT_TRUE(broker.start());
    Watcher watcher(broker.port());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QMXSRV_HOME", home.path());
    env.insert("QMX_PORTS", "sim");
    env.insert("QMX_SIM_STATE", "running");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QMXSRV_LINK", "127.0.0.1:0");
    env.insert("QMXSRV_MQTT", QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port()));
    env.insert("QMXSRV_STATION", "test");
    env.remove("QMXSRV_RESULTS");
    QProcess server;
    QString url;
    const auto startServer = [&] {
        server.setProcessEnvironment(env);
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(QMXSRV_PATH, {QMX_DEMO_SETUP});
        QByteArray out;
        return waitFor([&] {
            out += server.readAll();
            const qsizetype at = out.indexOf("live values at ");
            const qsizetype end = at < 0 ? -1 : out.indexOf('\n', at);
            if (end < 0)
                return false;
            url = QString::fromUtf8(out.mid(at + 15, end - at - 15)).trimmed();
            return true;
        });
    };
    const auto killServer = [&] {
        server.kill(); // no goodbye: the broker says it for the station
        server.waitForFinished();
    };
    const auto record = [&] {
        QProcess link;
        link.setProcessEnvironment(env); // the token in QMXSRV_HOME
        link.start(QMXLINK_PATH, {"--url", url, "record"});
        waitFor([&] { return link.state() == QProcess::NotRunning; });
        return QJsonDocument::fromJson(link.readAllStandardOutput()).object().value("part").toInt();
    };

    ASSERT_TRUE(startServer());
    EXPECT_EQ(watcher.next("qmx/test/online"), QByteArray("1"));
    killServer();
    EXPECT_EQ(watcher.next("qmx/test/online"), QByteArray("0")) << "the last will";

    // Broker away: three parts wait in the store; the server is killed, and
    // once both are back the parts go out in order.
    ASSERT_TRUE(startServer());
    EXPECT_EQ(watcher.next("qmx/test/online"), QByteArray("1"));
    broker.stop();
    for (int id : {1, 2, 3})
        EXPECT_EQ(record(), id);
    killServer();
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(startServer());
    for (int id : {1, 2, 3}) {
        const std::optional<QByteArray> part = watcher.next("qmx/test/part");
        ASSERT_TRUE(part) << "part " << id << "; seen:\n" << watcher.seen.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(*part).object().value("part").toInt(), id);
    }
    killServer();
}

} // namespace
