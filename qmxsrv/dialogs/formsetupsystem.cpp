#include "dialogs/formsetupsystem.h"

#include "core/device.h"
#include "core/messageboxes.h"
#include "core/numbertext.h"
#include "core/programstate.h"
#include "core/setupoperations.h"
#include "core/setupwindow.h"
#include "dialogs/fieldreader.h"
#include "platform/named.h"
#include "platform/qttext.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qmxsrv {

FormSetupSystem::FormSetupSystem(ProgramState &state, SetupWindow &window, QWidget *parent)
    : SetupDialog("FormSetupSystem", "System Setup", parent), state_(state), window_(window)
{
    channels_ = field("txtChannels", "Channels");
    lvdts_ = field("txtLVDT", "LVDT");
    analogs_ = field("txtAnalog", "Analog");
    digitals_ = field("txtDigital", "Digital");
    strains_ = field("txtStrain", "Strain");
    scanPeriod_ = field("txtScanPeriod", "Scan Period (milliseconds)");
    burstAvg_ = field("txtBurstAvg", "Burst Average");
    runningAvg_ = field("txtRunningAvg", "Running Average");
    decimals_ = field("txtDecimals", "Default decimal places");
    lvdtFullScale_ = field("TextLvdtFSV", "Default LVDT Full Scale");
    // No setting holds a default LVDT full scale: the box offers nothing.
    lvdtFullScale_->setEnabled(false);
    portAddress_ = field("TextQMXPortAdr", "QMX Port Address");
    firmware_ = field("TextQMXFirmware", "QMX Firmware filename");
    ddeEnable_ = named<QCheckBox>("CheckDDEEnable", "Enable DDE from Channels", this);

    tabs_ = named<QTabWidget>("SSTab1", this);
    tabs_->addTab(tab("Max Settings", {{"Channels", channels_},
                                       {"LVDT", lvdts_},
                                       {"Analog", analogs_},
                                       {"Digital", digitals_},
                                       {"Strain", strains_}}),
                  "Max Settings");
    tabs_->addTab(tab("Averaging", {{"Scan Period (milliseconds)", scanPeriod_},
                                    {"Burst Average", burstAvg_},
                                    {"Running Average", runningAvg_}}),
                  "Averaging");
    tabs_->addTab(tab("Defaults", {{"Default decimal places", decimals_},
                                   {"Default LVDT Full Scale", lvdtFullScale_},
                                   {"QMX Port Address", portAddress_},
                                   {"QMX Firmware filename", firmware_},
                                   {QString(), ddeEnable_}}),
                  "Defaults");
    QPushButton *ok = button("CommandOK", "OK");
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(ok, 0, Qt::AlignRight);

    connect(ok, &QPushButton::clicked, this, &FormSetupSystem::okClicked);
    connect(ddeEnable_, &QCheckBox::toggled, this, &FormSetupSystem::ddeClicked);

    const Settings &s = state_.settings;
    channels_->setText(qtText(numberText(s.MaxChannel)));
    lvdts_->setText(qtText(numberText(s.MaxLVDT)));
    analogs_->setText(qtText(numberText(s.MaxAnalog)));
    digitals_->setText(qtText(numberText(s.MaxDigital)));
    strains_->setText(qtText(numberText(s.MaxStrain)));
    scanPeriod_->setText(qtText(numberText(s.ScanTime / 10.0)));
    burstAvg_->setText(qtText(numberText(s.ADCAverage)));
    runningAvg_->setText(qtText(numberText(s.RunAvg)));
    decimals_->setText(qtText(numberText(s.SystemDecimals)));
    portAddress_->setText(qtText(hexText(s.QMXBaseAdr)));
    firmware_->setText(qtText(s.QMXFirmware));
    ddeEnable_->setChecked(s.DDEEnabled);
    ++state_.view.ScanHold;
}

