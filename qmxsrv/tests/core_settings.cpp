// qmxsrv.ini: the reading rules, the writer's exact bytes, the round trip,
// and files that cannot be read or written.
#include "core_support.h"
#include "messageboxes.h"
#include "settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace qmxsrv;
using qmxtest::readFile;
using qmxtest::TempDir;
using qmxtest::writeFile;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    Settings read(const std::string &fileText)
    {
        writeFile(dir.file("qmxsrv.ini"), fileText);
        Settings s = defaultSettings(dir.path());
        ReadSettings(s, boxes);
        return s;
    }
    TempDir dir;
    ScriptedMessageBoxes boxes;
};

const char defaultFile[] = "[QMXSRV Version 1.0]\r\n"
                           "[General Setup]\r\n"
                           "MaxChannel= 24 \r\n"
                           "MaxLVDT= 24 \r\n"
                           "MaxAnalog= 4 \r\n"
                           "MaxDigital=  0 \r\n"
                           "MaxStrain=  0 \r\n"
                           "Decimals=  5 \r\n"
                           "ScanTime=  500 \r\n"
                           "ADCAverage=  4 \r\n"
                           "RunAvg=  1 \r\n"
                           "QMXBaseAdr=  784 \r\n"
                           "QMXFirmware= Rdx44k.bin\r\n"
                           "DDEEnabled= False\r\n";

TEST_F(SettingsFile, DefaultsWrittenByteForByte)
{
    const Settings s = defaultSettings(dir.path());
    EXPECT_EQ(s.FirmwarePath, dir.path() + "/Rdx44k.bin");
    ASSERT_TRUE(WriteSettings(s, false, boxes));
    EXPECT_EQ(readFile(dir.file("qmxsrv.ini")), defaultFile);
    ASSERT_TRUE(WriteSettings(s, true, boxes));
    EXPECT_EQ(readFile(dir.file("qmxsrv.ini")), std::string(defaultFile) + "\r\n");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dir.listing(), "qmxsrv.ini "); // no temporary left behind
}

struct RuleCase {
    const char *lines;              // after the two header lines
    void (*expected)(Settings &s);  // what they change in the defaults
};

