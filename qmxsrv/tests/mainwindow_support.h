// The program running on the simulated board as an operator meets it: started
// in a folder of its own, its live values on a port the system picks, the
// board's firmware running and its readings exactly where a test puts them,
// with scripted message boxes and file dialogs.
#pragma once

#include "dialogs_support.h"

#include "mainwindow/formmain.h"
#include "mainwindow/program.h"
#include "platform/scriptedfiledialogs.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <functional>

namespace qmxtest {

class Running : public OnSim {
protected:
    static constexpr char Counts[] = "MaxChannel=8\r\nMaxLVDT=4\r\nMaxAnalog=2\r\n";

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

    qmxsrv::ScriptedFileDialogs dialogs;
    std::unique_ptr<qmxsrv::Program> program;
};

} // namespace qmxtest
