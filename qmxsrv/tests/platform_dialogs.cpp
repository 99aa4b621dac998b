// File dialogs: the stored filter form in Qt's terms, the scripted dialogs,
// and the Qt dialogs driven offscreen.
#include "platform/qtfiledialogs.h"
#include "platform/scriptedfiledialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qmxsrv;

TEST(FileDialogFilters, StoredFormAsQtNameFilters)
{
    struct Case {
        std::string stored;
        QStringList expected;
    } cases[] = {
        {"QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*", {"QMX Setups (*.qmx)", "All (*)"}},
        {"Setups|*.qmx", {"Setups (*.qmx)"}},
        {"Texts (*.txt;*.csv)|*.txt;*.csv", {"Texts (*.txt *.csv)"}},
        {"Texts|*.txt; *.csv;", {"Texts (*.txt *.csv)"}},
        {"Setups (*.qmx)|*.qmx|", {"Setups (*.qmx)"}},
        {"Everything", {"Everything (*)"}},
        {"|*.qmx", {"*.qmx (*.qmx)"}},
        {"", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(qtNameFilters(c.stored), c.expected) << c.stored;
}

TEST(FileDialogFilters, DefaultExtension)
{
    for (const char *written : {"qmx", ".qmx", "*.qmx", " qmx "})
        EXPECT_EQ(qtDefaultSuffix(written), "qmx") << written;
    EXPECT_EQ(qtDefaultSuffix(""), "");
}

TEST(ScriptedFileDialogs, RecordsRequestsAndAnswersInTurn)
{
    ScriptedFileDialogs dialogs;
    dialogs.answerNext("/data/line1.qmx");
    dialogs.answerNext("");
    const FileDialogRequest open{"", "QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*", "/opt/qmx", "", ""};
    const FileDialogRequest save{"", "QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*", "/opt/qmx", "",
                                 "qmx"};
    EXPECT_EQ(dialogs.openFile(open), "/data/line1.qmx");
    EXPECT_EQ(dialogs.saveFile(save), "") << "scripted cancel";
    EXPECT_EQ(dialogs.saveFile(save), "") << "an empty queue cancels";
    ASSERT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedFileDialogs::Kind::Open);
    EXPECT_EQ(dialogs.asked[0].request.folder, "/opt/qmx");
    EXPECT_EQ(dialogs.asked[1].kind, ScriptedFileDialogs::Kind::Save);
    EXPECT_EQ(dialogs.asked[1].request.defaultExtension, "qmx");
    EXPECT_EQ(dialogs.asked[2].request.filter, "QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*");
}

namespace {

// Runs act on the file dialog as soon as it is shown.
void whenDialogShown(std::function<void(QFileDialog *)> act)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(5);
}

struct Seen {
    QStringList filters;
    QString selectedFilter, folder;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
};

} // namespace

TEST(QtFileDialogs, SaveOffersTheRequestAndAddsTheExtension)
{
    QTemporaryDir folder;
    const FileDialogRequest request{"", "QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*",
                                    folder.path().toStdString(), "", "qmx"};
    QtFileDialogs dialogs;
    Seen seen;
    whenDialogShown([&](QFileDialog *dialog) {
        seen = {dialog->nameFilters(), dialog->selectedNameFilter(),
                dialog->directory().absolutePath(), dialog->acceptMode()};
        dialog->selectFile("line1");
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept, as the button does
    });
    EXPECT_EQ(dialogs.saveFile(request), folder.path().toStdString() + "/line1.qmx");
    EXPECT_EQ(seen.filters, QStringList({"QMX Setups (*.qmx)", "All (*)"}));
    EXPECT_EQ(seen.selectedFilter, "QMX Setups (*.qmx)");
    EXPECT_EQ(seen.folder, folder.path());
    EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
}

TEST(QtFileDialogs, OpenGivesThePathOrNothingWhenCancelled)
{
    QTemporaryDir folder;
    QFile existing(folder.filePath("line2.qmx"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    const FileDialogRequest request{"", "QMX Setups (*.qmx)|*.qmx|All (*.*)|*.*",
                                    folder.path().toStdString(), "", ""};
    QtFileDialogs dialogs;
    Seen seen;
    whenDialogShown([&](QFileDialog *dialog) {
        seen.mode = dialog->acceptMode();
        dialog->selectFile("line2.qmx");
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept, as the button does
    });
    EXPECT_EQ(dialogs.openFile(request), folder.filePath("line2.qmx").toStdString());
    EXPECT_EQ(seen.mode, QFileDialog::AcceptOpen);

    whenDialogShown([](QFileDialog *dialog) { dialog->reject(); });
    EXPECT_EQ(dialogs.openFile(request), "");
}
