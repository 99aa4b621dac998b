// Plain HTTP on the live-value service's address: raw requests over a
// QTcpSocket, the answers read back with http_parser.
#include "service/livevalueservice.h"
#include "service_client.h"

#include <QTcpSocket>
#include <QTest>

#include <http_parser.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace qmxsrv;

namespace {

struct Response {
    int status = 0;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
};

// Splits what the server sent into responses; a HEAD's have no body.
class ResponseReader {
public:
    explicit ResponseReader(bool head = false) : head_(head)
    {
        http_parser_init(&parser_, HTTP_RESPONSE);
        parser_.data = this;
        settings_.on_header_field = [](http_parser *p, const char *at, size_t n) {
            auto &r = self(p);
            if (!r.value_.empty() || r.field_.empty()) {
                r.field_.clear();
                r.value_.clear();
            }
            for (size_t i = 0; i < n; ++i)
                r.field_ += char(std::tolower(static_cast<unsigned char>(at[i])));
            return 0;
        };
        settings_.on_header_value = [](http_parser *p, const char *at, size_t n) {
            auto &r = self(p);
            r.value_.append(at, n);
            r.current_.headers[r.field_] = r.value_;
            return 0;
        };
        settings_.on_headers_complete = [](http_parser *p) {
            self(p).current_.status = int(p->status_code);
            return self(p).head_ ? 1 : 0;
        };
        settings_.on_body = [](http_parser *p, const char *at, size_t n) {
            self(p).current_.body.append(at, n);
            return 0;
        };
        settings_.on_message_complete = [](http_parser *p) {
            auto &r = self(p);
            r.done.push_back(r.current_);
            r.current_ = {};
            r.field_.clear();
            r.value_.clear();
            return 0;
        };
    }
    bool feed(const QByteArray &data)
    {
        return http_parser_execute(&parser_, &settings_, data.constData(), size_t(data.size())) ==
               size_t(data.size());
    }
    std::vector<Response> done;

private:
    static ResponseReader &self(http_parser *p) { return *static_cast<ResponseReader *>(p->data); }
    bool head_;
    http_parser parser_;
    http_parser_settings settings_{};
    Response current_;
    std::string field_, value_;
};

class LiveHttp : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.listen({QHostAddress(QHostAddress::LocalHost), 0}));
        service.setItemCount(11);
        service.setItemText(3, " 0.01230", {0.0123, Verdict::Good});
        service.setItemText(10, "-1.50000", {-1.5, Verdict::Reject});
        QObject::connect(&service, &LiveValueService::conversationOpened, [this] { ++opened; });
    }

    std::unique_ptr<QTcpSocket> connectSocket()
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, service.port());
        EXPECT_TRUE(waitFor([&] { return socket->state() == QAbstractSocket::ConnectedState; }));
        return socket;
    }

    // Sends request on socket and reads until count answers have come (or
    // the server closed).
    std::vector<Response> exchange(QTcpSocket &socket, const QByteArray &request, size_t count = 1,
                                   bool head = false)
    {
        ResponseReader reader(head);
        socket.write(request);
        waitFor([&] {
            const QByteArray got = socket.readAll();
            EXPECT_TRUE(reader.feed(got)) << "not HTTP: " << got.toStdString();
            return reader.done.size() >= count ||
                   socket.state() == QAbstractSocket::UnconnectedState;
        });
        return reader.done;
    }

    bool waitClosed(QTcpSocket &socket)
    {
        return waitFor([&] {
            socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        });
    }

    LiveValueService service;
    int opened = 0;
};

const std::string plain = "text/plain; charset=utf-8";
const std::string json = "application/json";

} // namespace

