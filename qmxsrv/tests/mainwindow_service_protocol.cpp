// The live-value protocol's messages and the service's address, as pure
// functions.
#include "mainwindow/linkendpoint.h"
#include "mainwindow/liveprotocol.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace qmxsrv;
using live::Verb;

TEST(LiveProtocol, ClientMessages)
{
    struct Case {
        const char *message;
        bool valid;
        Verb verb;
        const char *item;
    } cases[] = {
        {"{\"request\":\"3\"}", true, Verb::Request, "3"},
        {" { \"advise\" : \"*\" } ", true, Verb::Advise, "*"},
        {"{\"unadvise\":\"12\"}", true, Verb::Unadvise, "12"},
        {"{\"advise\":\"99\"}", true, Verb::Advise, "99"}, // the service judges the number
        {"{\"request\":\"*\"}", false, Verb::Request, ""},
        {"{\"request\":3}", false, Verb::Request, ""},
        {"{\"request\":null}", false, Verb::Request, ""},
        {"{\"Request\":\"3\"}", false, Verb::Request, ""},
        {"{\"request\":\"3\",\"advise\":\"3\"}", false, Verb::Request, ""},
        {"{}", false, Verb::Request, ""},
        {"[]", false, Verb::Request, ""},
        {"\"request\"", false, Verb::Request, ""},
        {"{\"request\":\"3\"", false, Verb::Request, ""},
        {"", false, Verb::Request, ""},
    };
    for (const Case &c : cases) {
        const live::Parsed parsed = live::parseClientMessage(c.message);
        ASSERT_EQ(parsed.message.has_value(), c.valid) << c.message;
        if (c.valid) {
            EXPECT_EQ(parsed.message->verb, c.verb) << c.message;
            EXPECT_EQ(parsed.message->item, c.item) << c.message;
        } else {
            EXPECT_FALSE(parsed.error.isEmpty()) << c.message;
        }
    }
}

TEST(LiveProtocol, ItemNames)
{
    struct Case {
        const char *name;
        int number;
    } cases[] = {
        {"0", 0}, {"3", 3}, {"24", 24}, {"255", 255}, {"32767", 32767},
        {"03", -1}, {"00", -1}, {"-1", -1}, {"+3", -1}, {" 3", -1}, {"3 ", -1},
        {"3.0", -1}, {"", -1}, {"*", -1}, {"123456", -1}, {"\xd9\xa3", -1}, // Arabic-Indic 3
    };
    for (const Case &c : cases)
        EXPECT_EQ(live::itemNumber(QString::fromUtf8(c.name)), c.number) << c.name;
}

TEST(LiveProtocol, ServerMessagesAreJson)
{
    EXPECT_EQ(live::itemMessage(3, " 0.01230"), "{\"item\":\"3\",\"text\":\" 0.01230\"}");
    EXPECT_EQ(live::removedMessage(25), "{\"item\":\"25\",\"removed\":true}");
    // Texts that need escaping come through intact.
    const QString odd = QStringLiteral("a \"quoted\"\\ text\r\x01\xe4");
    const QJsonObject back = QJsonDocument::fromJson(live::itemMessage(1, odd).toUtf8()).object();
    EXPECT_EQ(back.value("text").toString(), odd);
    const QJsonObject error =
        QJsonDocument::fromJson(live::errorMessage("no item \"x\"").toUtf8()).object();
    EXPECT_EQ(error.value("error").toString(), "no item \"x\"");
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
        {"127.0.0.1:5000", true, "127.0.0.1", 5000},
        {"localhost:0", true, "127.0.0.1", 0},
        {"0.0.0.0:4747", true, "0.0.0.0", 4747},
        {"[::1]:4748", true, "::1", 4748},
        {"192.168.1.20:65535", true, "192.168.1.20", 65535},
        {"4747", false, "", 0},
        {":4747", false, "", 0},
        {"127.0.0.1:", false, "", 0},
        {"127.0.0.1:65536", false, "", 0},
        {"127.0.0.1:-1", false, "", 0},
        {"127.0.0.1:+80", false, "", 0},
        {"127.0.0.1:80x", false, "", 0},
        {"gauge.example:4747", false, "", 0},
        {"::1:4747", false, "", 0},
        {"[127.0.0.1]:4747", false, "", 0},
        {"[::1:4747", false, "", 0},
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
