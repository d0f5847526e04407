// What a file's properties show is read the way Windows reads it: GetFileVersionInfo and
// VerQueryValue, the strings through the language the block itself names.
#include "ShippedFiles.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <vector>

namespace {

std::string StringValue(const std::vector<char>& block, const std::string& prefix, const char* pName)
{
    void* pValue = nullptr;
    UINT nChars = 0;
    if (!VerQueryValueA(block.data(), (prefix + pName).c_str(), &pValue, &nChars) || nChars == 0)
        return "(missing)";
    return static_cast<const char*>(pValue);
}

} // namespace

TEST(VersionInfo, EveryShippedFileShowsTheProductItsVersionAndWhatItIs)
{
    for (const ShippedFile& file : kShippedFiles) {
        SCOPED_TRACE(file.pName);
        const std::string path = ShippedPath(file);
        DWORD handle = 0;
        const DWORD nSize = GetFileVersionInfoSizeA(path.c_str(), &handle);
        ASSERT_NE(nSize, 0u) << path << ": no version block (error " << GetLastError() << ")";
        std::vector<char> block(nSize);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, nSize, block.data()));

        VS_FIXEDFILEINFO* pFixed = nullptr;
        UINT nLength = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&pFixed), &nLength));
        ASSERT_EQ(nLength, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(pFixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(pFixed->dwFileVersionMS, MAKELONG(0, 1)) << "1.0";
        EXPECT_EQ(pFixed->dwFileVersionLS, MAKELONG(6, 0)) << "0.6";
        EXPECT_EQ(pFixed->dwProductVersionMS, pFixed->dwFileVersionMS);
        EXPECT_EQ(pFixed->dwProductVersionLS, pFixed->dwFileVersionLS);
        EXPECT_EQ(pFixed->dwFileFlags & pFixed->dwFileFlagsMask, 0u) << "a release, not a debug or private build";
        EXPECT_EQ(pFixed->dwFileType, file.bProgram ? DWORD(VFT_APP) : DWORD(VFT_DLL));

        WORD* pTranslation = nullptr;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&pTranslation), &nLength));
        ASSERT_GE(nLength, 2 * sizeof(WORD));
        char prefix[64];
        std::snprintf(prefix, sizeof(prefix), "\\StringFileInfo\\%04x%04x\\", pTranslation[0], pTranslation[1]);

        EXPECT_EQ(StringValue(block, prefix, "ProductName"), "Quillon BDA Transport Stream Capture");
        EXPECT_EQ(StringValue(block, prefix, "ProductVersion"), "1.0.0.6");
        EXPECT_EQ(StringValue(block, prefix, "FileVersion"), "1.0.0.6");
        EXPECT_EQ(StringValue(block, prefix, "FileDescription"), file.pDescription);
        EXPECT_EQ(StringValue(block, prefix, "OriginalFilename"), file.pName);
    }
}
