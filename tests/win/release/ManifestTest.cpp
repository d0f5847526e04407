// The programs' manifest is read from the file as the loader reads it: the resource the
// loader looks for, then an activation context made from it, which fails on a manifest
// Windows would refuse to start the program with.
#include "ShippedFiles.h"

#include <gtest/gtest.h>

namespace {

std::string ManifestText(const std::string& path)
{
    HMODULE hFile = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!hFile)
        return {};
    std::string text;
    if (HRSRC hResource = FindResourceA(hFile, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST)) {
        const char* pData = static_cast<const char*>(LockResource(LoadResource(hFile, hResource)));
        text.assign(pData, SizeofResource(hFile, hResource));
    }
    FreeLibrary(hFile);
    return text;
}

} // namespace

TEST(Manifest, ProgramsRunAsInvokerSystemDpiAwareOnEveryWindowsWithClassicControls)
{
    const char* supportedOs[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
    };
    for (const ShippedFile& file : kShippedFiles) {
        SCOPED_TRACE(file.pName);
        const std::string path = ShippedPath(file);
        const std::string text = ManifestText(path);
        if (!file.bProgram) {
            EXPECT_TRUE(text.empty()) << "a DLL takes its process's settings";
            continue;
        }
        ASSERT_FALSE(text.empty()) << path << ": no manifest resource 1";
        for (const char* pId : supportedOs)
            EXPECT_NE(text.find(pId), std::string::npos) << pId;
        EXPECT_EQ(text.find("Common-Controls"), std::string::npos) << "visual styles would change the dialog's look";

        ACTCTXA context = {};
        context.cbSize = sizeof(context);
        context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = path.c_str();
        context.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
        HANDLE hContext = CreateActCtxA(&context);
        ASSERT_NE(hContext, INVALID_HANDLE_VALUE) << "the loader refuses the manifest (error " << GetLastError() << ")";

        ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
        SIZE_T nWritten = 0;
        EXPECT_TRUE(QueryActCtxW(0, hContext, nullptr, RunlevelInformationInActivationContext, &runLevel,
                                 sizeof(runLevel), &nWritten));
        EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
        EXPECT_EQ(runLevel.UiAccess, 0u);

        WCHAR dpiAware[16] = {};
        EXPECT_TRUE(QueryActCtxSettingsW(0, hContext, nullptr, L"dpiAware", dpiAware, 16, &nWritten));
        EXPECT_STREQ(dpiAware, L"true") << "system DPI aware";
        ReleaseActCtx(hContext);
    }
}
