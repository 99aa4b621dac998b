// The operations that build and rebuild the sets of measurement objects. In
// the program they are the main window's; they live here so that start-up,
// the setup loader, the system setup dialog and the main window share them.
#pragma once

#include <cstdint>
#include <string>

namespace qmxsrv {

class ProgramState;
class SetupWindow;

// Start-up after the settings: QmxCommInit(QMXBaseAdr, FirmwarePath) into
// CommStatus, then QmxStartScan, QmxSetScanTime, QmxSetAdcAvg, QmxSetRunAvg.
void StartDevice(ProgramState &state);

// Fills the empty collections with objects 1 to MaxChannel, MaxLVDT and
// MaxAnalog in that order, each programmed on the board by its SetDefaults.
void CreateDefaultObjects(ProgramState &state);

// Resize to a new count: growing creates objects old+1 to new, programs each
// with its SetDefaults and appends it; shrinking removes from the top and
// sends nothing. Objects below the new count stay as they are. A count of 0
// or less leaves no objects (the setting keeps the value). A count above
// MaxItemCount changes nothing and returns false. Shrinking the channels also
// removes the channels that are gone from every group.
bool CreateChannels(ProgramState &state, std::int16_t NewMaxChannel);
bool CreateLVDTs(ProgramState &state, std::int16_t NewMaxLVDT);
bool CreateAnalogs(ProgramState &state, std::int16_t NewMaxAnalog);
// There are no digital or strain objects: these only store the count.
void CreateDigitals(ProgramState &state, std::int16_t NewMaxDigital);
void CreateStrains(ProgramState &state, std::int16_t NewMaxStrain);

void RemoveAllGroups(ProgramState &state);
// No groups; channels, LVDTs and analog inputs rebuilt with their defaults
// at the current counts (every one programmed on the board again).
void ClearSetup(ProgramState &state);

// Whether every group holds only channels up to NewMax. With FixNow the
// offenders are removed from their groups and the result is true.
bool CheckMaxChannel(ProgramState &state, std::int16_t NewMax, bool FixNow);

// "QMX-X1 [" name "]"
std::string setupWindowTitle(const std::string &setupFileName);

// File > New: the setup named "new.qmx" (title too) and cleared, with the
// display part held off meanwhile. SetupModified and the displays stay.
void NewSetup(ProgramState &state, SetupWindow &window);

} // namespace qmxsrv
