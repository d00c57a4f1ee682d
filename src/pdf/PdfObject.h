#pragma once

#include <QtGlobal>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One PDF object as the finishing pass reads and writes it: null, a boolean, an integer,
// a real number, a string, a name, an array, a dictionary or a reference to an indirect
// object. Values are plain data that copy deeply; a whole document is never held in them,
// only the object being passed on.
//
// Real numbers keep the text they were read as, so passing one on never changes its
// precision. Strings hold their bytes and names their characters, both decoded from the
// escapes of the file; writing encodes them again.
class PdfObject
{
public:
    enum class Kind : quint8
    {
        Null,
        Boolean,
        Integer,
        Real,
        String,
        Name,
        Array,
        Dictionary,
        Reference,
    };

    PdfObject() = default;
    static PdfObject boolean(bool value);
    static PdfObject integer(qint64 value);
    static PdfObject real(std::string text); // the number's text as in the file
    static PdfObject real(double value);     // with four decimals at most
    static PdfObject string(std::string bytes);
    static PdfObject name(std::string name); // without the slash
    static PdfObject array(std::vector<PdfObject> items = {});
    static PdfObject dictionary(std::initializer_list<std::pair<std::string_view, PdfObject>> entries = {});
    static PdfObject reference(quint32 objectNumber);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isInteger() const { return m_kind == Kind::Integer; }
    bool isName() const { return m_kind == Kind::Name; }
    bool isArray() const { return m_kind == Kind::Array; }
    bool isDictionary() const { return m_kind == Kind::Dictionary; }
    bool isReference() const { return m_kind == Kind::Reference; }

    // The integer's value, the reference's object number, 0 or 1 for a boolean.
    qint64 number() const { return m_number; }
    // The string's bytes, the name without its slash, the real number's text.
    const std::string& text() const { return m_text; }
    bool isName(std::string_view name) const { return m_kind == Kind::Name && m_text == name; }

    // An array's items.
    const std::vector<PdfObject>& items() const { return m_items; }
    void append(PdfObject item) { m_items.push_back(std::move(item)); }

    // A dictionary's entries, in the order they were read or set. A key not in the
    // dictionary (or asked of something that is no dictionary) gives nullptr.
    const PdfObject* get(std::string_view key) const;
    PdfObject* get(std::string_view key);
    void set(std::string_view key, PdfObject value); // replaces or appends
    void remove(std::string_view key);
    size_t entryCount() const { return m_items.size() / 2; }
    const std::string& keyAt(size_t entry) const { return m_items[2 * entry].m_text; }
    const PdfObject& valueAt(size_t entry) const { return m_items[2 * entry + 1]; }

    // Appends the object in PDF syntax. Every string (at any depth) passes through
    // `encodeString` first when one is given, as encryption wants; strings are then
    // written as hexadecimal. Without it printable strings are written literally.
    using StringEncoder = std::function<std::string(std::string_view)>;
    void writeTo(std::string& out, const StringEncoder& encodeString = {}) const;

private:
    PdfObject(Kind kind, qint64 number, std::string text);

    Kind m_kind = Kind::Null;
    qint64 m_number = 0;
    std::string m_text;
    // Array: the items. Dictionary: key (a name), value, key, value, ...
    std::vector<PdfObject> m_items;
};

// Appends a PDF string written in hexadecimal, <4E6F>.
void appendHexString(std::string& out, std::string_view bytes);
