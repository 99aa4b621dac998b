// A status bar text in the narrow main window: what does not fit is cut
// with an ellipsis, and the whole text is its tooltip. text() stays whole.
#pragma once

#include <QLabel>

namespace qmxsrv {

class FittedLabel : public QLabel {
public:
    using QLabel::QLabel;

    void setText(const QString &text);
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace qmxsrv
