#include "results/setupchoice.h"

#include "platform/qttext.h"

#include <QComboBox>

#include <algorithm>

namespace qmxsrv {

QString setupTitle(const std::string &setup)
{
    return setup.empty() ? QStringLiteral("(untitled)") : qtText(setup);
}

void offerSetups(QComboBox &box, std::vector<std::string> setups, const std::string &current)
{
    if (std::find(setups.begin(), setups.end(), current) == setups.end())
        setups.insert(setups.begin(), current);
    box.clear();
    for (const std::string &s : setups)
        box.addItem(setupTitle(s), QByteArray::fromStdString(s));
    box.setCurrentIndex(box.findData(QByteArray::fromStdString(current)));
}

std::string chosenSetup(const QComboBox &box)
{
    return box.currentData().toByteArray().toStdString();
}

} // namespace qmxsrv
