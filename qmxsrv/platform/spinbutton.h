// The spin button: two arrow buttons, one above the other, that report "up"
// and "down". It holds no value; the dialog that owns it decides what a step
// means (next channel, one more decimal, ...).
#pragma once

#include <QWidget>

class QToolButton;

namespace qmxsrv {

class SpinButton : public QWidget {
    Q_OBJECT
public:
    explicit SpinButton(QWidget *parent = nullptr);

    // The arrows, for tests that click them: objectName "up" and "down".
    QToolButton *upArrow() const { return up_; }
    QToolButton *downArrow() const { return down_; }

signals:
    void up();
    void down();

private:
    QToolButton *up_;
    QToolButton *down_;
};

} // namespace qmxsrv
