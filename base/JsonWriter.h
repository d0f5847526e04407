// A small JSON writer for the stream health report: compact output, keys in the order
// written, strings escaped as JSON requires (text is taken to be UTF-8 already).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CJsonWriter {
public:
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    // The next value belongs to this key of the open object.
    void Key(const char* pszKey);
    void String(const std::string& value);
    void Number(uint64_t value);
    void Number(int64_t value);
    void Bool(bool value);

    const std::string& Text() const { return m_Text; }

private:
    void Open(char c);
    void Close(char c);
    void BeforeValue();
    void Quoted(const std::string& text);

    std::string m_Text;
    std::vector<bool> m_bFirst;  // per open container: nothing written in it yet
    bool m_bAfterKey = false;
};
