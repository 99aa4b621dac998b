#include "formaboutqmxsrv.h"

#include "programicon.h"

#include "core/device.h"
#include "core/programstate.h"
#include "platform/named.h"
#include "platform/qtmessageboxes.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <initializer_list>

namespace qmxsrv {

static std::string lines(std::initializer_list<std::string> texts)
{
    std::string block;
    for (const std::string &t : texts)
        block += t + '\r';
    return block;
}

std::string programBlock()
{
    return lines(
        {"Qmxsrv program", "Version 1.0", "Pellworth Gauge Systems", "Ashbury Falls, Vermont"});
}

std::string firmwareBlock(const std::string &firmwareFile, const std::string &firmwareVersion)
{
    return lines({"QMX-X1 Firmware", "File: " + firmwareFile, "Version: " + firmwareVersion});
}

std::string libraryBlock(const std::string &libraryVersion)
{
    return lines({"Qmxcom32.dll", "Version: " + libraryVersion});
}

FormAboutQMXSRV::FormAboutQMXSRV(ProgramState &state, QWidget *parent) : QDialog(parent)
{
    setObjectName("FormAboutQMXSRV");
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    auto *picture = named<QLabel>("Picture1", this);
    picture->setPixmap(programIcon().pixmap(48, 48));

    std::string firmwareVersion;
    state.device().QmxFirmware(firmwareVersion);
    // Each character 13 shows as a line break, as in the program's message boxes.
    auto *description = named<QLabel>("LabelDescription", boxText(programBlock()), this);
    auto *firmware = named<QLabel>(
        "LabelFirmware", boxText(firmwareBlock(state.settings.QMXFirmware, firmwareVersion)), this);
    std::string libraryVersion;
    state.device().QmxDLL(libraryVersion);
    auto *library = named<QLabel>("LabelDLL", boxText(libraryBlock(libraryVersion)), this);

    auto *ok = named<QPushButton>("CommandOK", QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, Qt::AlignTop);
    grid->addWidget(description, 0, 1);
    grid->addWidget(firmware, 1, 1);
    grid->addWidget(library, 2, 1);
    grid->addWidget(ok, 3, 1, Qt::AlignRight);
}

} // namespace qmxsrv
