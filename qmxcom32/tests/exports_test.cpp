// exports_test.cpp - the library exports the device functions and the host
// hooks by their plain names, and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(Exports, OnlyTheDeviceFunctionsAndHostHooks)
{
    const std::set<std::string> expected = {
        "QmxCommInit",     "QmxMsgBox",       "QmxFirmware",         "QmxDLL",
        "QmxStartScan",    "QmxStopScan",     "QmxReadDirect",       "QmxDefineChannel",
        "QmxReadFormula",  "QmxReadChannel",  "QmxClearAllChannels", "QmxClearChannel",
        "QmxResetMM",      "QmxSetCzero",     "QmxReadCzero",        "QmxSetCscale",
        "QmxReadCscale",   "QmxReadLvdt",     "QmxSetTfsv",          "QmxReadTfsv",
        "QmxSetTzero",     "QmxReadTzero",    "QmxReadAnalog",       "QmxSetAfsv",
        "QmxReadAfsv",     "QmxSetAzero",     "QmxReadAzero",        "QmxSetScanTime",
        "QmxSetFpIn",      "QmxGetFpIn",      "QmxSetFpOut",         "QmxGetFpOut",
        "QmxSetFpPrec",    "QmxGetFpPrec",    "QmxSet_muxTime",      "QmxSetAdcAvg",
        "QmxSetRunAvg",    "QmxMemory",       "QmxHostSetPortBus",   "QmxHostSetMessageHandler",
        "QmxHostSetClock", "QmxHostDemoMode",
    };
    ASSERT_EQ(expected.size(), 38u + 4u);

    std::FILE *nm = popen("nm -D --defined-only " QMXCOM32_LIBRARY, "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, nm) != nullptr) {
        std::istringstream fields(line);
        std::string address, kind, name;
        fields >> address >> kind >> name;
        exported.insert(name);
        EXPECT_EQ(kind, "T") << name; // code, not data
    }
    ASSERT_EQ(pclose(nm), 0);
    EXPECT_EQ(exported, expected);
}

} // namespace
