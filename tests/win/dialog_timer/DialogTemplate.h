// Reads the control panel's dialog template from the module's resources (tests only).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TemplateItem {
    int id;
    std::wstring className;
    std::wstring caption;
    DWORD style;
    short x, y, cx, cy;
};

struct DialogTemplate {
    DWORD style;
    short x, y, cx, cy;
    std::wstring caption;
    int pointSize;
    std::wstring font;
    bool hasMenu;
    std::vector<TemplateItem> items;
};

bool ReadDialogTemplate(int templateId, DialogTemplate* out);
