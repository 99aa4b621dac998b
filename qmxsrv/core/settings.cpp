#include "settings.h"

#include "messageboxes.h"
#include "numbertext.h"
#include "textfile.h"

#include <tuple>

namespace qmxsrv {
namespace {

struct NumberKey {
    const char *key;
    std::int16_t Settings::*field;
    bool isCount;        // an item count of the board: at most MaxItemCount
    const char *written; // the line's text before the number; nullptr: read only
};

// In the order the writer writes them.
const NumberKey numberKeys[] = {
    {"MaxChannel", &Settings::MaxChannel, true, "MaxChannel="},
    {"MaxLVDT", &Settings::MaxLVDT, true, "MaxLVDT="},
    {"MaxLvdt", &Settings::MaxLVDT, true, nullptr},
    {"MaxAnalog", &Settings::MaxAnalog, true, "MaxAnalog="},
    {"MaxDigital", &Settings::MaxDigital, false, "MaxDigital= "},
    {"MaxStrain", &Settings::MaxStrain, false, "MaxStrain= "},
    {"Decimals", &Settings::SystemDecimals, false, "Decimals= "},
    {"ScanTime", &Settings::ScanTime, false, "ScanTime= "},
    {"ADCAverage", &Settings::ADCAverage, false, "ADCAverage= "},
    {"RunAvg", &Settings::RunAvg, false, "RunAvg= "},
    {"QMXBaseAdr", &Settings::QMXBaseAdr, false, "QMXBaseAdr= "},
};

void applyLine(Settings &s, const std::string &line)
{
    const auto eq = line.find('=');
    if (eq == std::string::npos)
        return;
    const std::string key = line.substr(0, eq);
    const std::string value =
        line.substr(std::min(line.find_first_not_of(' ', eq + 1), line.size()));
    for (const NumberKey &k : numberKeys) {
        if (key != k.key)
            continue;
        const auto n = readInt16(value);
        if (n && !(k.isCount && *n > MaxItemCount))
            s.*k.field = *n;
        return;
    }
    if (key == "QMXFirmware") {
        s.QMXFirmware = value;
    } else if (key == "DDEEnabled") {
        if (value == "True") {
            s.DDEEnabled = true;
        } else if (value == "False") {
            s.DDEEnabled = false;
        } else if (const auto n = readInt16(value)) {
            s.DDEEnabled = *n != 0;
        }
    }
}

} // namespace

bool Settings::operator==(const Settings &o) const
{
    auto tie = [](const Settings &s) {
        return std::tie(s.MaxChannel, s.MaxLVDT, s.MaxAnalog, s.MaxDigital, s.MaxStrain,
                        s.SystemDecimals, s.ScanTime, s.ADCAverage, s.RunAvg, s.QMXBaseAdr,
                        s.QMXFirmware, s.DDEEnabled, s.AppPath, s.FirmwarePath, s.CommStatus);
    };
    return tie(*this) == tie(o);
}

Settings defaultSettings(const std::string &appPath)
{
    Settings s;
    s.AppPath = appPath;
    s.FirmwarePath = appPath + "/" + DefaultFirmwareName;
    return s;
}

std::string settingsFilePath(const Settings &settings)
{
    return settings.AppPath + "/" + SettingsFileName;
}

void applySettingsLines(Settings &settings, const std::vector<std::string> &lines)
{
    for (const auto &line : lines)
        applyLine(settings, line);
}

void ReadSettings(Settings &settings, MessageBoxes &boxes)
{
    const std::string path = settingsFilePath(settings);
    const TextFileRead file = readTextFile(path);
    switch (file.status) {
    case TextFileRead::Status::NotFound:
        tell(boxes, "qmxsrv.ini file not found. Default values used.");
        return;
    case TextFileRead::Status::Failed:
        tell(boxes, "Cannot read " + path + "\r" + file.error + "\rDefault values used.",
             Icon::Exclamation);
        return;
    case TextFileRead::Status::Ok: applySettingsLines(settings, file.lines); return;
    }
}

std::string settingsText(const Settings &s, bool withEmptyLine)
{
    std::vector<std::string> lines = {"[QMXSRV Version 1.0]", "[General Setup]"};
    for (const NumberKey &k : numberKeys)
        if (k.written)
            lines.push_back(k.written + fileInteger(s.*k.field));
    lines.push_back("QMXFirmware= " + oneLine(s.QMXFirmware));
    lines.push_back("DDEEnabled= " + fileBoolean(s.DDEEnabled));
    if (withEmptyLine)
        lines.emplace_back();
    return crlfText(lines);
}

bool WriteSettings(const Settings &settings, bool withEmptyLine, MessageBoxes &boxes)
{
    const std::string path = settingsFilePath(settings);
    const std::string error = saveTextFileAtomically(path, settingsText(settings, withEmptyLine));
    if (error.empty())
        return true;
    tell(boxes, "Cannot write " + path + "\r" + error, Icon::Exclamation);
    return false;
}

} // namespace qmxsrv
