// qmxsrv.ini: the reading rules, the writer's exact bytes, the round trip,
// and files that cannot be read or written.
#include "core/messageboxes.h"
#include "core/settings.h"
#include "core/textfile.h"
#include "core_support.h"

#include <gmock/gmock.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qmxsrv;
using qmxtest::readFile;
using qmxtest::writeFile;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::FieldsAre;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    // The settings as read from qmxsrv.ini with this text.
    Settings read(const std::string &fileText)
    {
        writeFile(path, fileText);
        return read();
    }
    Settings read()
    {
        Settings s = defaultSettings(dir.path());
        ReadSettings(s, boxes);
        return s;
    }
    qmxtest::TempDir dir;
    const std::string path = dir.file("qmxsrv.ini");
    const Settings defaults = defaultSettings(dir.path());
    ScriptedMessageBoxes boxes;
};

const std::string defaultFile = "[QMXSRV Version 1.0]\r\n[General Setup]\r\nMaxChannel= 24 \r\n"
                                "MaxLVDT= 24 \r\nMaxAnalog= 4 \r\nMaxDigital=  0 \r\n"
                                "MaxStrain=  0 \r\nDecimals=  5 \r\nScanTime=  500 \r\n"
                                "ADCAverage=  4 \r\nRunAvg=  1 \r\nQMXBaseAdr=  784 \r\n"
                                "QMXFirmware= Rdx44k.bin\r\nDDEEnabled= False\r\n";

TEST_F(SettingsFile, DefaultsWrittenByteForByteAndSettingsReadBack)
{
    EXPECT_EQ(defaults.FirmwarePath, dir.path() + "/Rdx44k.bin");
    // Every setting away from its default, in declared order (counts, decimals,
    // scan time, averages, base address, firmware, DDE), in this program folder.
    const Settings s{255,   7,  0,     -1,         3,    2,          -32768,
                     32767, 16, 0x300, "fw 2.bin", true, dir.path(), defaults.FirmwarePath};
    for (bool line15 : {false, true}) {
        ASSERT_TRUE(WriteSettings(defaults, line15, boxes));
        EXPECT_EQ(readFile(path), defaultFile + (line15 ? "\r\n" : ""));
        ASSERT_TRUE(WriteSettings(s, line15, boxes));
        EXPECT_EQ(read(), s) << "line 15: " << line15;
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dir.listing(), "qmxsrv.ini "); // no temporary left behind
}

TEST_F(SettingsFile, ReadingRules)
{
    using S = Settings;
#define H "[QMXSRV Version 1.0]|[General Setup]|"
    const struct {
        const char *lines;             // '|' stands for CR LF
        void (*expected)(Settings &s); // what they change in the defaults
    } cases[] = {
        {H "MaxChannel=12", [](S &s) { s.MaxChannel = 12; }},
        {H "maxchannel=12|MaxChannel =12", [](S &) {}}, // keys compared exactly
        {H "MaxLvdt= 7", [](S &s) { s.MaxLVDT = 7; }},
        {H "MaxLVDT=9|MaxLvdt=3", [](S &s) { s.MaxLVDT = 3; }},
        {H "QMXBaseAdr= &H300", [](S &s) { s.QMXBaseAdr = 768; }},
        {H "ScanTime=2.5", [](S &s) { s.ScanTime = 2; }}, // halves to even
        {H "ScanTime=abc", [](S &s) { s.ScanTime = 0; }},
        {H "ScanTime=40000", [](S &) {}},
        {H "ADCAverage=8|RunAvg=-2|Decimals= 3",
         [](S &s) {
             s.ADCAverage = 8;
             s.RunAvg = -2;
             s.SystemDecimals = 3;
         }},
        {H "MaxDigital= 6|MaxStrain= 300",
         [](S &s) {
             s.MaxDigital = 6;
             s.MaxStrain = 300;
         }},
        {H "MaxChannel=255|MaxAnalog=256|MaxLVDT=300", [](S &s) { s.MaxChannel = 255; }},
        {H "MaxAnalog=0|MaxChannel=-3",
         [](S &s) {
             s.MaxAnalog = 0;
             s.MaxChannel = -3;
         }},
        // The firmware path keeps the default name.
        {H "QMXFirmware=  other.bin ", [](S &s) { s.QMXFirmware = "other.bin "; }},
        {H "QMXFirmware=a=b", [](S &s) { s.QMXFirmware = "a=b"; }},
        {H "DDEEnabled= True", [](S &s) { s.DDEEnabled = true; }},
        {H "DDEEnabled=True|DDEEnabled= False", [](S &) {}},
        {H "DDEEnabled=True|DDEEnabled= true", [](S &) {}}, // read as a number: 0
        {H "DDEEnabled= 0.6", [](S &s) { s.DDEEnabled = true; }},
        {H "MaxChannel 12|=12|Unknown=3||", [](S &) {}},
        // The first lines are not checked as headers, and lines end in CR, LF or both.
        {"MaxAnalog=2\nanything\rScanTime=100|RunAvg=3",
         [](S &s) {
             s.MaxAnalog = 2;
             s.ScanTime = 100;
             s.RunAvg = 3;
         }},
    };
#undef H
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        std::string text;
        for (const char *p = c.lines; *p; ++p)
            text += *p == '|' ? std::string("\r\n") : std::string(1, *p);
        Settings expected = defaults;
        c.expected(expected);
        const Settings got = read(text); // the last line without its line end
        EXPECT_EQ(settingsText(got, false), settingsText(expected, false));
        EXPECT_EQ(got, expected);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsFile, MissingOrUnreadableFileKeepsDefaultsWithOneMessage)
{
    const struct {
        void (*make)(const char *path);
        std::string text;
        Icon icon;
    } cases[] = {
        {[](const char *) {}, "qmxsrv.ini file not found. Default values used.", Icon::None},
        {[](const char *p) { ::mkdir(p, 0755); },
         "Cannot read " + path + "\rIs a directory\rDefault values used.", Icon::Exclamation},
        // A FIFO that nobody writes: the read must not block.
        {[](const char *p) { ::mkfifo(p, 0644); },
         "Cannot read " + path + "\rnot a regular file\rDefault values used.", Icon::Exclamation},
    };
    for (const auto &c : cases) {
        std::filesystem::remove(path);
        c.make(path.c_str());
        boxes.shown.clear();
        EXPECT_EQ(read(), defaults);
        EXPECT_THAT(boxes.shown, ElementsAre(FieldsAre(c.text, "QMXSRV", Buttons::Ok, c.icon)));
    }
}

