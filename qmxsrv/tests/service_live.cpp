// The live-value service with real WebSocket clients on loopback (every
// test runs its own service on a port the system picks), and its address.
#include "service/linkendpoint.h"
#include "service/livevalueservice.h"

#include "service_client.h"
#include <QJsonArray>
#include <QJsonObject>

#include <QTcpSocket>
#include <QTest>

#include <gmock/gmock.h>

#include <memory>
#include <vector>

using namespace qmxsrv;

namespace {

const QString item3 = channelMessage(3, " 0.01230");

class LiveService : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.listen({QHostAddress(QHostAddress::LocalHost), 0}))
            << service.errorString().toStdString();
        service.setItemCount(24);
        QObject::connect(&service, &LiveValueService::conversationOpened, [this] {
            ++open;
            ++opened;
        });
        QObject::connect(&service, &LiveValueService::conversationClosed, [this] {
            --open;
            lowest = std::min(lowest, open);
        });
    }

    std::unique_ptr<TestClient> connectClient()
    {
        auto client = std::make_unique<TestClient>(service.port());
        EXPECT_TRUE(client->waitConnected());
        EXPECT_TRUE(waitFor([&] { return service.conversationCount() == open && open > 0; }));
        return client;
    }

    // Everything pushed so far, once it has arrived: the error answer to a
    // bad request sent now comes after it, as one connection keeps its order.
    QStringList pushedBefore(TestClient &client)
    {
        client.send("{\"request\":\"sync\"}");
        QStringList got;
        for (QString m = client.next(); !m.isEmpty(); m = client.next()) {
            if (m.startsWith("{\"error\":\"no item \\\"sync\\\""))
                return got;
            got << m;
        }
        ADD_FAILURE() << "no answer to the request";
        return got;
    }

    LiveValueService service;
    int open = 0;   // the count a main window would keep from the signals
    int opened = 0; // conversations ever opened
    int lowest = 0; // the least it has been
};

} // namespace

TEST_F(LiveService, RequestsAreAnsweredOnceAndBadMessagesGetAnError)
{
    ASSERT_TRUE(service.setItemText(3, " 0.01230"));
    auto client = connectClient();
    EXPECT_EQ(client->ask("{\"request\":\"3\"}"), item3);
    EXPECT_EQ(client->ask("{\"request\":\"0\"}"), itemMessage(0, "DDE"));
    EXPECT_EQ(client->ask("{\"request\":\"24\"}"), channelMessage(24, ""));
    service.setItemText(3, "-0.50000");
    EXPECT_EQ(pushedBefore(*client), QStringList()) << "a request is no hot link";
    for (const char *message : {"not json", "{\"subscribe\":\"3\"}", "{\"request\":3}"})
        EXPECT_TRUE(client->ask(message).startsWith("{\"error\":\"")) << message;
    EXPECT_EQ(client->ask("{\"request\":\"25\"}"),
              "{\"error\":\"no item \\\"25\\\"; the items are 0 to 24\"}");
    // The client's text is quoted as it came, never read as a placeholder.
    EXPECT_EQ(client->ask("{\"advise\":\"%2\"}"),
              "{\"error\":\"no item \\\"%2\\\"; the items are 0 to 24\"}");
    EXPECT_EQ(client->ask("{\"request\":\"%1%2\"}"),
              "{\"error\":\"no item \\\"%1%2\\\"; the items are 0 to 24\"}");
    // The connection stays.
    EXPECT_EQ(service.conversationCount(), 1);
    EXPECT_EQ(client->ask("{\"request\":\"3\"}"), channelMessage(3, "-0.50000"));
}

TEST_F(LiveService, AdviseOneOrAllThenUnadvise)
{
    service.setItemCount(3);
    service.setItemText(2, " 2.00000");
    auto one = connectClient();
    auto all = connectClient();
    EXPECT_EQ(one->ask("{\"advise\":\"3\"}"), channelMessage(3, ""))
        << "the hot link starts with the current text";
    all->send("{\"advise\":\"*\"}");
    EXPECT_EQ(pushedBefore(*all),
              QStringList({itemMessage(0, "DDE"), channelMessage(1, ""),
                           channelMessage(2, " 2.00000"), channelMessage(3, "")}))
        << "every current text at once";
    service.setItemText(3, " 0.01230");
    service.setItemText(3, " 0.01230"); // unchanged: nothing to push
    service.setItemText(2, " 2.20000"); // not advised by one
    service.setItemText(3, " 0.01231");
    const QString item3b = channelMessage(3, " 0.01231");
    EXPECT_EQ(pushedBefore(*one), QStringList({item3, item3b}));
    EXPECT_EQ(pushedBefore(*all), QStringList({item3, channelMessage(2, " 2.20000"), item3b}));

    one->send("{\"unadvise\":\"3\"}");
    all->send("{\"unadvise\":\"2\"}");
    pushedBefore(*one);
    pushedBefore(*all);
    for (int item = 1; item <= 3; ++item)
        service.setItemText(item, QString::number(item));
    EXPECT_EQ(pushedBefore(*one), QStringList());
    EXPECT_EQ(pushedBefore(*all), QStringList({channelMessage(1, "1"), channelMessage(3, "3")}));
}

