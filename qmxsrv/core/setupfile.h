// The .qmx setup file: the operator's whole setup as CR LF text lines.
//
//   [QMXSRV Version 1.0]
//   [General Setup]  MaxChannel= n, MaxLVDT= n, MaxAnalog= n, MaxDigital=0,
//                    MaxStrain=0, Decimals= n, [End Section]
//   nine window sections: header and Top, Left, Height, Width
//   [Channel] records of the channels in use, [lvdt] and [Analog] records of
//   every probe and input, [Group] records, [End Setup]
//
// Calibrations are read from the board when saving and sent to it when
// loading, through the objects' properties.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qmxsrv {

class ProgramState;
class SetupWindow;

// The file's text, taken now (the calibrations read from the board).
std::string setupText(ProgramState &state);

// The writer (File > Save): writes the setup to SetupFileName through a
// temporary file and clears SetupModified. Nothing happens without a file
// name. A file that cannot be written leaves the old one whole, shows one
// message naming it and the reason, and keeps SetupModified; returns false.
bool SaveSetupFile(ProgramState &state);

// For a stop nobody can be asked about (a signal): the setup, as Save would
// write it, goes to the first free name of recovered.qmx, recovered-2.qmx, ...
// in folder, never over an existing file (an earlier recovery, or the
// operator's own). SetupModified and SetupFileName stay as they are. Returns
// the path written, or the empty string with the reason in error.
std::string SaveRecoveryFile(ProgramState &state, const std::string &folder, std::string &error);

// The loader: clears the setup, then loads SetupFileName into the objects
// (and through them the board), with the display part of the scan held off.
// Unknown general items and lines that are no section are reported and
// skipped. A fault (a record number with no object, a general line without
// "=", a line that does not convert, a file that cannot be read or ends
// inside a record) is reported with the file, the line and the fault, and
// ends the reading; what was loaded before it stays. Either way the load
// ends as a load does: SetupModified cleared, the window titled after the
// file, UpdateMainDisplay, UpdateEnabled on. Nothing happens without a name.
//
// problems, when given, also gets each message as a line number (0 for the
// file as a whole) and a text that quotes nothing of the file: for a caller
// that passes them on to another program, which must not read the file's
// lines through a setup it could not load.
struct SetupLoadProblem {
    std::size_t line = 0;
    std::string what;
};
void LoadSetupFile(ProgramState &state, SetupWindow &window,
                   std::vector<SetupLoadProblem> *problems = nullptr);

} // namespace qmxsrv
