// QLSimTunerSetup: registers simulated tuners from a scenario file, or the default set, or
// removes them all. Uses the QLSimTuner.dll that sits beside it.
//   QLSimTunerSetup <scenario file> | /default | /remove
#include "base/Holder.h"
#include "graph/Com.h"
#include "simtuner/SimTunerLibrary.h"

#include <cstdio>
#include <string>

namespace {

int Usage()
{
    std::printf("usage: QLSimTunerSetup <scenario file> | /default | /remove\n");
    return 2;
}

bool ReadFile(const char* pPath, std::string* pText)
{
    const FileHolder file(std::fopen(pPath, "rb"));
    if (file.IsNull())
        return false;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        pText->append(buffer, n);
    return !std::ferror(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return Usage();
    const std::string arg = argv[1];
    CSimTunerLibrary library;
    if (!library.IsLoaded()) {
        std::printf("QLSimTunerSetup: cannot load QLSimTuner.dll (error %lu)\n", GetLastError());
        return 1;
    }
    using PlainCall = HRESULT(WINAPI*)();
    HRESULT hr = E_NOINTERFACE;
    std::string error;
    if (arg == "/remove") {
        if (auto pUnregister = library.Proc<PlainCall>("DllUnregisterServer"))
            hr = pUnregister();
    } else if (arg == "/default") {
        if (auto pRegister = library.Proc<PlainCall>("DllRegisterServer"))
            hr = pRegister();
    } else {
        std::string text;
        if (!ReadFile(argv[1], &text)) {
            std::printf("QLSimTunerSetup: cannot read %s\n", argv[1]);
            return 1;
        }
        hr = library.RegisterScenario(text, &error);
    }
    if (FAILED(hr)) {
        std::printf("QLSimTunerSetup: failed (0x%08lX)%s%s\n", static_cast<unsigned long>(hr),
                    error.empty() ? "" : ": ", error.c_str());
        return 1;
    }
    std::printf("QLSimTunerSetup: done\n");
    return 0;
}
