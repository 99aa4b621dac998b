// The About box: the program with its maker, the firmware file the board was
// set up from with the firmware version the device library reports, and the
// library's own version. Made afresh for each showing: the versions are asked
// of the library when the box loads.
#pragma once

#include <QDialog>

#include <string>

namespace qmxsrv {

class ProgramState;

// The three blocks; each line, the last one included, ends with character 13.
std::string programBlock();
std::string firmwareBlock(const std::string &firmwareFile, const std::string &firmwareVersion);
std::string libraryBlock(const std::string &libraryVersion);

class FormAboutQMXSRV : public QDialog {
    Q_OBJECT
public:
    explicit FormAboutQMXSRV(ProgramState &state, QWidget *parent = nullptr);
};

} // namespace qmxsrv
