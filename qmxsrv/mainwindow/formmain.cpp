#include "mainwindow/formmain.h"

#include "core/device.h"
#include "core/messageboxes.h"
#include "core/programstate.h"
#include "core/settings.h"
#include "core/setupfile.h"
#include "dialogs/formaboutqmxsrv.h"
#include "dialogs/formmastering.h"
#include "dialogs/formsetupanalog.h"
#include "dialogs/formsetupchan.h"
#include "dialogs/formsetupgroup.h"
#include "dialogs/formsetuplvdt.h"
#include "dialogs/formsetupsystem.h"
#include "displays/formgriddisplay.h"
#include "displays/formlingage.h"
#include "displays/formselectgroup.h"
#include "platform/named.h"
#include "platform/qttext.h"
#include "service/livevalueservice.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <limits>

namespace qmxsrv {

namespace {

constexpr char SetupModifiedText[] = "Setup has been modified\rSave changes";
constexpr char ConversationsOpenText[] = "Other applications are using this application\r"
                                         "Do you really want to exit the application?";

// Runs command when the menu item is chosen.
template <typename F> void onTriggered(QAction *action, QObject *context, F command)
{
    QObject::connect(action, &QAction::triggered, context, command);
}

// An LVDT or analog setup dialog, modal; while it is open the scan takes the
// input's number from its number box and writes the value into its value box.
void execInputSetup(ScanCycle &scan, void (ScanCycle::*tick)(const ScanCycle::InputReader &),
                    QDialog &dialog, QLineEdit *number, QLineEdit *value)
{
    QObject::connect(&scan, tick, &dialog, [number, value](const ScanCycle::InputReader &read) {
        if (const std::optional<std::string> text = read(storedText(number->text())))
            value->setText(qtText(*text));
    });
    dialog.exec();
}

} // namespace

FormMain::FormMain(ProgramState &state, FileDialogs &dialogs, std::optional<LinkEndpoint> link,
                   QWidget *parent)
    : QMainWindow(parent), state_(state), link_(std::move(link)), files_(state, *this, dialogs),
      results_(state, dialogs, *this), studies_(state, dialogs, *this, results_),
      masterings_(state, results_, dialogs, *this), menus_(buildMainMenus(*menuBar())),
      service_(new LiveValueService(this)), LabelChan_(*service_), scan_(state),
      Timer1(named<QTimer>("Timer1", this))
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QString::fromLatin1(Title));
    auto *central = new QWidget(this);
    buttons_ = buildMainButtons(*central);
    setCentralWidget(central);

    // Every window that the scan writes into is the receiver of its
    // connection: the connection goes when the window does.
    connect(&scan_, &ScanCycle::labelChanValue, this,
            [this](std::int16_t ch, const std::string &text) {
                LabelChan_.setCaption(ch, qtText(text));
            });

    connect(service_, &LiveValueService::conversationOpened, this,
            [this] { state_.view.ddeLinkOpened(); });
    connect(service_, &LiveValueService::conversationClosed, this,
            [this] { state_.view.ddeLinkClosed(); });
    connect(Timer1, &QTimer::timeout, this, &FormMain::Timer1_Timer);
    spc_ = std::make_unique<SpcCommands>(state_, results_, *service_, *this);
    wireCommands();
    startFeed();
}

FormMain::~FormMain() = default;

