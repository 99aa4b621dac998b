// Message boxes and file dialogs: the texts and titles the Qt boxes show, the
// device library's messages, and the stored filter form in Qt's terms.
#include "platform/librarymessages.h"
#include "platform/qtfiledialogs.h"
#include "platform/qtmessageboxes.h"
#include "platform/qttext.h"
#include "qmxcom32.h"
#include "qmxcom32_host.h"

#include <gmock/gmock.h>

using namespace qmxsrv;
using ::testing::ElementsAre;
using ::testing::FieldsAre;
using ::testing::HasSubstr;

TEST(QtText, Utf8OrElseLatin1)
{
    struct Case {
        std::string stored;
        QString shown;
    } cases[] = {
        {"Durchmesser \xc3\xa4u\xc3\x9f", QString::fromUtf8("Durchmesser \xc3\xa4u\xc3\x9f")},
        {"Durchmesser \xe4u\xdf", QString::fromUtf8("Durchmesser \xc3\xa4u\xc3\x9f")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(qtText(c.stored), c.shown) << c.stored;
    EXPECT_EQ(storedText(QString::fromUtf8("\xc3\xa4")), "\xc3\xa4");
}

TEST(QtMessageBoxes, CarriageReturnsAreLineBreaksAndTheTitleIsNeverEmpty)
{
    struct Case {
        std::string text;
        QString shown;
    } cases[] = {
        {"Setup has been modified\rSave changes", "Setup has been modified\nSave changes"},
        {"one\r\ntwo", "one\ntwo"},
        {"one\r\rtwo", "one\n\ntwo"},
        {"one\ntwo", "one\ntwo"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(boxText(c.text), c.shown) << c.text;
    // No title of its own: the application's name.
    EXPECT_EQ(boxTitle("", "QMXSRV"), "QMXSRV");
    EXPECT_EQ(boxTitle("QMX-X1 [line1.qmx]", "QMXSRV"), "QMX-X1 [line1.qmx]");
}

TEST(FileDialogFilters, StoredFormInQtTerms)
{
    struct Case {
        std::string stored;
        QStringList expected;
    } cases[] = {
        {"QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*", {"QMX Setups (*.qmx)", "All (*)"}},
        {"Texts (*.txt;*.csv)|*.txt; *.csv;", {"Texts (*.txt *.csv)"}},
        {"Everything", {"Everything (*)"}},
        {"", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(qtNameFilters(c.stored), c.expected) << c.stored;
    for (const char *written : {"qmx", ".qmx", "*.qmx"})
        EXPECT_EQ(qtDefaultSuffix(written), "qmx") << written;
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
    // No caption of its own.
    EXPECT_THAT(boxes.shown, ElementsAre(FieldsAre(HasSubstr("Unable to open firmware file"), "",
                                                   Buttons::Ok, Icon::Exclamation)));

    const std::size_t shown = boxes.shown.size();
    QmxCommInit(0, "/no/such/folder/Rdx44k.bin"); // to stderr now
    EXPECT_EQ(boxes.shown.size(), shown) << "the handler is gone with its owner";
    QmxHostSetClock(nullptr, nullptr);
    QmxHostSetPortBus(nullptr);
}
