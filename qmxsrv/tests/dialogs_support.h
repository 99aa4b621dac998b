// Windows driven as an operator drives them (find a control by its name,
// type into it, click it, read what it shows), and the fixture for a dialog
// or window standalone on a program state on the simulated board.
#pragma once

#include "core_board.h"

#include "core/group.h"
#include "platform/spinbutton.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qmxtest {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

template <typename T = QWidget> T *control(const QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(name);
    EXPECT_NE(found, nullptr) << "no control " << name;
    return found;
}

// The text of a text box, label or button.
inline std::string text(const QWidget *window, const char *name)
{
    const QWidget *w = control(window, name);
    return w ? w->property("text").toString().toStdString() : "<no " + std::string(name) + ">";
}

using Texts = std::vector<std::pair<const char *, std::string>>;
inline void expectShown(const QWidget *window, const Texts &texts)
{
    for (const auto &[name, shown] : texts)
        EXPECT_EQ(text(window, name), shown) << name;
}

// Replaces the field's text by typing, as the operator does.
inline void type(QWidget *window, const char *name, const QString &typed)
{
    auto *edit = control<QLineEdit>(window, name);
    edit->selectAll();
    if (typed.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, typed);
}

inline void click(const QWidget *window, const char *name)
{
    control<QAbstractButton>(window, name)->click();
}

inline void spin(const QWidget *window, const char *name, bool up)
{
    auto *arrows = control<qmxsrv::SpinButton>(window, name);
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

inline std::vector<std::string> lines(const QListWidget *list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->text().toStdString());
    return out;
}

// What channel n reads on the board with probe n at this position.
inline float boardReading(qmxboard::Control &board, int n, double position)
{
    board.setProbe(n, position);
    float v = 0;
    board.channelValue(n, v);
    return v;
}

// A window standalone on the program state, as the main window would make it.
class Standalone : public OnBoard {
protected:
    void addGroup(const std::string &name, const std::vector<std::int16_t> &channels)
    {
        qmxsrv::group &g = state.Groups.Add(std::make_unique<qmxsrv::group>());
        g.SetDefaults(std::int16_t(state.Groups.Count()));
        g.Description = name;
        for (std::int16_t ch : channels)
            g.AddChannel(ch);
    }
    static void show(QWidget &w)
    {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    static void activate(QWidget &w)
    {
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
};

} // namespace qmxtest
