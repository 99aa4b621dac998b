// File dialogs: the stored filter form in Qt's terms, the scripted dialogs.
#include "platform/qtfiledialogs.h"
#include "platform/scriptedfiledialogs.h"


#include <gtest/gtest.h>


using namespace qmxsrv;

namespace {
const std::string setupFilter = "QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*";
}

TEST(FileDialogFilters, StoredFormInQtTerms)
{
    struct Case {
        std::string stored;
        QStringList expected;
    } cases[] = {
        {setupFilter, {"QMX Setups (*.qmx)", "All (*)"}},
        {"Setups|*.qmx", {"Setups (*.qmx)"}},
        {"Texts (*.txt;*.csv)|*.txt; *.csv;", {"Texts (*.txt *.csv)"}},
        {"Setups (*.qmx)|*.qmx|", {"Setups (*.qmx)"}},
        {"Everything", {"Everything (*)"}},
        {"", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(qtNameFilters(c.stored), c.expected) << c.stored;
    for (const char *written : {"qmx", ".qmx", "*.qmx"})
        EXPECT_EQ(qtDefaultSuffix(written), "qmx") << written;
}

TEST(ScriptedFileDialogs, RecordsRequestsAndAnswersInTurn)
{
    ScriptedFileDialogs dialogs;
    dialogs.answerNext("/data/line1.qmx");
    const FileDialogRequest open{"", setupFilter, "/opt/qmx", "", ""};
    const FileDialogRequest save{"", setupFilter, "/opt/qmx", "", "qmx"};
    EXPECT_EQ(dialogs.openFile(open), "/data/line1.qmx");
    EXPECT_EQ(dialogs.saveFile(save), "") << "an empty queue cancels";
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedFileDialogs::Kind::Open);
    EXPECT_EQ(dialogs.asked[0].request.folder, "/opt/qmx");
    EXPECT_EQ(dialogs.asked[1].kind, ScriptedFileDialogs::Kind::Save);
    EXPECT_EQ(dialogs.asked[1].request.defaultExtension, "qmx");
}

