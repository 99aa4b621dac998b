// The setup box that the windows of the results store share.
#pragma once

#include <QString>

#include <string>
#include <vector>

class QComboBox;

namespace qmxsrv {

// What a setup is called in a window: the untitled setup has no name.
QString setupTitle(const std::string &setup);

// Offers the setups that have records and the open one (first, even before
// it has any), and selects the open one.
void offerSetups(QComboBox &box, std::vector<std::string> setups, const std::string &current);

// The setup chosen in a box that offerSetups filled, byte for byte as the
// store has it (an 8-bit name from an older station included).
std::string chosenSetup(const QComboBox &box);

} // namespace qmxsrv