TEST_F(SettingsFile, ReadingRules)
{
    using S = Settings;
    const RuleCase cases[] = {
        {"MaxChannel=12", [](S &s) { s.MaxChannel = 12; }},
        {"maxchannel=12\nMaxChannel =12", [](S &) {}}, // keys compared exactly
        {"MaxLvdt= 7", [](S &s) { s.MaxLVDT = 7; }},
        {"MaxLVDT=9\nMaxLvdt=3", [](S &s) { s.MaxLVDT = 3; }},
        {"QMXBaseAdr= &H300", [](S &s) { s.QMXBaseAdr = 768; }},
        {"ScanTime=2.5", [](S &s) { s.ScanTime = 2; }},
        {"ScanTime=3.5", [](S &s) { s.ScanTime = 4; }},
        {"ScanTime=abc", [](S &s) { s.ScanTime = 0; }},
        {"ScanTime=", [](S &s) { s.ScanTime = 0; }},
        {"ScanTime=40000", [](S &) {}},
        {"ADCAverage=8\nRunAvg=-2\nDecimals= 3", [](S &s) {
             s.ADCAverage = 8;
             s.RunAvg = -2;
             s.SystemDecimals = 3;
         }},
        {"MaxDigital= 6\nMaxStrain= 300", [](S &s) {
             s.MaxDigital = 6;
             s.MaxStrain = 300;
         }},
        {"MaxChannel=255\nMaxAnalog=256\nMaxLVDT=300", [](S &s) { s.MaxChannel = 255; }},
        {"MaxAnalog=0\nMaxChannel=-3", [](S &s) {
             s.MaxAnalog = 0;
             s.MaxChannel = -3;
         }},
        // The firmware path keeps the default name.
        {"QMXFirmware=  other.bin ", [](S &s) { s.QMXFirmware = "other.bin "; }},
        {"QMXFirmware=a=b", [](S &s) { s.QMXFirmware = "a=b"; }},
        {"DDEEnabled= True", [](S &s) { s.DDEEnabled = true; }},
        {"DDEEnabled=True\nDDEEnabled= False", [](S &) {}},
        {"DDEEnabled= -1", [](S &s) { s.DDEEnabled = true; }},
        {"DDEEnabled=True\nDDEEnabled= true", [](S &) {}}, // read as a number: 0
        {"DDEEnabled= 0.6", [](S &s) { s.DDEEnabled = true; }},
        {"DDEEnabled=True\nDDEEnabled= 0.4", [](S &) {}},
        {"MaxChannel 12\n=12\nUnknown=3\n\n", [](S &) {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        std::string text = "[QMXSRV Version 1.0]\r\n[General Setup]\r\n";
        for (const char *p = c.lines; *p; ++p)
            text += *p == '\n' ? std::string("\r\n") : std::string(1, *p);
        Settings expected = defaultSettings(dir.path());
        c.expected(expected);
        const Settings got = read(text + "\r\n");
        EXPECT_EQ(settingsText(got, false), settingsText(expected, false));
        EXPECT_EQ(got, expected);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsFile, HeaderLinesAreNotCheckedAndLineEndsVary)
{
    const Settings s = read("MaxAnalog=2\nanything\rScanTime=100\r\nRunAvg=3");
    EXPECT_EQ(s.MaxAnalog, 2);
    EXPECT_EQ(s.ScanTime, 100);
    EXPECT_EQ(s.RunAvg, 3);
}

TEST_F(SettingsFile, WriteThenReadGivesTheSameSettings)
{
    Settings s = defaultSettings(dir.path());
    s.MaxChannel = 255;
    s.MaxLVDT = 7;
    s.MaxAnalog = 0;
    s.MaxDigital = -1;
    s.MaxStrain = 3;
    s.SystemDecimals = 2;
    s.ScanTime = -32768;
    s.ADCAverage = 32767;
    s.RunAvg = 16;
    s.QMXBaseAdr = 0x300;
    s.QMXFirmware = "fw 2.bin";
    s.DDEEnabled = true;
    for (bool line15 : {false, true}) {
        ASSERT_TRUE(WriteSettings(s, line15, boxes));
        Settings back = defaultSettings(dir.path());
        ReadSettings(back, boxes);
        EXPECT_EQ(back, s) << "line 15: " << line15;
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsFile, MissingFileKeepsDefaultsWithOneMessage)
{
    Settings s = defaultSettings(dir.path());
    ReadSettings(s, boxes);
    EXPECT_EQ(s, defaultSettings(dir.path()));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "qmxsrv.ini file not found. Default values used.");
    EXPECT_EQ(boxes.shown[0].title, "QMXSRV");
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::Ok);
}

TEST_F(SettingsFile, UnreadableFileKeepsDefaultsWithOneMessage)
{
    for (const auto make : {+[](const std::string &p) { ::mkdir(p.c_str(), 0755); },
                            +[](const std::string &p) { ::mkfifo(p.c_str(), 0644); }}) {
        const std::string path = dir.file("qmxsrv.ini");
        std::filesystem::remove(path);
        make(path); // a folder, then a FIFO that nobody writes (must not block)
        boxes.shown.clear();
        Settings s = defaultSettings(dir.path());
        ReadSettings(s, boxes);
        EXPECT_EQ(s, defaultSettings(dir.path()));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_NE(boxes.shown[0].text.find("Cannot read " + path + "\r"), std::string::npos)
            << boxes.shown[0].text;
    }
}

TEST_F(SettingsFile, FailedWriteNamesTheFileAndKeepsTheOldOne)
{
    const std::string path = dir.file("qmxsrv.ini");
    writeFile(path, "old contents");
    Settings s = defaultSettings(dir.path());
    {
        qmxtest::FileSizeLimit full(16);
        EXPECT_FALSE(WriteSettings(s, true, boxes));
    }
    EXPECT_EQ(readFile(path), "old contents");
    EXPECT_EQ(dir.listing(), "qmxsrv.ini ");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot write " + path + "\rFile too large");

    s.AppPath = dir.file("no such folder");
    EXPECT_FALSE(WriteSettings(s, false, boxes));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text,
              "Cannot write " + s.AppPath + "/qmxsrv.ini\rNo such file or directory");
}

TEST_F(SettingsFile, SaveKeepsPermissionsAndFollowsALink)
{
    const std::string real = dir.file("real.ini");
    writeFile(real, "x");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, dir.file("qmxsrv.ini"));
    ASSERT_TRUE(WriteSettings(defaultSettings(dir.path()), false, boxes));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("qmxsrv.ini")));
    EXPECT_EQ(readFile(real), defaultFile);
    struct stat st {};
    ::stat(real.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

} // namespace
