// The group selection: the list, the last group selected, OK, the double
// click, the close box, and ScanHold raised while it is open.
#include "displays_support.h"

#include "formselectgroup.h"

#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using namespace qmxsrv;

namespace {

class SelectGroup : public qmxtest::Displays {
protected:
    SelectGroup()
    {
        useCounts(4, 1, 1);
        addGroup("Bore", {1});
        addGroup("Face", {2});
        addGroup("Length", {3, 4});
    }

    // Runs the dialog modally, as the main window does; act runs inside it.
    template <typename Act> int run(Act act)
    {
        FormSelectGroup dialog(state);
        QTimer::singleShot(0, &dialog, [&] {
            if (QTest::qWaitForWindowExposed(&dialog))
                act(dialog);
            if (dialog.isVisible()) // a failed step must not leave the test waiting
                dialog.done(-1);
        });
        return dialog.exec();
    }
};

TEST_F(SelectGroup, OpensWithTheLastGroupSelectedAndScanHoldRaised)
{
    state.view.ScanHold = 1;
    std::vector<std::string> entries;
    int selected = -1;
    run([&](FormSelectGroup &d) {
        for (int i = 0; i < d.ListGroups().count(); ++i)
            entries.push_back(d.ListGroups().item(i)->text().toStdString());
        selected = d.ListGroups().currentRow();
        QTest::mouseClick(&d.CmdOk(), Qt::LeftButton);
    });
    EXPECT_EQ(entries, (std::vector<std::string>{"Bore", "Face", "Length"}));
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(state.view.CurrentGroup, 3);
    EXPECT_EQ(state.view.ScanHold, 2);
}

TEST_F(SelectGroup, DoubleClickChoosesAndTheCloseBoxKeepsTheGroup)
{
    state.view.CurrentGroup = 2;
    const int closed = run([](FormSelectGroup &d) { d.close(); });
    EXPECT_EQ(closed, QDialog::Rejected);
    EXPECT_EQ(state.view.CurrentGroup, 2);

    const int chosen = run([](FormSelectGroup &d) {
        QListWidget &list = d.ListGroups();
        const QPoint first = list.visualItemRect(list.item(0)).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, first);
    });
    EXPECT_EQ(chosen, QDialog::Accepted);
    EXPECT_EQ(state.view.CurrentGroup, 1);
}

TEST_F(SelectGroup, OkWithoutAGroupKeepsTheCurrentOne)
{
    RemoveAllGroups(state);
    state.view.CurrentGroup = 2;
    const int result = run([](FormSelectGroup &d) {
        EXPECT_EQ(d.ListGroups().count(), 0);
        QTest::mouseClick(&d.CmdOk(), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(state.view.CurrentGroup, 2);
}

} // namespace
