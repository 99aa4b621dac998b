// The group selection opened standalone: the last group selected, and what
// OK and the close box leave in CurrentGroup, with or without groups. (The
// double click is the operator's test through the main window.)
#include "core_board.h"

#include "core/group.h"
#include "formselectgroup.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace qmxsrv;

namespace {

class SelectGroup : public qmxtest::OnBoard {};

TEST_F(SelectGroup, TheLastGroupIsSelectedAndOnlyOkChangesTheCurrentOne)
{
    const struct {
        const char *what;
        int groups;
        bool ok; // else the close box
        int result;
        std::int16_t current;
    } cases[] = {
        {"OK at once", 3, true, QDialog::Accepted, 3},
        {"close box", 3, false, QDialog::Rejected, 2},
        {"OK without groups", 0, true, QDialog::Rejected, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RemoveAllGroups(state);
        for (int g = 1; g <= c.groups; ++g) {
            auto made = std::make_unique<group>();
            made->SetDefaults(std::int16_t(g));
            state.Groups.Add(std::move(made));
        }
        state.view.CurrentGroup = 2;
        state.view.ScanHold = 1;
        FormSelectGroup dialog(state);
        EXPECT_EQ(state.view.ScanHold, 2); // until the rebuild that follows
        EXPECT_EQ(dialog.ListGroups().count(), c.groups);
        EXPECT_EQ(dialog.ListGroups().currentRow(), c.groups - 1);
        if (c.groups > 0) {
            EXPECT_EQ(dialog.ListGroups().item(0)->text().toStdString(), "Group  1");
        }
        QTimer::singleShot(0, &dialog, [&] {
            if (c.ok)
                QTest::mouseClick(&dialog.CmdOk(), Qt::LeftButton);
            else
                dialog.close();
        });
        EXPECT_EQ(dialog.exec(), c.result);
        EXPECT_EQ(state.view.CurrentGroup, c.current);
    }
}

} // namespace
