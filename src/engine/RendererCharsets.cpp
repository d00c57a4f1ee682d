#include "engine/RendererCharsets.h"

#include <array>

namespace {

// The twelve positions a national set may change, in the order of the table below.
constexpr std::array<char32_t, 12> Positions = {U'#', U'$', U'@', U'[', U'\\', U']',
                                                U'^', U'`', U'{', U'|', U'}', U'~'};

struct NationalSet
{
    int number;
    std::array<char32_t, 12> glyphs;
};

// Standard Epson assignment. U+20A7 (Pt) is the peseta sign of Spain I.
constexpr NationalSet Sets[] = {
    {0, {U'#', U'$', U'@', U'[', U'\\', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},             // USA
    {1, {U'#', U'$', U'à', U'°', U'ç', U'§', U'^', U'`', U'é', U'ù', U'è', U'¨'}},              // France
    {2, {U'#', U'$', U'§', U'Ä', U'Ö', U'Ü', U'^', U'`', U'ä', U'ö', U'ü', U'ß'}},              // Germany
    {3, {U'£', U'$', U'@', U'[', U'\\', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},             // UK
    {4, {U'#', U'$', U'@', U'Æ', U'Ø', U'Å', U'^', U'`', U'æ', U'ø', U'å', U'~'}},              // Denmark I
    {5, {U'#', U'¤', U'É', U'Ä', U'Ö', U'Å', U'Ü', U'é', U'ä', U'ö', U'å', U'ü'}},              // Sweden
    {6, {U'#', U'$', U'@', U'°', U'\\', U'é', U'^', U'ù', U'à', U'ò', U'è', U'ì'}},             // Italy
    {7, {U'\u20A7', U'$', U'@', U'¡', U'Ñ', U'¿', U'^', U'`', U'¨', U'ñ', U'}', U'~'}},         // Spain I
    {8, {U'#', U'$', U'@', U'[', U'¥', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},              // Japan
    {9, {U'#', U'¤', U'É', U'Æ', U'Ø', U'Å', U'Ü', U'é', U'æ', U'ø', U'å', U'ü'}},              // Norway
    {10, {U'#', U'$', U'É', U'Æ', U'Ø', U'Å', U'Ü', U'é', U'æ', U'ø', U'å', U'ü'}},             // Denmark II
    {11, {U'#', U'$', U'á', U'¡', U'Ñ', U'¿', U'é', U'`', U'í', U'ñ', U'ó', U'ú'}},             // Spain II
    {12, {U'#', U'$', U'á', U'¡', U'Ñ', U'¿', U'é', U'ü', U'í', U'ñ', U'ó', U'ú'}},             // Latin America
    {13, {U'#', U'$', U'@', U'[', U'\u20A9', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},        // Korea
    {64, {U'#', U'$', U'§', U'°', U'\'', U'"', U'¶', U'`', U'©', U'®', U'\u2020', U'\u2122'}}, // Legal
};

const NationalSet* findSet(int set)
{
    for (const NationalSet& s : Sets) {
        if (s.number == set)
            return &s;
    }
    return nullptr;
}

} // namespace

namespace charsets {

char32_t national(int set, char32_t c)
{
    if (set == 0 || c > U'~')
        return c;
    const NationalSet* s = findSet(set);
    if (!s)
        return c;
    for (size_t i = 0; i < Positions.size(); ++i) {
        if (Positions[i] == c)
            return s->glyphs[i];
    }
    return c;
}

bool isKnown(int set)
{
    return findSet(set) != nullptr;
}

} // namespace charsets