// A save follows a link and keeps the file's permissions; a failed one names
// the file. (The temporary file and the rename that keep the old file whole
// are the setup file's too, and tested there.)
TEST_F(SettingsFile, SaveFollowsALinkKeepsPermissionsAndNamesTheFileWhenItFails)
{
    const std::string real = dir.file("real.ini");
    writeFile(real, "x");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, path);
    ASSERT_TRUE(WriteSettings(defaults, false, boxes));
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(readFile(real), defaultFile);
    struct stat st {};
    ::stat(real.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    Settings elsewhere = defaults;
    elsewhere.AppPath = dir.file("no such folder");
    EXPECT_FALSE(WriteSettings(elsewhere, false, boxes));
    const std::string text =
        "Cannot write " + elsewhere.AppPath + "/qmxsrv.ini\rNo such file or directory";
    EXPECT_THAT(boxes.shown, ElementsAre(FieldsAre(text, _, _, _)));
}

} // namespace

namespace {

// A pid whose process has certainly ended: a child that exited and was reaped.
pid_t deadPid()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

TEST(AtomicSave, RemovesOnlyTheDeadTemporariesOfItsOwnTarget)
{
    qmxtest::TempDir dir;
    const std::string target = dir.file("qmxsrv.ini");
    const std::string dead = std::to_string(deadPid());
    const std::string alive = std::to_string(::getppid());
    struct Case {
        std::string name;
        bool removed;
    };
    const std::vector<Case> cases = {
        {"qmxsrv.ini.tmp" + dead + "-0", true},
        {"qmxsrv.ini.tmp" + dead + "-17", true},
        {"qmxsrv.ini.tmp" + alive + "-0", false},    // its writer may still be saving
        {"qmxsrv.ini.tmp" + dead + "-0.bak", false}, // not our pattern
        {"qmxsrv.ini.tmp" + dead, false},
        {"qmxsrv.ini.tmpx" + dead + "-0", false},
        {"other.ini.tmp" + dead + "-0", false},    // another target's
        {"qmxsrv.ini.tmp99999999999999-0", false}, // no such pid can exist
    };
    for (const Case &c : cases)
        writeFile(dir.file(c.name), "left over");
    ASSERT_EQ(saveTextFileAtomically(target, "saved"), "");
    for (const Case &c : cases) {
        struct stat st {};
        EXPECT_EQ(::stat(dir.file(c.name).c_str(), &st) != 0, c.removed) << c.name;
    }
    EXPECT_EQ(readFile(target), "saved");
}

} // namespace
