// The setup dialogs on the simulated board, driven as an operator drives
// them: find a control by its name, type into it, click it, answer the
// scripted message boxes.
#pragma once

#include "core_board.h"
#include "dialogs/setupmemory.h"
#include "platform/spinbutton.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qmxtest {

template <typename T> T *control(QWidget *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(name);
    EXPECT_NE(found, nullptr) << "no control " << name;
    return found;
}

inline QLineEdit *box(QWidget *dialog, const char *name)
{
    return control<QLineEdit>(dialog, name);
}

inline std::string text(QWidget *dialog, const char *name)
{
    return box(dialog, name)->text().toStdString();
}

// Replaces the field's text by typing, as the operator does.
inline void type(QWidget *dialog, const char *name, const QString &typed)
{
    QLineEdit *edit = box(dialog, name);
    edit->selectAll();
    if (typed.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, typed);
}

inline void click(QWidget *dialog, const char *name)
{
    control<QAbstractButton>(dialog, name)->click();
}

inline void spin(QWidget *dialog, const char *name, bool up)
{
    auto *arrows = control<qmxsrv::SpinButton>(dialog, name);
    (up ? arrows->upArrow() : arrows->downArrow())->click();
}

inline void doubleClick(QListWidget *list, int row)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    list->scrollToItem(list->item(row));
    const QRect at = list->visualItemRect(list->item(row));
    ASSERT_TRUE(list->viewport()->rect().contains(at.center())) << "row " << row;
    // As the window system delivers it: a click, then the double click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at.center());
}

inline std::vector<std::string> lines(QListWidget *list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->text().toStdString());
    return out;
}

// The board on a warm start with default objects, and what the main window
// keeps for the dialogs.
class DialogTest : public OnBoard {
protected:
    DialogTest() { useCounts(8, 4, 4); }

    // An item dialog as the main window opens it: made, sent to item n
    // (none for 0), shown; the board traffic of showing it passed over.
    template <typename Dialog, typename Memory>
    std::unique_ptr<Dialog> openOn(Memory &part, void (Dialog::*setCurrent)(std::int16_t),
                                   std::int16_t n)
    {
        auto dialog = std::make_unique<Dialog>(state, part);
        if (n)
            (dialog.get()->*setCurrent)(n);
        dialog->show();
        takeCalls();
        return dialog;
    }

    qmxsrv::SetupDialogsMemory memory;
};

} // namespace qmxtest
