#include "dialogs/formsetupgroup.h"

#include "core/messageboxes.h"
#include "core/numbertext.h"
#include "core/programstate.h"
#include "platform/named.h"
#include "platform/qttext.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace qmxsrv {

FormSetupGroup::FormSetupGroup(ProgramState &state, QWidget *parent)
    : SetupDialog("FormSetupGroup", "FormSetupGroup", parent), state_(state)
{
    groups_ = named<QListWidget>("ListGroups", this);
    groupName_ = field("TextGroupName", "Group name");
    available_ = named<QListWidget>("ListAvailableChannels", this);
    inGroup_ = named<QListWidget>("ListChansinGroup", this);
    auto *include = named<QLabel>("Lblinclude", "Double click to include channel in group", this);
    auto *remove = named<QLabel>("Lblremove", "Double click to  remove channel from group", this);
    QPushButton *add = button("CmdAddtoList", "Add Group to List");
    QPushButton *removeGroup = button("CmdRemoveFromList", "Remove Group ");
    QPushButton *rename = button("CmdRenameGroup", "Rename Group");
    QPushButton *done = button("CmdDone", "Done");

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Groups", this), 0, 0);
    grid->addWidget(new QLabel("Available Channels", this), 0, 1);
    grid->addWidget(new QLabel("Channels in Group", this), 0, 2);
    grid->addWidget(groups_, 1, 0);
    grid->addWidget(available_, 1, 1);
    grid->addWidget(inGroup_, 1, 2);
    grid->addWidget(groupName_, 2, 0);
    grid->addWidget(include, 2, 1);
    grid->addWidget(remove, 2, 2);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {add, removeGroup, rename})
        buttons->addWidget(b);
    grid->addLayout(buttons, 3, 0);
    grid->addWidget(done, 3, 2, Qt::AlignRight | Qt::AlignBottom);

    connect(groups_, &QListWidget::currentRowChanged, this, &FormSetupGroup::groupSelected);
    connect(available_, &QListWidget::itemDoubleClicked, this, &FormSetupGroup::includeChannel);
    connect(inGroup_, &QListWidget::itemDoubleClicked, this, &FormSetupGroup::removeChannel);
    connect(add, &QPushButton::clicked, this, &FormSetupGroup::addGroup);
    connect(removeGroup, &QPushButton::clicked, this, &FormSetupGroup::removeGroup);
    connect(rename, &QPushButton::clicked, this, &FormSetupGroup::renameGroup);
    connect(done, &QPushButton::clicked, this, &FormSetupGroup::reject);

    ++state_.view.ScanHold;
    for (const channel &c : state_.Channels)
        available_->addItem(qtText(numberText(c.Index) + " " + c.Description));
    for (const group &g : state_.Groups)
        groups_->addItem(qtText(g.Description));
    if (groups_->count() > 0)
        groups_->setCurrentRow(groups_->count() - 1);
}

group *FormSetupGroup::selectedGroup()
{
    const int k = groups_->currentRow() + 1;
    return state_.Groups.contains(k) ? &state_.Groups.Item(k) : nullptr;
}

QString FormSetupGroup::channelLine(int channel) const
{
    // A group holds channels 1 to MaxChannel; anything else shows its number.
    if (QListWidgetItem *line = available_->item(channel - 1))
        return line->text();
    return qtText(numberText(channel));
}

void FormSetupGroup::groupSelected(int row)
{
    group *g = state_.Groups.contains(row + 1) ? &state_.Groups.Item(row + 1) : nullptr;
    if (!g)
        return;
    groupName_->setText(qtText(g->Description));
    inGroup_->clear();
    for (int j = 1; j <= g->Count(); ++j)
        inGroup_->addItem(channelLine(g->GetChannel(static_cast<std::int16_t>(j))));
}

void FormSetupGroup::addGroup()
{
    auto g = std::make_unique<group>();
    g->Index = static_cast<std::int16_t>(state_.Groups.Count() + 1);
    g->Description = storedText(groupName_->text());
    state_.Groups.Add(std::move(g));
    groups_->addItem(groupName_->text());
    groups_->setCurrentRow(groups_->count() - 1);
    state_.view.SetupModified = true;
}

void FormSetupGroup::removeGroup()
{
    if (!selectedGroup())
        return;
    const int row = groups_->currentRow();
    {
        // Removing the selected line moves the selection; the last group is
        // chosen below.
        const QSignalBlocker quiet(groups_);
        delete groups_->takeItem(row);
        groups_->setCurrentRow(-1);
    }
    state_.Groups.Remove(row + 1);
    inGroup_->clear();
    if (groups_->count() > 0)
        groups_->setCurrentRow(groups_->count() - 1);
    state_.view.SetupModified = true;
}

void FormSetupGroup::renameGroup()
{
    group *g = selectedGroup();
    if (!g)
        return;
    g->Description = storedText(groupName_->text());
    groups_->currentItem()->setText(groupName_->text());
    state_.view.SetupModified = true;
}

void FormSetupGroup::includeChannel(QListWidgetItem *line)
{
    group *g = selectedGroup();
    if (!g)
        return;
    const int c = available_->row(line) + 1;
    const std::string t = storedText(line->text());
    for (int j = 1; j <= g->Count(); ++j) {
        if (g->GetChannel(static_cast<std::int16_t>(j)) == c) {
            tell(state_.boxes(), "Double Entry is not allowed\rChannel [" + t +
                                     "]\ris already in Group [" +
                                     numberText(groups_->currentRow() + 1) + "] " + g->Description);
            state_.boxes().beep();
            return;
        }
    }
    inGroup_->addItem(line->text());
    g->AddChannel(static_cast<std::int16_t>(c));
    state_.view.SetupModified = true;
}

void FormSetupGroup::removeChannel(QListWidgetItem *line)
{
    group *g = selectedGroup();
    if (!g || !line)
        return;
    const int p = inGroup_->row(line) + 1;
    delete inGroup_->takeItem(p - 1);
    g->RemoveChannel(static_cast<std::int16_t>(p));
    state_.view.SetupModified = true;
}

} // namespace qmxsrv
