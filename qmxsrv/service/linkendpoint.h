// Where the live-value service listens: 127.0.0.1:4747 unless QMXSRV_LINK
// says "host:port".
#pragma once

#include <QHostAddress>
#include <QString>

#include <optional>

namespace qmxsrv {

struct LinkEndpoint {
    QHostAddress address;
    quint16 port = 0; // 0: any free port (tests)
};

constexpr quint16 defaultLinkPort = 4747;

// link is the value of QMXSRV_LINK: empty gives the default; otherwise
// "host:port" with an IPv4 address, "[IPv6 address]" or "localhost" as the
// host and a port of 0 to 65535. Anything else is not an endpoint.
std::optional<LinkEndpoint> linkEndpoint(const QString &link);

// The same for this process's QMXSRV_LINK.
std::optional<LinkEndpoint> linkEndpoint();

} // namespace qmxsrv