void FormMain::wireCommands()
{
    const MainMenus &m = menus_;
    onTriggered(m.NewFile, this, [this] { files_.NewFile(); });
    onTriggered(m.OpenFile, this, [this] { files_.OpenFile(); });
    onTriggered(m.SaveFile, this, [this] { files_.SaveFile(); });
    onTriggered(m.SaveAsFile, this, [this] { files_.SaveAsFile(); });
    onTriggered(m.ExitProgram, this, [this] { SaveSettingsAndClose(); });

    onTriggered(m.EnableGrid, this, [this](bool checked) { applyGrid(checked); });
    onTriggered(m.EnableBarGraphs, this, [this](bool checked) { applyBarGraphs(checked); });
    onTriggered(m.ViewGroups, this, [this] { ViewGroups_Click(); });
    onTriggered(m.ViewChannels, this, [this] { showMode(ViewState::ShowChannels); });
    onTriggered(m.ViewLVDTs, this, [this] {
        // Its own UpdateMainDisplay lowers it again: no net change.
        if (state_.view.ScanHold < std::numeric_limits<std::int16_t>::max())
            ++state_.view.ScanHold;
        showMode(ViewState::ShowLVDTs);
    });
    onTriggered(m.ViewAnalogs, this, [this] { showMode(ViewState::ShowAnalogs); });
    onTriggered(m.UpdateToggle, this, [this](bool checked) { UpdateToggle_Click(checked); });

    onTriggered(m.ZeroChannel, this, [this] { ZeroChannel_Click(); });
    onTriggered(m.MasterChannel, this, [this] { MasterChannel_Click(); });
    onTriggered(m.SetupChannels, this, [this] { SetupChannels_Click(); });
    onTriggered(m.SetupGroups, this, [this] { SetupGroups_Click(); });
    onTriggered(m.SetupLVDTs, this, [this] { SetupLVDTs_Click(); });
    onTriggered(m.SetupAnalog, this, [this] { SetupAnalog_Click(); });
    onTriggered(m.SetupGeneral, this, [this] { runSystemSetup(); });
    // While the study window is open on a study, F9 takes the study's reading:
    // no part is recorded between a study's readings.
    onTriggered(m.MnuRecordPart, this, [this] {
        if (studies_.takesRecord())
            studies_.TakeReading();
        else
            results_.RecordPart();
    });
    onTriggered(m.MnuPartSerial, this, [this] { results_.PartSerial(); });
    onTriggered(m.MnuOperator, this, [this] { results_.Operator(); });
    onTriggered(m.MnuExportResults, this, [this] { results_.ExportResults(); });
    onTriggered(m.MnuShowResults, this, [this] { results_.ShowResults(); });
    onTriggered(m.MnuControlPlan, this, [this] { spc_->ControlPlan(); });
    onTriggered(m.MnuAlarms, this, [this] { spc_->Alarms(); });
    onTriggered(m.MnuGaugeStudy, this, [this] { studies_.GaugeStudy(); });
    onTriggered(m.MnuMasteringRecord, this, [this] { masterings_.ShowMasteringRecord(); });
    onTriggered(m.AboutQMXSRV, this, [this] { runAbout(); });

    const MainButtons &b = buttons_;
    connect(b.CommandResetMM, &QPushButton::clicked, this, [this] { CommandResetMM_Click(); });
    connect(b.CommandZero, &QPushButton::clicked, this, [this] { ZeroChannel_Click(); });
    connect(b.CommandMaster, &QPushButton::clicked, this, [this] { MasterChannel_Click(); });
    connect(b.CommandBarGraphs, &QPushButton::clicked, this, [this] { EnableBarGraphs_Click(); });
    connect(b.CommandNumbers, &QPushButton::clicked, this, [this] { EnableGrid_Click(); });
    LabelChan_.serveReadings(scan_);
    service_->setCommandHandler([this](const QJsonObject &command, LiveValueService::Reply reply) {
        runRemoteCommand(command, reply);
    });
    // A part may make a channel due: the count of its setup is one more.
    results_.setOnChange([this] {
        tellServiceResults();
        masterings_.refreshDue();
    });
    results_.setPartMarker([this](PartRow &part) { masterings_.markPart(part); });
    results_.setRecordHooks(
        {[this] { return spc_->holdReason(); },
         [this](ResultsStore &store, const PartRow &part, std::int64_t id, std::string &error) {
             return spc_->write(store, part, id, error);
         },
         [this](bool kept) { spc_->recorded(kept); }});
    // The service answers from what it was told last: the board's state
    // after every tick, even one skipped inside a device call.
    connect(&scan_, &ScanCycle::ticked, this, &FormMain::tellServiceStation);
}

