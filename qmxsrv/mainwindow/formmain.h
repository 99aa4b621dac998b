// FormMain: the program's one permanent window. It holds the scan timer and
// the scan cycle, serves the DDE items (the live-value service), keeps the
// view state's commands (View, Zero, Master, Setup, About, the five buttons),
// runs the File and Results commands and the exit, and opens every other
// window.
//
// Each window that opens from here has one private method that is the only
// place that opens it (run... for the modal ones, show.../Update... for the
// two display windows); what belongs around the opening is done by the
// commands that call them.
#pragma once

#include "core/mainwindowcommands.h"
#include "core/messageboxes.h"
#include "dialogs/setupmemory.h"
#include "mainwindow/filecommands.h"
#include "mainwindow/labelchan.h"
#include "mainwindow/mainmenus.h"
#include "mainwindow/masteringcommands.h"
#include "mainwindow/resultscommands.h"
#include "mainwindow/scancycle.h"
#include "mainwindow/spccommands.h"
#include "mainwindow/studycommands.h"
#include "service/linkendpoint.h"

#include <QJsonObject>
#include <QLabel>
#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace qmxsrv {

class FileDialogs;
class FormGridDisplay;
class FormLinGage;
class FormMastering;
class LiveValueService;
class MessageBoxes;
class ProgramState;

class FormMain : public QMainWindow, public MainWindowCommands {
    Q_OBJECT
public:
    static constexpr int ScanInterval = 400; // ms; ScanTime is the board's own period
    static constexpr char Title[] = "QMX-X1";

    // link: where the live-value service listens; none, and it does not.
    FormMain(ProgramState &state, FileDialogs &dialogs, std::optional<LinkEndpoint> link,
             QWidget *parent = nullptr);
    ~FormMain() override;

    // The window's load: display mode LVDTs, the setup named on the command
    // line (the whole of it, when not empty), the displays, the DDE items
    // and the service, the 400 ms timer, ScanHold 0 and Update on.
    void load(const std::string &commandLine);

    // MainWindowCommands
    void showSetupTitle(const std::string &title) override;
    // LastValue anew for the display mode, the open display windows rebuilt,
    // the DDE items following the channel count, ScanHold lowered by one.
    void UpdateMainDisplay() override;
    void GotoSetupFromView(std::int16_t &Index) override;
    void EnableGrid_Click() override;
    void EnableBarGraphs_Click() override;

    // True when a group holds at least one channel.
    bool CheckForAnyGroups() const;
    // File > Exit: qmxsrv.ini written, then the window asked to close.
    void SaveSettingsAndClose();
    // A stop from outside the window (SIGTERM, SIGINT, SIGHUP), where nobody can
    // answer a box: messages go to console, unsaved setup changes to a
    // recovery file in the program folder (never the operator's file),
    // qmxsrv.ini is written as the close writes it, and the program ends.
    // Waits for a device call in progress to end first.
    void stopFromOutside(MessageBoxes &console);

    // For wiring the displays and dialogs in, and for tests.
    ScanCycle &scanCycle() { return scan_; }
    const LabelChan &labelChan() const { return LabelChan_; }
    LiveValueService &liveValues() { return *service_; }
    const MainMenus &menus() const { return menus_; }
    ResultsCommands &results() { return results_; }
    SpcCommands &spc() { return *spc_; }
    StudyCommands &studies() { return studies_; }
    MasteringCommands &masterings() { return masterings_; }
    MqttFeed *feed() { return feed_.get(); }

protected:
    // Asks about a modified setup and open conversations, writes qmxsrv.ini
    // and, unless refused, unloads the display windows.
    void closeEvent(QCloseEvent *event) override;

private:
    void wireCommands();
    void listen();
    // What the live-value service's status tells, handed to it.
    void tellServiceStation();
    void tellServiceResults();
    void Timer1_Timer();
    void CommandResetMM_Click();
    void UpdateToggle_Click(bool checked);
    void applyGrid(bool checked);
    void applyBarGraphs(bool checked);
    void ViewGroups_Click();
    void showMode(std::int16_t mode);
    void ZeroChannel_Click();
    void MasterChannel_Click();
    void SetupChannels_Click();
    void SetupGroups_Click();
    void SetupLVDTs_Click();
    void SetupAnalog_Click();
    // Whether the close may go ahead; qmxsrv.ini is written unless cancelled.
    bool queryUnload();

    // The one place each later window opens.
    // Modal; item, when given, goes to SetCurrentChannel/Lvdt/Analog first.
    void runChannelSetup(std::optional<std::int16_t> item);
    void runLvdtSetup(std::optional<std::int16_t> item);
    void runAnalogSetup(std::optional<std::int16_t> item);
    void runGroupSetup();
    void runSystemSetup();
    void runSelectGroup();
    // A command from another program through the live-value service
    // (record, reset-maxmin, view, load); never waits on the operator.
    void runRemoteCommand(const QJsonObject &command,
                          const std::function<void(const QString &)> &reply, int attempt = 0);
    void remoteLoad(const QString &setup, QJsonObject answer,
                    const std::function<void(const QString &)> &reply);
    // What action would have shown the operator, shown to nobody.
    std::vector<ScriptedMessageBoxes::Shown> withoutOperator(const std::function<void()> &action);
    // The board's start-up again (as the system setup's OK runs it) and every
    // channel's formula sent again: a board that came back after it stopped
    // answering leaves demonstration mode.
    void reconnectBoard();
    // MasteringZeroMode is set before.
    void runMastering();
    void runAbout();
    // The numeric (Grid) and bar (Bar) windows: modeless, made on first
    // use, shown or hidden; rebuilt by UpdateMainDisplay while checked;
    // unloaded when this window unloads.
    void showGridWindow(bool visible);
    void showBarWindow(bool visible);
    void UpdateGridDisplay();
    void UpdateBarDisplay();
    void unloadDisplayWindows();

    ProgramState &state_;
    std::optional<LinkEndpoint> link_;
    FileCommands files_;
    ResultsCommands results_;
    StudyCommands studies_;        // after results_, whose store its window uses
    MasteringCommands masterings_; // records what the mastering dialog does
    MainMenus menus_;
    MainButtons buttons_{};
    LiveValueService *service_;
    LabelChan LabelChan_;
    ScanCycle scan_;
    QTimer *Timer1;
    // Made on first use and kept for the run: its channel and step survive closing.
    FormMastering *mastering_ = nullptr;
    // Windows of their own, made on first use; no parent, so that they stand
    // beside this window rather than always above it.
    std::unique_ptr<FormGridDisplay> FormGridDisplay_;
    std::unique_ptr<FormLinGage> FormLinGage_;
    SetupDialogsMemory setupMemory_; // the setup dialogs' items and switches
    // Set by stopFromOutside: the close asks nothing.
    bool stopping_ = false;
    bool boardDemo_ = true; // as last asked

    std::unique_ptr<SpcCommands> spc_;

    // The plant's feed, when QMXSRV_MQTT names a broker; it goes before the
    // results it reads parts from.
    void startFeed();
    void publishSetup();
    void publishChangedChannels();
    std::unique_ptr<MqttFeed> feed_;
    QLabel *feedState_ = nullptr;
};

} // namespace qmxsrv
