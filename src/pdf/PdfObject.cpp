#include "pdf/PdfObject.h"

#include "pdf/PdfContent.h"

#include <algorithm>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

// Characters a name can hold as they are; every other one is written as #xx.
bool isPlainNameCharacter(unsigned char c)
{
    return c > 0x20 && c < 0x7f && std::string_view("()<>[]{}/%#").find(char(c)) == std::string_view::npos;
}

void appendName(std::string& out, std::string_view name)
{
    out += '/';
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (isPlainNameCharacter(c)) {
            out += ch;
        } else {
            out += '#';
            out += HexDigits[c >> 4];
            out += HexDigits[c & 15];
        }
    }
}

void appendString(std::string& out, std::string_view bytes)
{
    const bool printable = std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
    if (!printable) {
        appendHexString(out, bytes);
        return;
    }
    out += '(';
    for (char c : bytes) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    out += ')';
}

} // namespace

void appendHexString(std::string& out, std::string_view bytes)
{
    out += '<';
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        out += HexDigits[c >> 4];
        out += HexDigits[c & 15];
    }
    out += '>';
}

PdfObject::PdfObject(Kind kind, qint64 number, std::string text)
    : m_kind(kind), m_number(number), m_text(std::move(text))
{
}

PdfObject PdfObject::boolean(bool value)
{
    return {Kind::Boolean, value ? 1 : 0, {}};
}

PdfObject PdfObject::integer(qint64 value)
{
    return {Kind::Integer, value, {}};
}

PdfObject PdfObject::real(std::string text)
{
    return {Kind::Real, 0, std::move(text)};
}

PdfObject PdfObject::real(double value)
{
    // As content streams write numbers, which end with a blank.
    PdfContent text;
    text.number(value);
    return real(std::string(text.bytes().substr(0, text.bytes().size() - 1)));
}

PdfObject PdfObject::string(std::string bytes)
{
    return {Kind::String, 0, std::move(bytes)};
}

PdfObject PdfObject::name(std::string name)
{
    return {Kind::Name, 0, std::move(name)};
}

PdfObject PdfObject::array(std::vector<PdfObject> items)
{
    PdfObject o(Kind::Array, 0, {});
    o.m_items = std::move(items);
    return o;
}

PdfObject PdfObject::dictionary(std::initializer_list<std::pair<std::string_view, PdfObject>> entries)
{
    PdfObject o(Kind::Dictionary, 0, {});
    for (const auto& [key, value] : entries)
        o.set(key, value);
    return o;
}

PdfObject PdfObject::reference(quint32 objectNumber)
{
    return {Kind::Reference, objectNumber, {}};
}

const PdfObject* PdfObject::get(std::string_view key) const
{
    if (m_kind != Kind::Dictionary)
        return nullptr;
    for (size_t i = 0; i + 1 < m_items.size(); i += 2) {
        if (m_items[i].m_text == key)
            return &m_items[i + 1];
    }
    return nullptr;
}

PdfObject* PdfObject::get(std::string_view key)
{
    return const_cast<PdfObject*>(std::as_const(*this).get(key));
}

void PdfObject::set(std::string_view key, PdfObject value)
{
    if (PdfObject* existing = get(key)) {
        *existing = std::move(value);
        return;
    }
    m_items.push_back(name(std::string(key)));
    m_items.push_back(std::move(value));
}

void PdfObject::remove(std::string_view key)
{
    for (size_t i = 0; i + 1 < m_items.size(); i += 2) {
        if (m_items[i].m_text == key) {
            m_items.erase(m_items.begin() + qsizetype(i), m_items.begin() + qsizetype(i) + 2);
            return;
        }
    }
}

void PdfObject::writeTo(std::string& out, const StringEncoder& encodeString) const
{
    switch (m_kind) {
    case Kind::Null:
        out += "null";
        break;
    case Kind::Boolean:
        out += m_number ? "true" : "false";
        break;
    case Kind::Integer:
        out += std::to_string(m_number);
        break;
    case Kind::Real:
        out += m_text;
        break;
    case Kind::String:
        if (encodeString)
            appendHexString(out, encodeString(m_text));
        else
            appendString(out, m_text);
        break;
    case Kind::Name:
        appendName(out, m_text);
        break;
    case Kind::Reference:
        out += std::to_string(m_number);
        out += " 0 R";
        break;
    case Kind::Array:
        out += '[';
        for (size_t i = 0; i < m_items.size(); ++i) {
            if (i > 0)
                out += ' ';
            m_items[i].writeTo(out, encodeString);
        }
        out += ']';
        break;
    case Kind::Dictionary:
        out += "<<";
        for (size_t i = 0; i + 1 < m_items.size(); i += 2) {
            out += ' ';
            appendName(out, m_items[i].m_text);
            out += ' ';
            m_items[i + 1].writeTo(out, encodeString);
        }
        out += " >>";
        break;
    }
}