void FormMain::tellServiceStation()
{
    // Asked from inside a call's message box, the device owner refuses;
    // the board's state is then as it was last seen.
    if (!state_.device().callInProgress())
        boardDemo_ = state_.device().QmxHostDemoMode() != 0;
    service_->setStation({boardDemo_, qtText(state_.view.SetupFileName)});
}

void FormMain::tellServiceResults()
{
    const std::optional<std::int64_t> parts = results_.partCount();
    // A store that cannot count its parts will not keep the next one either.
    service_->setResults({parts, results_.recording() && parts.has_value()});
}

void FormMain::load(const std::string &commandLine)
{
    state_.view.DisplayMode = ViewState::ShowLVDTs;
    if (!commandLine.empty())
        files_.loadNamed(commandLine);
    UpdateMainDisplay();
    spc_->setupLoaded();
    tellServiceStation();
    tellServiceResults();
    listen();
    LabelChan_.follow(state_.Channels.Count());
    Timer1->start(ScanInterval);
    state_.view.ScanHold = 0;
    menus_.UpdateToggle->trigger();
}

void FormMain::listen()
{
    if (!link_ || service_->listen(*link_))
        return;
    tell(state_.boxes(),
         "Live values cannot be served on " + storedText(link_->address.toString()) + " port " +
             std::to_string(link_->port) + ": " + storedText(service_->errorString()));
}

// A setup was loaded or made anew: the charts of its plans start afresh.
void FormMain::showSetupTitle(const std::string &title)
{
    setWindowTitle(qtText(title));
    if (spc_)
        spc_->setupLoaded();
}

void FormMain::UpdateMainDisplay()
{
    publishSetup();
    masterings_.refreshDue(); // another setup, or channels with a formula added or taken away
    tellServiceStation();
    LabelChan_.follow(state_.Channels.Count());
    scan_.resetLastValues();
    if (menus_.EnableGrid->isChecked())
        UpdateGridDisplay();
    if (menus_.EnableBarGraphs->isChecked())
        UpdateBarDisplay();
    state_.view.releaseScanHold();
}

void FormMain::Timer1_Timer()
{
    LabelChan_.follow(state_.Channels.Count());
    scan_.tick();
}

void FormMain::CommandResetMM_Click() { state_.device().QmxResetMM(); }

void FormMain::UpdateToggle_Click(bool checked) { state_.view.UpdateEnabled = checked; }

void FormMain::EnableGrid_Click() { menus_.EnableGrid->trigger(); }

void FormMain::EnableBarGraphs_Click() { menus_.EnableBarGraphs->trigger(); }

void FormMain::applyGrid(bool checked)
{
    if (checked)
        UpdateMainDisplay();
    showGridWindow(checked);
}

void FormMain::applyBarGraphs(bool checked)
{
    if (checked)
        UpdateMainDisplay();
    showBarWindow(checked);
}

bool FormMain::CheckForAnyGroups() const
{
    for (const group &g : state_.Groups) {
        if (g.Count() > 0)
            return true;
    }
    return false;
}

void FormMain::ViewGroups_Click()
{
    if (!CheckForAnyGroups()) {
        tell(state_.boxes(), "No groups exist");
        return;
    }
    runSelectGroup();
    state_.view.DisplayMode = ViewState::ShowGroup;
    UpdateMainDisplay();
}

void FormMain::showMode(std::int16_t mode)
{
    state_.view.DisplayMode = mode;
    UpdateMainDisplay();
}

