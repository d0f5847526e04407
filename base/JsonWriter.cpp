#include "base/JsonWriter.h"

#include <cstdio>

void CJsonWriter::BeforeValue()
{
    if (m_bAfterKey) {
        m_bAfterKey = false;
        return;
    }
    if (!m_bFirst.empty()) {
        if (!m_bFirst.back())
            m_Text += ',';
        m_bFirst.back() = false;
    }
}

void CJsonWriter::Open(char c)
{
    BeforeValue();
    m_Text += c;
    m_bFirst.push_back(true);
}

void CJsonWriter::Close(char c)
{
    m_Text += c;
    if (!m_bFirst.empty())
        m_bFirst.pop_back();
}

void CJsonWriter::Key(const char* pszKey)
{
    BeforeValue();
    Quoted(pszKey);
    m_Text += ':';
    m_bAfterKey = true;
}

void CJsonWriter::String(const std::string& value)
{
    BeforeValue();
    Quoted(value);
}

void CJsonWriter::Number(uint64_t value)
{
    BeforeValue();
    m_Text += std::to_string(value);
}

void CJsonWriter::Number(int64_t value)
{
    BeforeValue();
    m_Text += std::to_string(value);
}

void CJsonWriter::Bool(bool value)
{
    BeforeValue();
    m_Text += value ? "true" : "false";
}

void CJsonWriter::Quoted(const std::string& text)
{
    m_Text += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': m_Text += "\\\""; break;
        case '\\': m_Text += "\\\\"; break;
        case '\n': m_Text += "\\n"; break;
        case '\r': m_Text += "\\r"; break;
        case '\t': m_Text += "\\t"; break;
        default:
            if (c < 0x20) {
                char esc[7];
                std::snprintf(esc, sizeof(esc), "\\u%04x", c);
                m_Text += esc;
            } else {
                m_Text += ch;
            }
        }
    }
    m_Text += '"';
}
