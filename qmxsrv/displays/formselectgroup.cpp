#include "formselectgroup.h"

#include "core/group.h"
#include "core/programstate.h"
#include "platform/named.h"
#include "platform/qttext.h"
#include "platform/twips.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qmxsrv {

FormSelectGroup::FormSelectGroup(ProgramState &state, QWidget *parent)
    : QDialog(parent), state_(state), ListGroups_(named<QListWidget>("ListGroups", this)),
      CmdOk_(named<QPushButton>("CmdOk", QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("FormSelectGroup"));
    setWindowTitle(QStringLiteral("Select Group"));
    ListGroups_->setSelectionMode(QAbstractItemView::SingleSelection);
    CmdOk_->setDefault(true);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(CmdOk_);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(ListGroups_, 1);
    layout->addLayout(buttons);
    const double dpi = logicalDpiY();
    resize(twipsToPixels(DesignWidth, dpi), twipsToPixels(DesignHeight, dpi));

    connect(CmdOk_, &QPushButton::clicked, this, &FormSelectGroup::CmdOk_Click);
    connect(ListGroups_, &QListWidget::itemDoubleClicked, this, &FormSelectGroup::CmdOk_Click);

    ++state_.view.ScanHold;
    for (const group &g : state_.Groups)
        ListGroups_->addItem(qtText(g.Description));
    if (ListGroups_->count() > 0)
        ListGroups_->setCurrentRow(ListGroups_->count() - 1);
}

// With nothing selected (an empty list) the dialog closes as by its close
// box: no group would be a valid choice.
void FormSelectGroup::CmdOk_Click()
{
    const int row = ListGroups_->currentRow();
    if (row < 0 || !ListGroups_->currentItem()->isSelected()) {
        reject();
        return;
    }
    state_.view.CurrentGroup = std::int16_t(row + 1);
    accept();
}

} // namespace qmxsrv
