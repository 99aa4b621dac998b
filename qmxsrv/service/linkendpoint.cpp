#include "service/linkendpoint.h"

namespace qmxsrv {

std::optional<LinkEndpoint> linkEndpoint(const QString &link)
{
    if (link.isEmpty())
        return LinkEndpoint{QHostAddress(QHostAddress::LocalHost), defaultLinkPort};
    const qsizetype colon = link.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = link.left(colon);
    const QString portText = link.mid(colon + 1);
    bool portOk = false;
    const uint port = portText.toUInt(&portOk);
    if (!portOk || port > 65535 || portText.isEmpty() || !portText.front().isDigit())
        return std::nullopt;
    const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
    if (bracketed)
        host = host.mid(1, host.size() - 2);
    QHostAddress address;
    if (!bracketed && host == QLatin1String("localhost"))
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(host) ||
             (address.protocol() == QAbstractSocket::IPv6Protocol) != bracketed)
        return std::nullopt;
    return LinkEndpoint{address, quint16(port)};
}

std::optional<LinkEndpoint> linkEndpoint()
{
    return linkEndpoint(qEnvironmentVariable("QMXSRV_LINK"));
}

} // namespace qmxsrv