// A reading rides with its text; a verdict that changes under the same
// text is pushed, a value that moves within the last digit is not.
TEST_F(LiveService, ChannelItemsCarryTheirReading)
{
    auto client = connectClient();
    EXPECT_EQ(client->ask("{\"advise\":\"5\"}"), channelMessage(5, ""));
    const struct {
        const char *text;
        ChannelReading reading;
        const char *sent; // the push, or nullptr for none
    } steps[] = {
        {" 0.01230",
         {0.0123, Verdict::Good},
         R"({"item":"5","text":" 0.01230","value":0.0123,"verdict":"good"})"},
        {" 0.01230", {0.01231, Verdict::Good}, nullptr},
        {" 0.01230",
         {0.01234, Verdict::Approach},
         R"({"item":"5","text":" 0.01230","value":0.01234,"verdict":"approach"})"},
        {"-2.50000",
         {-2.5, Verdict::Reject},
         R"({"item":"5","text":"-2.50000","value":-2.5,"verdict":"reject"})"},
        {" 0.00000", {}, R"({"item":"5","text":" 0.00000","value":null,"verdict":"invalid"})"},
        {" 0.00000",
         {0.0, Verdict::Good},
         R"({"item":"5","text":" 0.00000","value":0,"verdict":"good"})"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.text);
        service.setItemText(5, step.text, step.reading);
        const QStringList got = pushedBefore(*client);
        EXPECT_EQ(got, step.sent ? QStringList{step.sent} : QStringList());
        EXPECT_EQ(service.itemReading(5), step.reading);
    }
    service.setItemText(5, " 0.01230", {0.01234, Verdict::Good});
    pushedBefore(*client);
    service.setItemText(5, " 0.01230", {0.01229, Verdict::Good});
    EXPECT_EQ(client->ask("{\"request\":\"5\"}"),
              R"({"item":"5","text":" 0.01230","value":0.01229,"verdict":"good"})")
        << "a request answers the latest value";
    EXPECT_EQ(client->ask("{\"request\":\"0\"}"), R"({"item":"0","text":"DDE"})");
    // Items that go and come back start without a reading.
    service.setItemCount(4);
    EXPECT_EQ(client->next(), R"({"item":"5","removed":true})");
    service.setItemCount(5);
    EXPECT_EQ(client->ask("{\"request\":\"5\"}"), channelMessage(5, ""));
}

// Values flow for everyone; commands only for a handshake that showed the
// station's token.
TEST_F(LiveService, CommandsNeedTheStationsToken)
{
    service.setToken("0123abcd");
    QStringList taken;
    service.setCommandHandler([&](const QJsonObject &command, LiveValueService::Reply reply) {
        taken << command.value("command").toString();
        reply("{\"reply\":\"record\",\"part\":1}");
    });
    service.setItemText(3, " 0.01230");
    const struct {
        QByteArray authorization;
        bool taken;
    } clients[] = {{{}, false},
                   {"Bearer 0123abce", false},
                   {"Bearer 0123abc", false},
                   {"0123abcd", false},
                   {"Bearer0123abcd", false},
                   {"Basic 0123abcd", false},
                   {"Bearer 0123abcd", true},
                   {"bearer 0123abcd", true}, // HTTP's schemes know no case
                   {"BEARER \t0123abcd ", true}};
    for (const auto &c : clients) {
        TestClient client(service.port(), "/FormMain", {}, c.authorization);
        ASSERT_TRUE(client.waitConnected());
        EXPECT_EQ(client.ask("{\"request\":\"3\"}"), item3) << c.authorization.toStdString();
        EXPECT_EQ(client.ask("{\"command\":\"record\"}"),
                  c.taken ? "{\"reply\":\"record\",\"part\":1}" : "{\"error\":\"not authorized\"}")
            << c.authorization.toStdString();
    }
    EXPECT_EQ(taken, QStringList({"record", "record", "record"}));

    service.setToken({}); // no token: no commands, whatever is shown
    TestClient client(service.port(), "/FormMain", {}, "Bearer ");
    ASSERT_TRUE(client.waitConnected());
    EXPECT_EQ(client.ask("{\"command\":\"record\"}"), "{\"error\":\"not authorized\"}");
}

