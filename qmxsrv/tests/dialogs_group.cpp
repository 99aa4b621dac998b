// The group setup dialog.
#include "dialogs/formsetupgroup.h"
#include "dialogs_support.h"

using namespace qmxsrv;
using namespace qmxtest;

namespace {

class GroupSetup : public Standalone {
protected:
    GroupSetup() { useCounts(8, 4, 4); }
    std::unique_ptr<FormSetupGroup> open()
    {
        auto dialog = std::make_unique<FormSetupGroup>(state);
        dialog->show();
        groups = control<QListWidget>(dialog.get(), "ListGroups");
        available = control<QListWidget>(dialog.get(), "ListAvailableChannels");
        inGroup = control<QListWidget>(dialog.get(), "ListChansinGroup");
        return dialog;
    }

    QListWidget *groups = nullptr;
    QListWidget *available = nullptr;
    QListWidget *inGroup = nullptr;
};

// Three groups: the last selected; a double entry refused with three lines
// and a beep; removing the second keeps the indexes and selects the last.
TEST_F(GroupSetup, DoubleEntryRefusedAndTheSecondOfThreeRemoved)
{
    addGroup("Front", {});
    addGroup("Back", {5, 3});
    addGroup("Top", {3, 4});
    auto dialog = open();
    EXPECT_EQ(groups->currentRow(), 2);
    EXPECT_EQ(state.view.ScanHold, 1);
    groups->setCurrentRow(1);
    EXPECT_THAT(lines(inGroup), ElementsAre("5 Channel 5", "3 Channel 3"));
    doubleClick(available, 2);
    EXPECT_THAT(messages(), ElementsAre("Double Entry is not allowed\rChannel [3 Channel 3]\r"
                                        "is already in Group [2] Back"));
    EXPECT_EQ(boxes.beeps, 1);
    EXPECT_EQ(state.Groups.Item(2).Count(), 2);
    EXPECT_EQ(lines(inGroup).size(), 2u);
    EXPECT_FALSE(state.view.SetupModified);

    click(dialog.get(), "CmdRemoveFromList");
    ASSERT_EQ(state.Groups.Count(), 2);
    EXPECT_EQ(state.Groups.Item(2).Index, 3);
    EXPECT_THAT(lines(groups), ElementsAre("Front", "Top"));
    EXPECT_EQ(groups->currentRow(), 1);
    EXPECT_EQ(text(dialog.get(), "TextGroupName"), "Top");
    EXPECT_THAT(lines(inGroup), ElementsAre("3 Channel 3", "4 Channel 4"));
}

TEST_F(GroupSetup, IncludingAndRemovingChannelsKeepsTheirOrder)
{
    state.Channels.Item(7).Description = "Bore";
    addGroup("Front", {});
    auto dialog = open();
    for (int row : {4, 1, 6, 0})
        doubleClick(available, row);
    doubleClick(inGroup, 1);
    const group &g = state.Groups.Item(1);
    EXPECT_THAT((std::vector{g.GetChannel(1), g.GetChannel(2), g.GetChannel(3)}),
                ElementsAre(5, 7, 1));
    EXPECT_EQ(g.Count(), 3);
    EXPECT_THAT(lines(inGroup), ElementsAre("5 Channel 5", "7 Bore", "1 Channel 1"));
    EXPECT_TRUE(state.view.SetupModified);
}

TEST_F(GroupSetup, EmptyNameAddsRenameAndRemoveTheOnlyGroup)
{
    auto dialog = open();
    doubleClick(available, 0); // no group: nothing happens
    click(dialog.get(), "CmdAddtoList");
    ASSERT_EQ(state.Groups.Count(), 1);
    EXPECT_EQ(state.Groups.Item(1).Index, 1);
    EXPECT_THAT(lines(groups), ElementsAre(""));
    type(dialog.get(), "TextGroupName", "Gauge A");
    click(dialog.get(), "CmdRenameGroup");
    EXPECT_EQ(state.Groups.Item(1).Description, "Gauge A");
    EXPECT_THAT(lines(groups), ElementsAre("Gauge A"));
    doubleClick(available, 3);
    click(dialog.get(), "CmdRemoveFromList");
    EXPECT_EQ(state.Groups.Count(), 0);
    EXPECT_THAT(lines(inGroup), IsEmpty());
    EXPECT_EQ(text(dialog.get(), "TextGroupName"), "Gauge A");
    click(dialog.get(), "CmdRemoveFromList");
    EXPECT_THAT(messages(), IsEmpty());
}

} // namespace
