// Message boxes: the texts and titles the Qt boxes show, the answers they
// give, and the device library's messages.
#include "platform/librarymessages.h"
#include "platform/qtmessageboxes.h"
#include "platform/qttext.h"
#include "qmxcom32.h"
#include "qmxcom32_host.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qmxsrv;

TEST(QtText, Utf8OrElseLatin1)
{
    struct Case {
        std::string stored;
        QString shown;
    } cases[] = {
        {"Bore 12", "Bore 12"},
        {"Durchmesser \xc3\xa4u\xc3\x9f", QString::fromUtf8("Durchmesser \xc3\xa4u\xc3\x9f")},
        {"Durchmesser \xe4u\xdf", QString::fromUtf8("Durchmesser \xc3\xa4u\xc3\x9f")},
        {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(qtText(c.stored), c.shown) << c.stored;
    EXPECT_EQ(storedText(QString::fromUtf8("\xc3\xa4")), "\xc3\xa4");
}

TEST(QtMessageBoxes, CarriageReturnsAreLineBreaks)
{
    struct Case {
        std::string text;
        QString shown;
    } cases[] = {
        {"Setup has been modified\rSave changes", "Setup has been modified\nSave changes"},
        {"one\r\ntwo", "one\ntwo"},
        {"one\r\rtwo", "one\n\ntwo"},
        {"one\ntwo", "one\ntwo"},
        {"ends with a break\r", "ends with a break\n"},
        {"no break", "no break"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(boxText(c.text), c.shown) << c.text;
}

TEST(QtMessageBoxes, NoTitleOfItsOwnShowsTheApplicationName)
{
    EXPECT_EQ(boxTitle("", "QMXSRV"), "QMXSRV");
    EXPECT_EQ(boxTitle("QMX-X1 [line1.qmx]", "QMXSRV"), "QMX-X1 [line1.qmx]");
}

namespace {

// Runs act on the message box as soon as it is shown.
void whenBoxShown(std::function<void(QMessageBox *)> act)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            act(box);
        }
    });
    poll->start(5);
}

} // namespace

TEST(QtMessageBoxes, AnswersWithTheButtonPressed)
{
    struct Case {
        Buttons buttons;
        QMessageBox::StandardButton press; // NoButton: Escape
        Answer expected;
    } cases[] = {
        {Buttons::Ok, QMessageBox::Ok, Answer::Ok},
        {Buttons::Ok, QMessageBox::NoButton, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Ok, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Cancel, Answer::Cancel},
        {Buttons::OkCancel, QMessageBox::NoButton, Answer::Cancel},
        {Buttons::YesNo, QMessageBox::Yes, Answer::Yes},
        {Buttons::YesNo, QMessageBox::No, Answer::No},
        {Buttons::YesNo, QMessageBox::NoButton, Answer::No},
        {Buttons::YesNoCancel, QMessageBox::Yes, Answer::Yes},
        {Buttons::YesNoCancel, QMessageBox::No, Answer::No},
        {Buttons::YesNoCancel, QMessageBox::Cancel, Answer::Cancel},
        {Buttons::YesNoCancel, QMessageBox::NoButton, Answer::Cancel},
    };
    QtMessageBoxes boxes;
    for (const Case &c : cases) {
        QString shownText, shownTitle, defaultButton;
        QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
        whenBoxShown([&](QMessageBox *box) {
            shownText = box->text();
            shownTitle = box->windowTitle();
            shownIcon = box->icon();
            defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            if (c.press == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(c.press)->click();
        });
        const Answer answer =
            boxes.show("Setup has been modified\rSave changes", "QMXSRV", c.buttons, Icon::Question);
        EXPECT_EQ(answer, c.expected) << int(c.buttons) << " pressing " << int(c.press);
        EXPECT_EQ(shownText, "Setup has been modified\nSave changes");
        EXPECT_EQ(shownTitle, "QMXSRV");
        EXPECT_EQ(shownIcon, QMessageBox::Question);
        const bool yesFirst = c.buttons == Buttons::YesNo || c.buttons == Buttons::YesNoCancel;
        EXPECT_EQ(defaultButton.remove('&'), yesFirst ? "Yes" : "OK") << "the first button is the default";
    }
}

TEST(LibraryMessages, ShownAsExclamationOkBoxWithoutTitle)
{
    ScriptedMessageBoxes boxes;
    showLibraryMessage(&boxes, "QMX-X1 not communicating -- Entering DEMO mode");
    showLibraryMessage(&boxes, nullptr);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "QMX-X1 not communicating -- Entering DEMO mode");
    EXPECT_EQ(boxes.shown[0].title, "");
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::Ok);
    EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(boxes.shown[1].text, "");
}

namespace {

// A bus on which no board answers, and a clock on which every look is a
// second later, so the library's waits cost no time.
unsigned char nothingAnswers(void *, unsigned short) { return 0; }
void takeAnything(void *, unsigned short, unsigned char) {}
long tickingClock(void *context) { return (*static_cast<long *>(context))++; }

} // namespace

TEST(LibraryMessages, TheLibraryShowsThroughTheInstalledBoxes)
{
    long now = 0;
    const QmxPortBus dead = {nullptr, nothingAnswers, takeAnything};
    QmxHostSetPortBus(&dead);
    QmxHostSetClock(tickingClock, &now);
    ScriptedMessageBoxes boxes;
    {
        LibraryMessageHandler handler(boxes);
        QmxCommInit(0, "/no/such/folder/Rdx44k.bin"); // its download failure is always shown
    }
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_NE(boxes.shown[0].text.find("Unable to open firmware file"), std::string::npos)
        << boxes.shown[0].text;
    EXPECT_EQ(boxes.shown[0].title, "");
    EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);

    const std::size_t shown = boxes.shown.size();
    QmxCommInit(0, "/no/such/folder/Rdx44k.bin"); // to stderr now
    EXPECT_EQ(boxes.shown.size(), shown) << "the handler is gone with its owner";
    QmxHostSetClock(nullptr, nullptr);
    QmxHostSetPortBus(nullptr);
}