TEST_F(LiveService, StatusTellsWhatItHasBeenGiven)
{
    auto client = connectClient();
    EXPECT_EQ(
        client->ask("{\"request\":\"status\"}"),
        R"({"status":{"alarms":null,"board":null,"channels":24,"parts":null,"recording":null,)"
        R"("setup":null}})");
    service.setStation({false, "/home/qc/setups/bore \"A\".qmx"});
    service.setResults({17, true});
    service.setItemCount(3);
    EXPECT_EQ(client->ask("{\"request\":\"status\"}"),
              R"({"status":{"alarms":null,"board":"running","channels":3,"parts":17,)"
              R"("recording":true,)"
              R"("setup":"/home/qc/setups/bore \"A\".qmx"}})");
    service.setStation({true, ""});
    service.setResults({std::nullopt, false});
    EXPECT_EQ(client->ask("{\"request\":\"status\"}"),
              R"({"status":{"alarms":null,"board":"demo","channels":3,"parts":null,)"
              R"("recording":false,"setup":""}})");
    // status is a request, not an item to advise.
    EXPECT_EQ(client->ask("{\"advise\":\"status\"}"),
              R"({"error":"no item \"status\"; the items are 0 to 3"})");
}

// SPC alarms go to the conversations that advised "alarms", as they come;
// a request answers the open ones, and the status counts them.
TEST_F(LiveService, AlarmsGoToThoseThatAdvisedThem)
{
    auto watcher = connectClient();
    auto other = connectClient();
    EXPECT_EQ(watcher->ask(R"({"advise":"alarms"})"), R"({"alarms":[]})");
    other->send(R"({"advise":"*"})");
    pushedBefore(*other);
    const QJsonObject raised{{"alarm", 7}, {"state", "raised"}, {"flags", "X1"}};
    service.setOpenAlarms(QJsonArray{raised}, 1);
    service.publishAlarm(raised);
    EXPECT_EQ(watcher->next(), R"({"alarm":{"alarm":7,"flags":"X1","state":"raised"}})");
    EXPECT_EQ(watcher->ask(R"({"request":"alarms"})"),
              R"({"alarms":[{"alarm":7,"flags":"X1","state":"raised"}]})");
    EXPECT_TRUE(
        watcher->ask(R"({"request":"status"})").startsWith(R"({"status":{"alarms":1,"board")"));
    EXPECT_EQ(pushedBefore(*other), QStringList()) << "\"*\" names the items, not the alarms";
    watcher->send(R"({"unadvise":"alarms"})");
    watcher->ask(R"({"request":"0"})"); // the unadvise is taken before this answer
    service.setOpenAlarms({}, 0);
    service.publishAlarm(QJsonObject{{"alarm", 7}, {"state", "answered"}});
    EXPECT_EQ(pushedBefore(*watcher), QStringList()) << "unadvised";
}

TEST_F(LiveService, OtherTopicsAndBrowserPagesAreRefused)
{
    for (const char *path : {"/Other", "/formmain"}) {
        TestClient client(service.port(), path);
        EXPECT_TRUE(client.waitClosed()) << path;
        EXPECT_EQ(client.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated) << path;
        EXPECT_TRUE(client.messages.isEmpty());
    }
    for (const char *origin : {"http://evil.example", "http://localhost"}) {
        TestClient client(service.port(), "/FormMain", origin);
        EXPECT_FALSE(client.waitConnected()) << origin;
    }
    EXPECT_EQ(opened, 0) << "a refused connection is no conversation";
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(service.conversationCount(), 0);
    auto program = connectClient(); // no Origin header
    EXPECT_EQ(open, 1);
}

TEST_F(LiveService, ThousandConversationsEndAtZero)
{
    for (int i = 0; i < 1000; ++i) {
        {
            TestClient client(service.port());
            if (i % 4 == 3) { // gone before the handshake is through
                client.socket.abort();
            } else {
                ASSERT_TRUE(client.waitConnected()) << i;
                ASSERT_EQ(open, 1) << i;
                if (i % 4 == 0) { // a polite close
                    client.socket.close();
                    ASSERT_TRUE(client.waitClosed()) << i;
                } else if (i % 4 == 1) { // the connection just drops
                    client.socket.abort();
                } else { // the client goes away while advised
                    client.send("{\"advise\":\"*\"}");
                }
            }
        }
        ASSERT_TRUE(waitFor([&] { return open == 0; })) << i;
    }
    EXPECT_GE(opened, 750);
    EXPECT_EQ(service.conversationCount(), 0);
    EXPECT_EQ(lowest, 0) << "never a close without its open";
}

