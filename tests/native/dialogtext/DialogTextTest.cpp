#include "tuner/InfoLines.h"
#include "base/TunerKinds.h"
#include "ui/DialogText.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(InfoLines, DriverLineJoinsTextsAndLowercaseVersions)
{
    DriverInfoRecord info{};
    std::strcpy(info.szText1, "AB");
    std::strcpy(info.szText2, "CD");
    info.DriverVersion[0] = 1;
    info.DriverVersion[1] = 10;
    info.FirmwareVersion[0] = 2;
    info.FirmwareVersion[1] = 0;
    EXPECT_EQ(FormatDriverLine(info), "AB CD driver ver.010a FW ver.0200");
    info.DriverVersion[0] = 0xAB;
    EXPECT_EQ(FormatDriverLine(info), "AB CD driver ver.ab0a FW ver.0200");
}

TEST(InfoLines, DeviceLineShowsTheMacInUppercase)
{
    DeviceInfoRecord info{};
    std::strcpy(info.szDeviceName, "NAME");
    const uint8_t mac[6] = {0, 10, 27, 44, 61, 78};
    std::memcpy(info.Mac, mac, 6);
    EXPECT_EQ(FormatDeviceLine(info), "NAME  00-0A-1B-2C-3D-4E");
}

TEST(InfoLines, AllZeroRecordsGiveTheEmptyForms)
{
    EXPECT_EQ(FormatDriverLine(DriverInfoRecord{}), "  driver ver.0000 FW ver.0000");
    EXPECT_EQ(FormatDeviceLine(DeviceInfoRecord{}), "  00-00-00-00-00-00");
}

TEST(InfoLines, UnterminatedDriverTextsStopAtTheRecordEnd)
{
    DriverInfoRecord driver;
    std::memset(&driver, 'x', sizeof(driver));
    const std::string line = FormatDriverLine(driver);
    // The first text runs on into the second (a C string), the second ends with the record.
    EXPECT_EQ(line.substr(0, 231), std::string(230, 'x') + " ");
    EXPECT_EQ(line.substr(231, 222), std::string(222, 'x'));

    DeviceInfoRecord device;
    std::memset(&device, 'y', sizeof(device));
    EXPECT_EQ(FormatDeviceLine(device).substr(0, 240), std::string(240, 'y'));
}

TEST(CaptureFileStem, NumbersWithoutLeadingZerosJoinedByHyphens)
{
    EXPECT_EQ(FormatCaptureFileStem({2006, 5, 9, 14, 3}, "12188", "27500", "S"), "2006-5-9-14-3-12188-27500-S");
    EXPECT_EQ(FormatCaptureFileStem({2026, 12, 31, 0, 0}, "57000", "6", "ATSC"), "2026-12-31-0-0-57000-6-ATSC");
    EXPECT_EQ(FormatCaptureFileStem({2026, 1, 1, 1, 1}, "", "", ""), "2026-1-1-1-1---");
}

TEST(SignalReport, FiguresAreRightAlignedInSixCharacters)
{
    EXPECT_EQ(FormatSignalReport(80, 75, 12345, 5),
              " Strength:80\n Quality:75\n Free Disk Space  : 12345 MBytes\n File Captured :     5  MBytes \n ");
    EXPECT_EQ(FormatSignalReport(0, 0, 0, 0),
              " Strength:0\n Quality:0\n Free Disk Space  :     0 MBytes\n File Captured :     0  MBytes \n ");
    EXPECT_EQ(FormatSignalReport(-1, 101, 1234567, -2),
              " Strength:-1\n Quality:101\n Free Disk Space  :1234567 MBytes\n File Captured :    -2  MBytes \n ");
}

TEST(DeviceTypeBits, KindsBecomeBits)
{
    EXPECT_EQ(DeviceTypeBitForSourceType(1), 1);
    EXPECT_EQ(DeviceTypeBitForSourceType(2), 2);
    EXPECT_EQ(DeviceTypeBitForSourceType(3), 4);
    EXPECT_EQ(DeviceTypeBitForSourceType(4), 8);
    EXPECT_EQ(DeviceTypeBitForSourceType(0), 0);
    EXPECT_EQ(DeviceTypeBitForSourceType(-1), 0);
}

TEST(FieldNumbers, OnlyBlanksAroundDecimalDigitsGiveAValue)
{
    EXPECT_EQ(ParseFieldNumber("12188"), 12188u);
    EXPECT_EQ(ParseFieldNumber("  \t0042 \t "), 42u) << "blanks on both sides, leading zeros";
    EXPECT_EQ(ParseFieldNumber("4294967295"), 4294967295u);
    for (const char* text : {"", "   ", "12a88", "12 88", "abc", "+12", "-5", "0x10", "12.5", "4294967296",
                             "99999999999999999999"})
        EXPECT_EQ(ParseFieldNumber(text), 0u) << '"' << text << '"';
    EXPECT_EQ(ParseFieldNumber(std::string("12\0" "3", 4)), 0u) << "an embedded terminator is other text";
}
