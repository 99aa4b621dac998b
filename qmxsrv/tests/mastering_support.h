// Helpers for the mastering tests: what a window shows by control name,
// clicks as an operator makes them, and the board's calls.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

#include <qmxboard.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace qmxtest {

// The text of a text box, label or button.
inline std::string shown(const QWidget &window, const char *name)
{
    const QWidget *w = window.findChild<QWidget *>(name);
    return w ? w->property("text").toString().toStdString() : "<no " + std::string(name) + ">";
}

using Texts = std::vector<std::pair<const char *, std::string>>;
inline void expectShown(const QWidget &window, const Texts &texts)
{
    for (const auto &[name, text] : texts)
        EXPECT_EQ(shown(window, name), text) << name;
}

inline void click(QWidget &window, const char *name)
{
    auto *b = window.findChild<QAbstractButton *>(name);
    ASSERT_NE(b, nullptr) << name;
    QTest::mouseClick(b, Qt::LeftButton);
}

inline bool shownRed(const QWidget &window, const char *name)
{
    return window.findChild<QLabel *>(name)->palette().color(QPalette::WindowText) == Qt::red;
}

// Whether a call beginning with prefix is among calls.
inline bool sent(const std::vector<std::string> &calls, const std::string &prefix)
{
    return std::any_of(calls.begin(), calls.end(),
                       [&](const std::string &c) { return c.rfind(prefix, 0) == 0; });
}

// The calls among these that change a calibration on the board, in order.
inline std::vector<std::string> writes(const std::vector<std::string> &calls)
{
    std::vector<std::string> w;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(w),
                 [](const std::string &c) { return c.rfind("QmxSetC", 0) == 0; });
    return w;
}

// What channel n reads on the board with probe n at this position.
inline float boardReading(qmxboard::Control &board, int n, double position)
{
    board.setProbe(n, position);
    float v = 0;
    board.channelValue(n, v);
    return v;
}

} // namespace qmxtest