TEST_F(LiveService, ConnectionsPastTheLimitAreRefusedUntilOneEnds)
{
    service.setConnectionLimit(3);
    // Peers that open a socket and never finish the handshake hold their
    // places; the next one is turned away whatever it sends.
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 3; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, service.port());
        ASSERT_TRUE(
            waitFor([&] { return idle.back()->state() == QAbstractSocket::ConnectedState; }));
        idle.back()->write("GET /FormMain HTTP/1.1\r\n");
    }
    QTest::qWait(50);
    {
        TestClient late(service.port());
        EXPECT_FALSE(late.waitConnected());
    }
    EXPECT_EQ(opened, 0);
    idle.pop_back();
    QTest::qWait(200); // for the server to see that one go
    auto client = connectClient();
    EXPECT_EQ(open, 1);
    client.reset();
    ASSERT_TRUE(waitFor([&] { return open == 0; }));
    // The place a finished conversation held is free again.
    client = connectClient();
    EXPECT_EQ(open, 1);
}

namespace {

// A peer that performs the WebSocket handshake by hand and from then on
// reads only when told: the client the server must not wait for.
class RawClient {
public:
    explicit RawClient(quint16 port, int receiveBuffer = 0)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(waitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }));
        if (receiveBuffer > 0) {
            socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, receiveBuffer);
            socket.setReadBufferSize(receiveBuffer);
        }
        socket.write(QStringLiteral("GET /FormMain HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n"
                                    "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                                    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                    "Sec-WebSocket-Version: 13\r\n\r\n")
                         .arg(port)
                         .toLatin1());
        EXPECT_TRUE(waitFor([&] {
            response += socket.readAll();
            return response.contains("\r\n\r\n");
        }));
        EXPECT_TRUE(response.startsWith("HTTP/1.1 101")) << response.toStdString();
        response = response.mid(response.indexOf("\r\n\r\n") + 4);
    }
    // A masked client text frame (mask 0): what a client must send.
    static QByteArray frame(const QByteArray &text)
    {
        return QByteArray(1, char(0x81)) + char(0x80 | text.size()) + QByteArray(4, '\0') + text;
    }
    void send(const QByteArray &text) { socket.write(frame(text)); }

    // The server's frames read so far: opcode and payload.
    std::vector<std::pair<int, QByteArray>> frames()
    {
        response += socket.readAll();
        std::vector<std::pair<int, QByteArray>> got;
        qsizetype at = 0;
        while (response.size() - at >= 2) {
            const int opcode = response[at] & 0x0f;
            qint64 length = response[at + 1] & 0x7f;
            qsizetype header = 2;
            if (length == 126) {
                if (response.size() - at < 4)
                    break;
                length = (quint8(response[at + 2]) << 8) | quint8(response[at + 3]);
                header = 4;
            } else if (length == 127) {
                if (response.size() - at < 10)
                    break;
                length = 0;
                for (int i = 2; i < 10; ++i)
                    length = (length << 8) | quint8(response[at + i]);
                header = 10;
            }
            if (response.size() - at < header + length)
                break;
            got.emplace_back(opcode, response.mid(at + header, length));
            at += header + length;
        }
        return got;
    }

    QTcpSocket socket;
    QByteArray response;
};

} // namespace

TEST_F(LiveService, AClientThatStopsReadingIsDropped)
{
    // The limit as it is: room for a reader that reads only between rounds
    // (this thread pushes and reads by turns) to fall a few rounds behind.
    auto reader = connectClient();
    reader->send("{\"advise\":\"*\"}");
    pushedBefore(*reader);
    // Small buffers on its side, so the server's queue is what fills.
    RawClient stalled(service.port(), 4096);
    stalled.send("{\"advise\":\"*\"}");
    ASSERT_TRUE(waitFor([&] { return open == 2; }));

    // Long texts, so the buffers between fill in a few dozen rounds; one
    // round (24 kB) stays well inside the limit.
    const QString padding(1000, QLatin1Char('x'));
    int rounds = 0;
    while (open == 2 && rounds < 2000) {
        ++rounds;
        for (int item = 1; item <= 24; ++item)
            service.setItemText(item, QString::number(rounds) + padding);
        // The reader keeps up: it has the round before the next comes.
        const QString last = QStringLiteral("{\"item\":\"24\",\"text\":\"%1x").arg(rounds);
        waitFor(
            [&] { return !reader->messages.isEmpty() && reader->messages.last().startsWith(last); },
            2000);
        reader->messages.clear(); // read and forget, like a live display
        reader->taken = 0;
    }
    EXPECT_TRUE(waitFor([&] { return open == 1; })) << "still there after " << rounds << " rounds";
    EXPECT_EQ(lowest, 0);
    EXPECT_TRUE(reader->connected()) << "the client that keeps up stays";

    service.setItemText(7, " 0.00700");
    const QStringList got = pushedBefore(*reader);
    ASSERT_FALSE(got.isEmpty());
    EXPECT_EQ(got.last(), channelMessage(7, " 0.00700"));
}

