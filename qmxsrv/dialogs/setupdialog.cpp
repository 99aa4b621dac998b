#include "dialogs/setupdialog.h"

#include "platform/named.h"
#include "platform/twips.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace qmxsrv {

SetupDialog::SetupDialog(const char *name, const QString &title, QWidget *parent) : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(title);
}

void SetupDialog::setDesignSize(int widthTwips, int heightTwips)
{
    const double dpi = logicalDpiY();
    resize(twipsToPixels(widthTwips, dpi), twipsToPixels(heightTwips, dpi));
}

void SetupDialog::reject()
{
    if (mayClose())
        QDialog::reject();
}

void SetupDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activated();
}

QLineEdit *SetupDialog::field(const char *name, const QString &label)
{
    auto *edit = named<QLineEdit>(name, this);
    edit->setAccessibleName(QString(label).remove('&'));
    return edit;
}

QPushButton *SetupDialog::button(const char *name, const QString &caption)
{
    auto *push = named<QPushButton>(name, caption, this);
    // Enter in a field must not step, program or close.
    push->setAutoDefault(false);
    return push;
}

QLabel *SetupDialog::addLabelled(QGridLayout *grid, int row, int column, const QString &caption,
                                 QWidget *buddy, int span)
{
    auto *label = new QLabel(caption, this);
    label->setBuddy(buddy);
    grid->addWidget(label, row, column);
    grid->addWidget(buddy, row, column + 1, 1, span);
    return label;
}

void SetupDialog::disableEditing(QWidget *keep)
{
    for (QWidget *w : findChildren<QWidget *>()) {
        const bool editing = qobject_cast<QLineEdit *>(w) || qobject_cast<QAbstractButton *>(w) ||
                             qobject_cast<QAbstractItemView *>(w);
        if (editing && w != keep)
            w->setEnabled(false);
    }
}

} // namespace qmxsrv