TEST_F(LiveHttp, EveryAnswer)
{
    const std::string items = R"({"items":{"0":"DDE","1":"","2":"","3":" 0.01230","4":"","5":"",)"
                              R"("6":"","7":"","8":"","9":"","10":"-1.50000","11":""}})";
    const struct {
        const char *request;
        int status;
        std::string type;
        std::string body; // "" for a refusal's text, which is not checked
    } cases[] = {
        // As a spreadsheet's web function sends it: no header at all.
        {"GET /FormMain/3 HTTP/1.1\r\n\r\n", 200, plain, " 0.01230"},
        {"GET /FormMain/0 HTTP/1.1\r\nHost: 127.0.0.1:4747\r\nUser-Agent: curl/7.88.1\r\n"
         "Accept: */*\r\n\r\n",
         200, plain, "DDE"},
        {"GET /FormMain/1 HTTP/1.1\r\n\r\n", 200, plain, ""},
        {"GET /FormMain/3?when=now HTTP/1.1\r\n\r\n", 200, plain, " 0.01230"},
        {"GET http://127.0.0.1/FormMain/10 HTTP/1.1\r\n\r\n", 200, plain, "-1.50000"},
        {"GET /FormMain HTTP/1.1\r\n\r\n", 200, json, items},
        {"GET /FormMain/10.json HTTP/1.1\r\n\r\n", 200, json,
         R"({"item":"10","text":"-1.50000","value":-1.5,"verdict":"reject"})"},
        {"GET /FormMain/0.json HTTP/1.1\r\n\r\n", 200, json, R"({"item":"0","text":"DDE"})"},
        {"GET /FormMain/12 HTTP/1.1\r\n\r\n", 404, plain, ""},
        {"GET /FormMain/03 HTTP/1.1\r\n\r\n", 404, plain, ""},
        {"GET /FormMain/3.txt HTTP/1.1\r\n\r\n", 404, plain, ""},
        {"GET /FormMain/ HTTP/1.1\r\n\r\n", 404, plain, ""},
        {"GET /formmain/3 HTTP/1.1\r\n\r\n", 404, plain, ""},
        {"GET / HTTP/1.1\r\n\r\n", 404, plain, ""},
        {"GET /FormMainX HTTP/1.1\r\n\r\n", 404, plain, ""},
        {"POST /FormMain/3 HTTP/1.1\r\nContent-Length: 4\r\n\r\nabcd", 405, plain, ""},
        {"DELETE /FormMain/3 HTTP/1.1\r\n\r\n", 405, plain, ""},
        {"GET /FormMain/3 HTTP/1.1\r\nOrigin: http://localhost\r\n\r\n", 403, plain, ""},
        {"GET /FormMain/3 HTTP/1.1\r\norigin: null\r\n\r\n", 403, plain, ""},
        {"GET /FormMain/99 HTTP/1.1\r\nOrigin: http://evil.example\r\n\r\n", 403, plain, ""},
    };
    auto socket = connectSocket();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.request);
        const std::vector<Response> got = exchange(*socket, c.request);
        ASSERT_EQ(got.size(), 1u);
        const Response &r = got[0];
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.headers.at("content-type"), c.type);
        EXPECT_EQ(r.headers.at("cache-control"), "no-store");
        EXPECT_EQ(r.headers.at("content-length"), std::to_string(r.body.size()));
        EXPECT_EQ(r.headers.count("connection"), 0u) << "HTTP/1.1 stays open";
        if (c.status == 200) {
            EXPECT_EQ(r.body, c.body);
        }
        if (c.status == 405) {
            EXPECT_EQ(r.headers.at("allow"), "GET, HEAD");
        }
        ASSERT_EQ(socket->state(), QAbstractSocket::ConnectedState) << "refusals keep it too";
    }
    EXPECT_EQ(opened, 0) << "HTTP is no conversation";
}

TEST_F(LiveHttp, JsonItemIsTheWebSocketsMessage)
{
    TestClient client(service.port());
    ASSERT_TRUE(client.waitConnected());
    auto socket = connectSocket();
    for (const char *item : {"0", "3", "10", "11"}) {
        const auto got =
            exchange(*socket, QByteArray("GET /FormMain/") + item + ".json HTTP/1.1\r\n\r\n");
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(QString::fromStdString(got[0].body),
                  client.ask(QStringLiteral("{\"request\":\"%1\"}").arg(item)));
    }
}

TEST_F(LiveHttp, HeadHttp10AndPipelinedRequests)
{
    auto socket = connectSocket();
    const auto head = exchange(*socket, "HEAD /FormMain/3 HTTP/1.1\r\n\r\n", 1, true);
    ASSERT_EQ(head.size(), 1u);
    EXPECT_EQ(head[0].status, 200);
    EXPECT_EQ(head[0].headers.at("content-length"), "8");
    EXPECT_EQ(head[0].body, "");

    // Three requests in one write: three answers in their order, then a
    // request after them on the same connection.
    const auto three = exchange(*socket,
                                "GET /FormMain/3 HTTP/1.1\r\n\r\nGET /FormMain/99 HTTP/1.1\r\n\r\n"
                                "GET /FormMain/0 HTTP/1.1\r\n\r\n",
                                3);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[0].body, " 0.01230");
    EXPECT_EQ(three[1].status, 404);
    EXPECT_EQ(three[2].body, "DDE");
    service.setItemText(3, " 0.02000");
    const auto after = exchange(*socket, "GET /FormMain/3 HTTP/1.1\r\n\r\n");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].body, " 0.02000") << "never a cached answer";

    const struct {
        const char *request;
        bool staysOpen;
    } versions[] = {
        {"GET /FormMain/3 HTTP/1.0\r\n\r\n", false},
        {"GET /FormMain/3 HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", true},
        {"GET /FormMain/3 HTTP/1.1\r\nConnection: close\r\n\r\n", false},
    };
    for (const auto &v : versions) {
        SCOPED_TRACE(v.request);
        auto s = connectSocket();
        const auto got = exchange(*s, v.request);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].body, " 0.02000");
        EXPECT_EQ(got[0].headers.at("connection"), v.staysOpen ? "keep-alive" : "close");
        if (v.staysOpen) {
            QTest::qWait(50);
            EXPECT_EQ(s->state(), QAbstractSocket::ConnectedState);
        } else {
            EXPECT_TRUE(waitClosed(*s));
        }
    }
}