// The limit counts what the system holds for the client too: one that never
// reads, with its system's buffers as they come, is dropped once about the
// limit lies unread, not megabytes later.
TEST_F(LiveService, TheLimitCountsWhatTheSystemHoldsForTheClient)
{
    constexpr qint64 limit = 64 * 1024;
    service.setQueueLimit(limit);
    // A reader that keeps up paces the rounds: a round counts as pushed once
    // the server's thread has sent it, however busy the machine.
    auto reader = connectClient();
    reader->send("{\"advise\":\"*\"}");
    pushedBefore(*reader);
    RawClient stalled(service.port());
    stalled.send("{\"advise\":\"*\"}");
    stalled.socket.setReadBufferSize(1); // from now on nothing leaves its system's buffer
    ASSERT_TRUE(waitFor([&] { return open == 2; }));
    const qint64 clientBuffer =
        stalled.socket.socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toLongLong();

    const QString padding(1000, QLatin1Char('x'));
    qint64 pushed = 0;
    for (int round = 1; open == 2 && round < 1000; ++round) {
        for (int item = 1; item <= 24; ++item) {
            const QString text = QString::number(round) + padding;
            service.setItemText(item, text);
            pushed += text.size() + 30;
        }
        const QString last = QStringLiteral("{\"item\":\"24\",\"text\":\"%1x").arg(round);
        waitFor(
            [&] { return !reader->messages.isEmpty() && reader->messages.last().startsWith(last); },
            2000);
        reader->messages.clear();
        reader->taken = 0;
    }
    ASSERT_TRUE(waitFor([&] { return open == 1; }));
    EXPECT_TRUE(reader->connected()) << "the client that keeps up stays";
    // The limit, what the client's own system holds (beyond the server's
    // reach), the server's small system buffer, and a round of slack.
    EXPECT_LT(pushed, limit + clientBuffer + 2 * 64 * 1024 + 48 * 1024)
        << "client buffer " << clientBuffer;
}

// A client that asks far more than it reads learns why it is dropped: the
// close frame (policy violated, with the reason) follows what it was sent.
TEST_F(LiveService, AClientThatPipelinesMoreThanItReadsIsToldWhy)
{
    service.setQueueLimit(16 * 1024);
    service.setItemText(3, QString(1000, QLatin1Char('x')));
    RawClient greedy(service.port());
    QByteArray requests;
    for (int i = 0; i < 6000; ++i)
        requests += RawClient::frame("{\"request\":\"3\"}");
    greedy.socket.write(requests);
    std::vector<std::pair<int, QByteArray>> frames;
    ASSERT_TRUE(waitFor([&] {
        frames = greedy.frames();
        return !frames.empty() && frames.back().first == 0x8;
    })) << frames.size()
        << " frames, no close";
    const QByteArray close = frames.back().second;
    ASSERT_GE(close.size(), 2);
    EXPECT_EQ((quint8(close[0]) << 8) | quint8(close[1]),
              int(QWebSocketProtocol::CloseCodePolicyViolated));
    EXPECT_THAT(close.mid(2).toStdString(), ::testing::HasSubstr("unread"));
    EXPECT_LT(frames.size(), 6000u) << "answers stop once the limit is passed";
    EXPECT_TRUE(waitFor([&] { return open == 0; }));
}

TEST(LinkEndpoint, FromQmxsrvLink)
{
    struct Case {
        const char *link;
        bool valid;
        const char *address;
        quint16 port;
    } cases[] = {
        {"", true, "127.0.0.1", 4747},
        {"localhost:0", true, "127.0.0.1", 0},
        {"[::1]:4748", true, "::1", 4748},
        {"127.0.0.1:65536", false, "", 0},
    };
    for (const Case &c : cases) {
        const auto endpoint = linkEndpoint(QString::fromLatin1(c.link));
        ASSERT_EQ(endpoint.has_value(), c.valid) << c.link;
        if (c.valid) {
            EXPECT_EQ(endpoint->address, QHostAddress(QString::fromLatin1(c.address))) << c.link;
            EXPECT_EQ(endpoint->port, c.port) << c.link;
        }
    }
}
