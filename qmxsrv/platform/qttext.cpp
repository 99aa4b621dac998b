#include "platform/qttext.h"

#include <QStringDecoder>

namespace qmxsrv {

QString qtText(const std::string &text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::string storedText(const QString &text) { return text.toStdString(); }

QString withoutControlCharacters(QString text)
{
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return text;
}

} // namespace qmxsrv
