// Helpers for the mastering tests: reading what a window shows by control
// name, clicking controls as an operator does, and the board's calls.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPalette>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <string>
#include <vector>

namespace qmxtest {

// The text of a text box, label or button.
inline std::string shown(const QWidget &window, const char *name)
{
    const QWidget *w = window.findChild<QWidget *>(name);
    return w ? w->property("text").toString().toStdString() : "<no " + std::string(name) + ">";
}

inline void click(QWidget &window, const char *name)
{
    auto *b = window.findChild<QAbstractButton *>(name);
    ASSERT_NE(b, nullptr) << name;
    QTest::mouseClick(b, Qt::LeftButton);
}

inline QColor textColour(const QWidget &window, const char *name)
{
    return window.findChild<QLabel *>(name)->palette().color(QPalette::WindowText);
}

// Position of the first call that begins with prefix, -1 when there is none.
inline long callAt(const std::vector<std::string> &calls, const std::string &prefix)
{
    auto it = std::find_if(calls.begin(), calls.end(),
                           [&](const std::string &c) { return c.rfind(prefix, 0) == 0; });
    return it == calls.end() ? -1 : static_cast<long>(it - calls.begin());
}

} // namespace qmxtest