TEST_F(LiveHttp, OversizedAndMalformedRequestsAreRefusedAndClosed)
{
    const QByteArray filler(7000, 'x');
    const QByteArray big(9000, 'x');
    const struct {
        const char *what;
        QByteArray request;
        int status;
    } cases[] = {
        {"headers near the limit", "GET /FormMain/3 HTTP/1.1\r\nX-Filler: " + filler + "\r\n\r\n",
         200},
        {"headers over it", "GET /FormMain/3 HTTP/1.1\r\nX-Filler: " + big + "\r\n\r\n", 431},
        {"a header section that never ends", "GET /FormMain/3 HTTP/1.1\r\nX-Filler: " + big, 431},
        {"a URL over it", "GET /FormMain/3?" + big + " HTTP/1.1\r\n\r\n", 431},
        {"a body declared over it, not sent",
         "POST /FormMain/3 HTTP/1.1\r\nContent-Length: 100000\r\n\r\n", 413},
        {"a chunked body growing over it",
         "POST /FormMain/3 HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n2000\r\n" + big, 413},
        {"no HTTP at all", "HELLO\r\n\r\n", 400},
        {"a bad version", "GET /FormMain/3 HTTP/x\r\n\r\n", 400},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        auto socket = connectSocket();
        const auto got = exchange(*socket, c.request);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].status, c.status);
        if (c.status != 200) {
            EXPECT_EQ(got[0].headers.at("connection"), "close");
            EXPECT_TRUE(waitClosed(*socket));
        }
    }
}

TEST_F(LiveHttp, ARequestMustArriveWholeWithinTheIdleTime)
{
    service.setHttpIdleTimeout(400);
    // In pieces, but whole in time: answered, and the time starts again
    // with every answer.
    auto pieces = connectSocket();
    for (int round = 0; round < 2; ++round) {
        ResponseReader reader;
        for (const char *piece : {"GET /Form", "Main/3 HTTP/1.1\r\n", "\r\n"}) {
            pieces->write(piece);
            QTest::qWait(100);
        }
        ASSERT_TRUE(waitFor([&] {
            reader.feed(pieces->readAll());
            return !reader.done.empty();
        })) << round;
        EXPECT_EQ(reader.done[0].body, " 0.01230");
    }
    // Silence, and a request that trickles in a byte at a time and would
    // never end within the limit: both closed without an answer.
    auto silent = connectSocket();
    auto trickle = connectSocket();
    QByteArray got;
    const QByteArray request = "GET /FormMain/3 HTTP/1.1\r\nX-Slow: yes\r\n\r\n";
    int sent = 0;
    QTimer drip;
    QObject::connect(&drip, &QTimer::timeout, [&] {
        if (sent < request.size() && trickle->state() == QAbstractSocket::ConnectedState)
            trickle->write(request.mid(sent++, 1));
    });
    drip.start(25);
    ASSERT_TRUE(waitFor([&] {
        got += trickle->readAll();
        return trickle->state() == QAbstractSocket::UnconnectedState &&
               silent->state() == QAbstractSocket::UnconnectedState;
    }));
    EXPECT_LT(sent, request.size());
    EXPECT_TRUE(got.isEmpty());
    EXPECT_TRUE(waitClosed(*pieces)) << "idle after its last answer";
}

// The WebSocket handshake goes on as before, even when it comes in pieces.
TEST_F(LiveHttp, AnUpgradeInPiecesIsStillAWebSocket)
{
    auto socket = connectSocket();
    socket->write("GET /FormMain HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n");
    QTest::qWait(50);
    socket->write("Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                  "Sec-WebSocket-Version: 13\r\n\r\n");
    QByteArray response;
    ASSERT_TRUE(waitFor([&] {
        response += socket->readAll();
        return response.contains("\r\n\r\n");
    }));
    EXPECT_TRUE(response.startsWith("HTTP/1.1 101")) << response.toStdString();
    EXPECT_TRUE(response.contains("s3pPLMBiTxaQ9kYGzzhZRbK+xOo=")) << "the key's answer";
    EXPECT_TRUE(waitFor([&] { return opened == 1; }));
    // An upgrade the WebSocket server does not accept is its to refuse.
    auto h2 = connectSocket();
    h2->write("GET /FormMain HTTP/1.1\r\nUpgrade: h2c\r\nConnection: Upgrade\r\n\r\n");
    QByteArray refused;
    waitFor([&] {
        refused += h2->readAll();
        return h2->state() == QAbstractSocket::UnconnectedState || refused.contains("\r\n\r\n");
    });
    EXPECT_FALSE(refused.startsWith("HTTP/1.1 200")) << refused.toStdString();
    EXPECT_FALSE(refused.startsWith("HTTP/1.1 101")) << refused.toStdString();
    EXPECT_EQ(opened, 1);
}
