#include "spinbutton.h"

#include "named.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace qmxsrv {

static QToolButton *arrow(QToolButton *button, Qt::ArrowType type)
{
    button->setArrowType(type);
    // Held down, an arrow keeps stepping, as a spin control does.
    button->setAutoRepeat(true);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    return button;
}

SpinButton::SpinButton(QWidget *parent)
    : QWidget(parent), up_(arrow(named<QToolButton>("up", this), Qt::UpArrow)),
      down_(arrow(named<QToolButton>("down", this), Qt::DownArrow))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    connect(up_, &QToolButton::clicked, this, &SpinButton::up);
    connect(down_, &QToolButton::clicked, this, &SpinButton::down);
}

} // namespace qmxsrv
