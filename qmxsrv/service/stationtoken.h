// The station's token: what a program must show (Authorization: Bearer
// <token> in its WebSocket handshake) before the live-value service takes
// its commands. Values flow without it.
#pragma once

#include <QByteArray>
#include <QString>

namespace qmxsrv {

inline constexpr char TokenFileName[] = "qmxsrv.token";

// folder/qmxsrv.token as it is, or made at the first start: 32 random bytes
// as 64 hexadecimal digits, mode 0600. Empty with the reason in error when
// it can neither be read nor made, is no regular file (a folder, a FIFO, a
// link that leads nowhere) or holds something else: then no command is
// taken. Never waits on the file.
QByteArray stationToken(const QString &folder, QString &error);

// Whether given equals token, in a time that does not depend on where they
// differ. An empty token matches nothing.
bool sameToken(const QByteArray &given, const QByteArray &token);

// Whether an Authorization header's value shows token: the scheme "Bearer"
// in any case (HTTP's schemes are case-insensitive), blanks, the token.
bool bearerTokenMatches(const QByteArray &authorization, const QByteArray &token);

} // namespace qmxsrv
