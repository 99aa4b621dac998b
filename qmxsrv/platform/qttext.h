// Texts cross between the Qt-free core (std::string, the bytes of the stored
// files) and the widgets (QString) here and nowhere else.
#pragma once

#include <QString>

#include <string>

namespace qmxsrv {

// UTF-8 when the bytes are valid UTF-8, otherwise Latin-1: files written by
// older stations hold 8-bit texts, and a description must never turn into
// replacement characters.
QString qtText(const std::string &text);

// What the core stores for a text typed in a widget.
std::string storedText(const QString &text);

// text without its control characters (C0, DEL and C1): in a serial they
// would end up inside exported rows and reports.
QString withoutControlCharacters(QString text);

} // namespace qmxsrv
