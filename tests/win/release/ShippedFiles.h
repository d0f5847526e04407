// The files that ship, as built in this tree, and where a test finds them.
#pragma once

#include <windows.h>
#include <string>

struct ShippedFile {
    const char* pName;
    const char* pFolder;       // the tree's folder that holds it
    const char* pDescription;  // FileDescription of its version block
    bool bProgram;             // a program carries the manifest, a DLL does not
};

inline const ShippedFile kShippedFiles[] = {
    {"QLTSCapture.exe", "app", "Quillon BDA Transport Stream Capture", true},
    {"QLSimTuner.dll", "simtuner", "Simulated BDA tuner driver", false},
    {"QLSimTunerSetup.exe", "simtuner", "Simulated BDA tuner setup", true},
    {"qltscap.exe", "cli", "Quillon BDA Transport Stream Capture, command line", true},
};

// The test programs run from <tree>/tests.
inline std::string ShippedPath(const ShippedFile& file)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.resize(path.find_last_of('\\'));
    path.resize(path.find_last_of('\\') + 1);
    return path + file.pFolder + "\\" + file.pName;
}
