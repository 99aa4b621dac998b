// The program-wide settings and their file qmxsrv.ini in the program folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmxsrv {

class MessageBoxes;

// The board addresses channels, LVDTs and analog inputs by one byte: item 256
// would alias item 0 and 257 overwrite item 1's calibration. Counts above this
// are refused wherever they come from.
constexpr std::int16_t MaxItemCount = 255;

inline constexpr char DefaultFirmwareName[] = "Rdx44k.bin";
inline constexpr char SettingsFileName[] = "qmxsrv.ini";

struct Settings {
    std::int16_t MaxChannel = 24;
    std::int16_t MaxLVDT = 24;
    std::int16_t MaxAnalog = 4;
    std::int16_t MaxDigital = 0;
    std::int16_t MaxStrain = 0;
    std::int16_t SystemDecimals = 5;
    std::int16_t ScanTime = 500; // tenths of a millisecond
    std::int16_t ADCAverage = 4;
    std::int16_t RunAvg = 1;
    std::int16_t QMXBaseAdr = 784; // 0x310
    std::string QMXFirmware = DefaultFirmwareName;
    bool DDEEnabled = false;

    std::string AppPath;         // the program folder, no trailing separator
    std::string FirmwarePath;    // AppPath/Rdx44k.bin, formed once before the file is read
    std::int16_t CommStatus = 0; // result of the latest QmxCommInit

    bool operator==(const Settings &other) const;
    bool operator!=(const Settings &other) const { return !(*this == other); }
};

// The built-in defaults for a program living in appPath.
Settings defaultSettings(const std::string &appPath);

// AppPath/qmxsrv.ini
std::string settingsFilePath(const Settings &settings);

// Reads qmxsrv.ini into settings. A missing file shows "qmxsrv.ini file not
// found. Default values used."; a file that exists but cannot be read shows
// one message naming it and the reason. Either way the values read so far
// (none) leave the current ones standing and start-up goes on.
void ReadSettings(Settings &settings, MessageBoxes &boxes);

// Applies the lines of a settings file (every rule of the reader, without
// the file access): exact keys, MaxLvdt as MaxLVDT, later lines win, numbers
// outside 16 bits (and counts above MaxItemCount) ignored.
void applySettingsLines(Settings &settings, const std::vector<std::string> &lines);

// The file's text: lines 1 to 14, and the empty line 15 when the main
// window's close handling writes it; every line ends with CR LF.
std::string settingsText(const Settings &settings, bool withEmptyLine);

// Writes qmxsrv.ini (through a temporary file). On failure shows one message
// naming the file and the reason and returns false; the old file stays whole.
bool WriteSettings(const Settings &settings, bool withEmptyLine, MessageBoxes &boxes);

} // namespace qmxsrv
