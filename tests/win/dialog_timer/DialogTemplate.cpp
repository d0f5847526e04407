#include "DialogTemplate.h"

namespace {

class CReader
{
public:
    explicit CReader(const BYTE* p) : m_p(p) {}
    WORD Word() { WORD v; memcpy(&v, m_p, 2); m_p += 2; return v; }
    DWORD Dword() { DWORD v; memcpy(&v, m_p, 4); m_p += 4; return v; }
    short Short() { return static_cast<short>(Word()); }
    std::wstring String()
    {
        std::wstring s;
        for (WORD c; (c = Word()) != 0;)
            s.push_back(static_cast<wchar_t>(c));
        return s;
    }
    // A name or an ordinal (0xFFFF followed by the number), as class names are stored.
    std::wstring NameOrOrdinal(bool* isOrdinal, WORD* ordinal)
    {
        WORD first = Word();
        *isOrdinal = false;
        if (first == 0)
            return L"";
        if (first == 0xFFFF) {
            *isOrdinal = true;
            *ordinal = Word();
            return L"";
        }
        std::wstring s(1, static_cast<wchar_t>(first));
        return s + String();
    }
    void AlignDword()
    {
        while (reinterpret_cast<uintptr_t>(m_p) % 4)
            ++m_p;
    }
    void Skip(size_t n) { m_p += n; }

private:
    const BYTE* m_p;
};

std::wstring ClassForOrdinal(WORD ordinal)
{
    switch (ordinal) {
    case 0x80: return L"Button";
    case 0x81: return L"Edit";
    case 0x82: return L"Static";
    case 0x83: return L"ListBox";
    case 0x84: return L"ScrollBar";
    case 0x85: return L"ComboBox";
    default: return L"?";
    }
}

} // namespace

bool ReadDialogTemplate(int templateId, DialogTemplate* out)
{
    HRSRC info = FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5));
    if (!info)
        return false;
    HGLOBAL loaded = LoadResource(GetModuleHandleW(nullptr), info);
    CReader r(static_cast<const BYTE*>(LockResource(loaded)));
    if (r.Word() != 1 || r.Word() != 0xFFFF)
        return false;  // only the extended template form is used
    r.Dword();         // help id
    r.Dword();         // extended style
    out->style = r.Dword();
    const WORD count = r.Word();
    out->x = r.Short(); out->y = r.Short(); out->cx = r.Short(); out->cy = r.Short();
    bool ordinal; WORD number;
    std::wstring menu = r.NameOrOrdinal(&ordinal, &number);
    out->hasMenu = ordinal || !menu.empty();
    r.NameOrOrdinal(&ordinal, &number);
    out->caption = r.String();
    out->pointSize = 0;
    if (out->style & DS_SETFONT) {
        out->pointSize = r.Word();
        r.Word();
        r.Skip(2);
        out->font = r.String();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        TemplateItem item;
        r.Dword();
        r.Dword();
        item.style = r.Dword();
        item.x = r.Short(); item.y = r.Short(); item.cx = r.Short(); item.cy = r.Short();
        item.id = static_cast<int>(r.Dword());
        item.className = r.NameOrOrdinal(&ordinal, &number);
        if (ordinal)
            item.className = ClassForOrdinal(number);
        item.caption = r.NameOrOrdinal(&ordinal, &number);
        r.Skip(r.Word());
        out->items.push_back(item);
    }
    return true;
}
