// The program running on the simulated board as an operator meets it: started
// in a folder of its own, its live values on a port the system picks, the
// board's firmware running and its readings exactly where a test puts them,
// with scripted message boxes and file dialogs.
#pragma once

#include "dialogs_support.h"

#include "core/messageboxes.h"
#include "core/programstate.h"
#include "mainwindow/formmain.h"
#include "mainwindow/program.h"
#include "platform/scriptedfiledialogs.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace qmxtest {

// Runs `during` inside the next box, as a box's own event loop would run
// whatever comes due while it is open.
class NestingBoxes : public qmxsrv::ScriptedMessageBoxes {
public:
    qmxsrv::Answer show(const std::string &text, const std::string &title,
                        qmxsrv::Buttons buttons, qmxsrv::Icon icon) override
    {
        if (auto run = std::exchange(during, nullptr))
            run();
        return ScriptedMessageBoxes::show(text, title, buttons, icon);
    }
    std::function<void()> during;
};

class Running : public ::testing::Test {
protected:
    static constexpr char Counts[] = "MaxChannel=8\r\nMaxLVDT=4\r\nMaxAnalog=2\r\n";

    Running()
    {
        ::setenv("QMX_PORTS", "sim", 1);
        board.reset(qmxboard::Start::Running);
        board.freeze();
    }
    // Main with this qmxsrv.ini ("" for none) and command line.
    qmxsrv::Program::Started launch(const std::string &settings, const std::string &commandLine)
    {
        if (!settings.empty())
            writeFile(dir.file("qmxsrv.ini"), settings);
        program.reset();
        program = std::make_unique<qmxsrv::Program>(boxes, dialogs);
        qmxsrv::StartOptions options;
        options.programFolder = QString::fromStdString(dir.path());
        options.commandLine = commandLine;
        options.link = qmxsrv::LinkEndpoint{QHostAddress(QHostAddress::LocalHost), 0};
        return program->Main(options);
    }
    // Running, qmxsrv.ini gone (what the exit writes shows), no board traffic yet.
    void start(const std::string &settings = Counts, const std::string &commandLine = {})
    {
        ASSERT_EQ(launch(settings, commandLine), qmxsrv::Program::Started::Running);
        std::filesystem::remove(dir.file("qmxsrv.ini"));
        board.clearTraffic();
    }

    qmxsrv::ProgramState &state() { return program->state(); }
    qmxsrv::FormMain &form() { return program->window(); }
    QAction *item(const char *name) { return control<QAction>(&form(), name); }
    void choose(const char *name) { item(name)->trigger(); }
    void press(const char *button)
    {
        QTest::mouseClick(control<QPushButton>(&form(), button), Qt::LeftButton);
    }
    // The board calls since the last look, and start afresh.
    std::vector<std::string> calls()
    {
        std::vector<std::string> c = board.calls();
        board.clearTraffic();
        return c;
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto &s : boxes.shown)
            texts.push_back(s.text);
        return texts;
    }
    template <typename W> W *window()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<W *>(w))
                return found;
        return nullptr;
    }
    // Runs script on the modal dialog that the next command opens (or that
    // one just queued opens; none for no name); the command returns once the
    // script has closed it. Any other dialog is a failure, and closed.
    void whenOpen(const char *name, std::function<void(QDialog *)> script)
    {
        QTimer::singleShot(0, [name, script] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            const bool expected = dialog && name && dialog->objectName() == name;
            if (expected)
                script(dialog);
            else if (dialog || name)
                ADD_FAILURE() << (name ? name : "no dialog") << " expected, "
                              << (dialog ? dialog->objectName().toStdString() : "none") << " open";
            if (dialog && dialog->isVisible()) {
                EXPECT_FALSE(expected) << name << " left open";
                dialog->done(QDialog::Rejected);
            }
        });
    }

    qmxboard::Control board;
    NestingBoxes boxes;
    qmxsrv::ScriptedFileDialogs dialogs;
    TempDir dir;
    std::unique_ptr<qmxsrv::Program> program;
};

} // namespace qmxtest