void FormMain::GotoSetupFromView(std::int16_t &Index)
{
    const std::int16_t current = state_.view.CurrentGroup;
    switch (state_.view.DisplayMode) {
    case ViewState::ShowGroup: {
        const std::int16_t ch =
            state_.Groups.contains(current) ? state_.Groups.Item(current).GetChannel(Index) : 0;
        if (!state_.Channels.contains(ch))
            return;
        runChannelSetup(ch);
        break;
    }
    case ViewState::ShowChannels:
        if (!state_.Channels.contains(Index))
            return;
        runChannelSetup(Index);
        break;
    case ViewState::ShowLVDTs:
        if (!state_.LVDTs.contains(Index))
            return;
        runLvdtSetup(Index);
        break;
    case ViewState::ShowAnalogs:
        if (!state_.Analogs.contains(Index))
            return;
        runAnalogSetup(Index);
        break;
    default: return;
    }
    UpdateMainDisplay();
}

void FormMain::ZeroChannel_Click()
{
    state_.view.MasteringZeroMode = true;
    runMastering();
}

void FormMain::MasterChannel_Click()
{
    state_.view.MasteringZeroMode = false;
    runMastering();
}

void FormMain::SetupChannels_Click()
{
    runChannelSetup(std::nullopt);
    UpdateMainDisplay();
}

void FormMain::SetupGroups_Click()
{
    runGroupSetup();
    UpdateMainDisplay();
}

void FormMain::SetupLVDTs_Click()
{
    runLvdtSetup(std::nullopt);
    UpdateMainDisplay();
}

void FormMain::SetupAnalog_Click()
{
    runAnalogSetup(std::nullopt);
    UpdateMainDisplay();
}

void FormMain::SaveSettingsAndClose()
{
    WriteSettings(state_.settings, false, state_.boxes());
    close();
}

void FormMain::stopFromOutside(MessageBoxes &console)
{
    if (stopping_)
        return;
    // The setup text reads the calibrations from the board.
    if (state_.device().callInProgress()) {
        QTimer::singleShot(ScanInterval / 4, this, [this, &console] { stopFromOutside(console); });
        return;
    }
    stopping_ = true;
    if (state_.view.SetupModified) {
        std::string error;
        const std::string path = SaveRecoveryFile(state_, state_.settings.AppPath, error);
        if (path.empty())
            tell(console,
                 "Unsaved setup changes are lost: cannot write a recovery file in " +
                     state_.settings.AppPath + "\r" + error,
                 Icon::Exclamation);
        else
            tell(console, "Unsaved setup changes written to " + path);
    }
    WriteSettings(state_.settings, true, console);
    close();
    QApplication::quit();
}

void FormMain::closeEvent(QCloseEvent *event)
{
    if (!stopping_ && !queryUnload()) {
        event->ignore();
        return;
    }
    Timer1->stop();
    unloadDisplayWindows();
    // The program ends with this window: none of ours may keep it running.
    results_.closeWindows();
    spc_->closeWindows();
    studies_.closeWindows();
    masterings_.closeWindows();
    event->accept();
}

bool FormMain::queryUnload()
{
    MessageBoxes &boxes = state_.boxes();
    if (state_.view.SetupModified) {
        const Answer answer =
            boxes.show(SetupModifiedText, ProgramTitle, Buttons::YesNoCancel, Icon::Question);
        if (answer == Answer::Cancel)
            return false;
        if (answer == Answer::Yes)
            files_.SaveAsFile();
    }
    bool refused = false;
    if (state_.view.DDELinkCount > 0)
        refused = boxes.show(ConversationsOpenText, storedText(windowTitle()), Buttons::YesNo,
                             Icon::Question) == Answer::No;
    WriteSettings(state_.settings, true, boxes);
    return !refused;
}

