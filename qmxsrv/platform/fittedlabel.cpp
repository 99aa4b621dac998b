#include "platform/fittedlabel.h"

#include <QPainter>
#include <QStyle>

namespace qmxsrv {

void FittedLabel::setText(const QString &text)
{
    QLabel::setText(text);
    setToolTip(text);
}

QSize FittedLabel::minimumSizeHint() const
{
    // Room for a few letters and the ellipsis; the rest is the status bar's to give.
    const QSize whole = QLabel::minimumSizeHint();
    const int margins = contentsMargins().left() + contentsMargins().right() + 2 * margin();
    return {std::min(whole.width(),
                     fontMetrics().horizontalAdvance(QStringLiteral("MMMMMM\u2026")) + margins),
            whole.height()};
}

void FittedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

} // namespace qmxsrv