QWidget *FormSetupSystem::tab(const QString &title,
                              std::initializer_list<std::pair<QString, QWidget *>> rows)
{
    auto *page = named<QWidget>(title, this);
    auto *form = new QFormLayout(page);
    for (const auto &[label, control] : rows) {
        if (label.isEmpty())
            form->addRow(control);
        else
            form->addRow(label, control);
    }
    return page;
}

void FormSetupSystem::okClicked()
{
    if (!ApplySettings())
        return;
    window_.UpdateMainDisplay();
    accept();
}

// Closing without OK applies nothing, but the display part of the scan must
// not stay held off until some later command rebuilds the displays.
bool FormSetupSystem::mayClose()
{
    window_.UpdateMainDisplay();
    return true;
}

bool FormSetupSystem::ApplySettings()
{
    // Every field is read before anything changes.
    FieldReader read(state_.boxes(), "Nothing has been changed.");
    const std::int16_t n = read.integer(channels_, 0, MaxItemCount);
    const std::int16_t lvdts = read.integer(lvdts_, 0, MaxItemCount);
    const std::int16_t analogs = read.integer(analogs_, 0, MaxItemCount);
    const std::int16_t digitals = read.integer(digitals_, 0, MaxItemCount);
    const std::int16_t strains = read.integer(strains_, 0, MaxItemCount);
    const std::int16_t scanTime = read.leading(scanPeriod_, 10);
    const std::int16_t adcAverage = read.leading(burstAvg_);
    const std::int16_t runAvg = read.leading(runningAvg_);
    const std::int16_t decimals = read.integer(decimals_, 0, 5);
    const std::int16_t baseAddress = read.hexadecimal(portAddress_);
    const std::string firmware = read.name(firmware_);
    if (!read.ok()) {
        for (int i = 0; i < tabs_->count(); ++i)
            if (tabs_->widget(i)->isAncestorOf(read.failedField()))
                tabs_->setCurrentIndex(i);
        read.failedField()->setFocus();
        return false;
    }

    bool result = true;
    if (!CheckMaxChannel(state_, n, false)) {
        const Answer answer = state_.boxes().show("Some groups use channels that you are removing\r"
                                                  "These channels will be removed from group",
                                                  ProgramTitle, Buttons::OkCancel, Icon::Question);
        if (answer == Answer::Cancel)
            return false;
        result = CheckMaxChannel(state_, n, true);
    }
    CreateChannels(state_, n);
    CreateLVDTs(state_, lvdts);
    CreateAnalogs(state_, analogs);
    CreateDigitals(state_, digitals);
    CreateStrains(state_, strains);

    Settings &s = state_.settings;
    s.SystemDecimals = decimals;
    Device &device = state_.device();
    s.ADCAverage = adcAverage;
    device.QmxSetAdcAvg(s.ADCAverage);
    s.RunAvg = runAvg;
    device.QmxSetRunAvg(s.RunAvg);
    s.ScanTime = scanTime;
    device.QmxSetScanTime(s.ScanTime);
    if (baseAddress != s.QMXBaseAdr) {
        s.QMXBaseAdr = baseAddress;
        s.CommStatus = static_cast<std::int16_t>(device.QmxCommInit(s.QMXBaseAdr, s.FirmwarePath));
    }
    // Named in the About box and kept in qmxsrv.ini; the board is always
    // initialised from FirmwarePath.
    s.QMXFirmware = firmware;
    return result;
}

void FormSetupSystem::ddeClicked()
{
    if (!ddeEnable_->isChecked() && state_.view.DDELinkCount != 0) {
        const Answer answer = state_.boxes().show("DDE in use by another Windows application",
                                                  ProgramTitle, Buttons::OkCancel, Icon::None);
        if (answer == Answer::Cancel) {
            ddeEnable_->setChecked(true); // runs this once more, checked
            return;
        }
    }
    state_.settings.DDEEnabled = ddeEnable_->isChecked();
}

} // namespace qmxsrv
