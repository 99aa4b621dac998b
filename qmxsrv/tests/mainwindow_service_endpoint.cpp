// The live-value service's address from QMXSRV_LINK.
#include "mainwindow/linkendpoint.h"

#include <gtest/gtest.h>

using namespace qmxsrv;

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
        {"0.0.0.0:4747", true, "0.0.0.0", 4747},
        {"[::1]:4748", true, "::1", 4748},
        {"4747", false, "", 0},
        {"127.0.0.1:65536", false, "", 0},
        {"gauge.example:4747", false, "", 0},
        {"::1:4747", false, "", 0},
        {"[127.0.0.1]:4747", false, "", 0},
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