// The setup dialogs are made for each opening; what they keep between
// openings is in setupMemory_. Their live-value boxes are the scan's while
// they are open.
void FormMain::runChannelSetup(std::optional<std::int16_t> item)
{
    FormSetupChan dialog(state_, setupMemory_.channel, this);
    if (item)
        dialog.SetCurrentChannel(*item);
    connect(&scan_, &ScanCycle::channelSetupValue, &dialog, [&dialog](const std::string &text) {
        dialog.TextChannelValue()->setText(qtText(text));
    });
    dialog.exec();
}

void FormMain::runLvdtSetup(std::optional<std::int16_t> item)
{
    FormSetupLvdt dialog(state_, setupMemory_.lvdt, this);
    if (item)
        dialog.SetCurrentLvdt(*item);
    execInputSetup(scan_, &ScanCycle::lvdtSetupTick, dialog, dialog.TextCurrentLvdt(),
                   dialog.TextCLvdtValue());
}

void FormMain::runAnalogSetup(std::optional<std::int16_t> item)
{
    FormSetupAnalog dialog(state_, setupMemory_.analog, this);
    if (item)
        dialog.SetCurrentAnalog(*item);
    execInputSetup(scan_, &ScanCycle::analogSetupTick, dialog, dialog.TextCurrentAnalog(),
                   dialog.TextCAnalogValue());
}

void FormMain::runGroupSetup()
{
    FormSetupGroup dialog(state_, this);
    dialog.exec();
}

// Its OK and its close run UpdateMainDisplay themselves.
void FormMain::runSystemSetup()
{
    FormSetupSystem dialog(state_, *this, this);
    dialog.exec();
}

void FormMain::runSelectGroup()
{
    FormSelectGroup dialog(state_, this);
    dialog.exec();
}

void FormMain::runMastering()
{
    if (!mastering_) {
        mastering_ = new FormMastering(state_, this);
        connect(&scan_, &ScanCycle::masteringValue, mastering_, &FormMastering::showChannelValue);
        masterings_.watch(*mastering_);
    }
    mastering_->exec();
}

void FormMain::runAbout()
{
    FormAboutQMXSRV about(state_, this);
    about.exec();
}

void FormMain::showGridWindow(bool visible)
{
    if (visible) {
        if (!FormGridDisplay_) // UpdateMainDisplay has made it when checked
            UpdateGridDisplay();
        FormGridDisplay_->show();
        FormGridDisplay_->raise();
    } else if (FormGridDisplay_) {
        FormGridDisplay_->hide();
    }
}

void FormMain::showBarWindow(bool visible)
{
    if (visible) {
        if (!FormLinGage_)
            UpdateBarDisplay();
        FormLinGage_->show();
        FormLinGage_->raise();
    } else if (FormLinGage_) {
        FormLinGage_->hide();
    }
}

void FormMain::UpdateGridDisplay()
{
    if (!FormGridDisplay_) {
        FormGridDisplay_ = std::make_unique<FormGridDisplay>(state_, *this);
        // The check mark is read afresh for every value.
        connect(&scan_, &ScanCycle::gridValue, FormGridDisplay_.get(),
                [this](std::int16_t N, const std::string &NValue) {
                    if (menus_.EnableGrid->isChecked())
                        FormGridDisplay_->SetGridValue(N, NValue);
                });
    }
    FormGridDisplay_->UpdateGridDisplay();
}

void FormMain::UpdateBarDisplay()
{
    if (!FormLinGage_) {
        FormLinGage_ = std::make_unique<FormLinGage>(state_, *this);
        connect(&scan_, &ScanCycle::barValue, FormLinGage_.get(),
                [this](std::int16_t N, float BValue, bool measured) {
                    if (menus_.EnableBarGraphs->isChecked())
                        FormLinGage_->SetBarValue(N, BValue, measured);
                });
    }
    FormLinGage_->UpdateBarDisplay();
}

void FormMain::unloadDisplayWindows()
{
    if (FormLinGage_)
        FormLinGage_->unload();
    if (FormGridDisplay_)
        FormGridDisplay_->unload();
}

} // namespace qmxsrv
