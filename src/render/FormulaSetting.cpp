#include "render/FormulaSetting.h"

#include <algorithm>
#include <array>

#include "stores/Utf8.h"

namespace qlx {

namespace {

constexpr char32_t kMiddleDot = 0x00B7;
constexpr char32_t kWhiteSquare = 0x25A1;
constexpr char32_t kEnDash = 0x2013;

// The readings table, compiled in from data-sources/formula-readings.txt.
constexpr std::string_view kReadingsTable =
#include "render/FormulaReadings.inc"
    ;

// What each character of the text is to the setting.
enum class Role {
    Plain,        // the label's own rule decides
    Count,        // lowered, part of a count
    Charge,       // raised, part of a charge
    Coefficient,  // a hydrate coefficient after "·", on the line
    HydrateDot,   // "·"
    DecimalPoint, // lowered
    DecimalFirst, // the first digit after a decimal point: lowered, spaced as after a point
    Vacancy,      // "[" of "[]", or "□"
    Skipped,      // "]" of "[]"
};

bool isDigit(char32_t c) {
    return c >= '0' && c <= '9';
}
bool isUpper(char32_t c) {
    return c >= 'A' && c <= 'Z';
}
bool isLower(char32_t c) {
    return c >= 'a' && c <= 'z';
}
// The letters the IMA list uses for a variable count.
bool isVariable(char32_t c) {
    return c == 'x' || c == 'y' || c == 'z' || c == 'n';
}
bool isSign(char32_t c) {
    return c == '+' || c == '-';
}
bool isClosingBracket(char32_t c) {
    return c == ')' || c == ']' || c == '}';
}

// The element symbols, and the IMA's group symbols REE and Ln.
bool isElement(std::u32string_view s) {
    static constexpr std::array<std::string_view, 120> kSymbols = {
        "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si",  "P",
        "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu",  "Zn",
        "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru",  "Rh",
        "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr",  "Nd",
        "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",   "Re",
        "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac",  "Th",
        "Pa", "U",  "Np", "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf",  "Db",
        "Sg", "Bh", "Hs", "Mt", "Ds", "Rg", "Cn", "Nh", "Fl", "Mc", "Lv", "Ts", "Og", "REE", "Ln"};
    for (std::string_view symbol : kSymbols) {
        if (symbol.size() == s.size() && std::equal(symbol.begin(), symbol.end(), s.begin()))
            return true;
    }
    return false;
}

class Setter {
public:
    explicit Setter(std::string_view text) {
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t start = pos;
            m_chars.push_back(utf8::next(text, pos));
            m_bytes.emplace_back(text.substr(start, pos - start));
        }
        m_roles.assign(m_chars.size(), Role::Plain);
    }

    std::vector<InfoGlyph> glyphs() {
        assignRoles();
        std::vector<InfoGlyph> out;
        char32_t predecessor = 0;
        bool hasPredecessor = false;
        for (std::size_t i = 0; i < m_chars.size(); ++i) {
            const Role role = m_roles[i];
            if (role == Role::Skipped)
                continue;
            const char32_t c = m_chars[i];
            const bool afterPoint =
                hasPredecessor && (predecessor == '.' || predecessor == kMiddleDot);
            InfoGlyph g;
            g.text = m_bytes[i];
            g.advanceKey = c;
            switch (role) {
            case Role::Plain:
                if (afterPoint) {
                    g.cut = 8;
                } else if (isDigit(c) || c == '.') {
                    g.place = InfoPlace::Lowered;
                    g.cut = 4;
                }
                break;
            case Role::Count:
            case Role::DecimalPoint:
                g.place = InfoPlace::Lowered;
                g.cut = afterPoint ? 8 : 4;
                break;
            case Role::DecimalFirst:
                g.place = InfoPlace::Lowered;
                g.cut = 8;
                break;
            case Role::Charge:
                g.place = InfoPlace::Raised;
                g.cut = 4;
                break;
            case Role::Coefficient:
                g.cut = afterPoint ? 8 : 0;
                break;
            case Role::HydrateDot:
                g.cut = afterPoint ? 8 : 4;
                break;
            case Role::Vacancy:
                g.text = utf8::fromCodePoint(kWhiteSquare);
                g.advanceKey = kWhiteSquare;
                g.cut = afterPoint ? 8 : 0;
                break;
            case Role::Skipped:
                break;
            }
            if ((role == Role::Count || role == Role::Charge) && c == '-')
                g.text = utf8::fromCodePoint(kEnDash);
            out.push_back(std::move(g));
            predecessor = c;
            hasPredecessor = true;
        }
        return out;
    }

private:
    char32_t at(std::size_t i) const { return i < m_chars.size() ? m_chars[i] : 0; }

    void mark(std::size_t from, std::size_t to, Role role) {
        for (std::size_t i = from; i < to && i < m_roles.size(); ++i)
            m_roles[i] = role;
    }

    // The end of the element symbol that starts at i, or i when none does. A capital and a
    // small letter make one symbol when they are one (Sn, not S and a variable n).
    std::size_t elementEnd(std::size_t i) const {
        if (!isUpper(at(i)))
            return i;
        if (at(i) == 'R' && at(i + 1) == 'E' && at(i + 2) == 'E')
            return i + 3;
        if (isLower(at(i + 1)) && isElement(std::u32string{at(i), at(i + 1)}))
            return i + 2;
        if (isElement(std::u32string{at(i)}))
            return i + 1;
        return i;
    }

    // Water right after position i: H2O, (H2O), or H and a digit.
    bool waterAt(std::size_t i) const {
        if (at(i) == '(')
            ++i;
        return at(i) == 'H' && isDigit(at(i + 1));
    }

    std::size_t digitsEnd(std::size_t i) const {
        while (isDigit(at(i)))
            ++i;
        return i;
    }

    // A "." at i between digits whose digits are not followed by water.
    bool decimalPointAt(std::size_t i) const {
        return at(i) == '.' && i > 0 && isDigit(at(i - 1)) && isDigit(at(i + 1)) &&
               !waterAt(digitsEnd(i + 1));
    }

    // One term of a count at i: digits with a decimal part, a variable after digits, or a
    // variable alone, each perhaps over "/" and digits (x/2). Returns i when there is none;
    // `variable` tells whether the term has one.
    std::size_t termEnd(std::size_t i, bool& variable) const {
        std::size_t k = i;
        variable = false;
        if (isDigit(at(k))) {
            k = digitsEnd(k);
            if (decimalPointAt(k))
                k = digitsEnd(k + 1);
        }
        if (isVariable(at(k)) && !isLower(at(k + 1))) {
            ++k;
            variable = true;
        }
        if (k > i && at(k) == '/' && isDigit(at(k + 1)))
            k = digitsEnd(k + 1);
        return k;
    }

    // The count that starts at i: terms joined by signs (1-x, 0.5-2.5, 6+x, 8-x-z). A "+"
    // joins only a term with a variable, a "-" any term.
    std::size_t countEnd(std::size_t i) const {
        bool variable = false;
        std::size_t k = termEnd(i, variable);
        if (k == i)
            return i;
        while (isSign(at(k))) {
            const std::size_t next = termEnd(k + 1, variable);
            if (next == k + 1 || (at(k) == '+' && !variable))
                break;
            k = next;
        }
        return k;
    }

    // Whether the digit at d and the sign after it are a charge.
    bool chargeAt(std::size_t d) const {
        if (!isDigit(at(d)) || !isSign(at(d + 1)))
            return false;
        const std::size_t after = d + 2;
        const char32_t c = at(after);
        if (at(d + 1) == '-')
            return !isDigit(c) && !isVariable(c);
        if (isVariable(c) && !isLower(at(after + 1)))
            return false;
        if (isDigit(c)) {
            bool variable = false;
            termEnd(after, variable);
            return !variable;
        }
        return true;
    }

    // A row of the readings table that starts at i. Its token must not run on into more
    // digits or letters.
    const FormulaReading* readingAt(std::size_t i) const {
        for (const FormulaReading& r : formulaReadings()) {
            std::size_t k = i;
            std::size_t pos = 0;
            bool same = true;
            while (pos < r.token.size()) {
                if (utf8::next(r.token, pos) != at(k++)) {
                    same = false;
                    break;
                }
            }
            if (same && !isDigit(at(k)) && !isLower(at(k)))
                return &r;
        }
        return nullptr;
    }

    // Marks a count or a charge and its count after the anchor that ends at j; returns where
    // the scan goes on.
    std::size_t afterAnchor(std::size_t j) {
        if (chargeAt(j)) {
            mark(j, j + 2, Role::Charge);
            j += 2;
        }
        const std::size_t end = countEnd(j);
        mark(j, end, Role::Count);
        for (std::size_t k = j; k < end; ++k) {
            if (decimalPointAt(k)) {
                m_roles[k] = Role::DecimalPoint;
                m_roles[k + 1] = Role::DecimalFirst;
            }
        }
        return std::max(end, j);
    }

    void assignRoles() {
        std::size_t i = 0;
        while (i < m_chars.size()) {
            const char32_t c = m_chars[i];
            if (c == '[' && at(i + 1) == ']') {
                m_roles[i] = Role::Vacancy;
                m_roles[i + 1] = Role::Skipped;
                i = afterAnchor(i + 2); // a vacancy takes a count as an atom does: [box]0.5
                continue;
            }
            if (c == kWhiteSquare) {
                m_roles[i] = Role::Vacancy;
                i = afterAnchor(i + 1);
                continue;
            }
            if (c == kMiddleDot) {
                m_roles[i] = Role::HydrateDot;
                std::size_t k = i + 1;
                if (at(k) == '~')
                    ++k;
                while (isDigit(at(k)) || at(k) == '.' || (at(k) == '-' && isDigit(at(k + 1))))
                    ++k;
                mark(i + 1, k, Role::Coefficient);
                i = std::max(k, i + 1);
                continue;
            }
            if (const FormulaReading* r = isUpper(c) ? readingAt(i) : nullptr) {
                std::size_t k = i;
                for (const FormulaReading::Piece& piece : r->pieces) {
                    const std::size_t n = utf8::length(piece.text);
                    const Role role = piece.place == InfoPlace::Raised    ? Role::Charge
                                      : piece.place == InfoPlace::Lowered ? Role::Count
                                                                          : Role::Plain;
                    mark(k, k + n, role);
                    k += n;
                }
                i = k;
                continue;
            }
            const std::size_t symbolEnd = isClosingBracket(c) ? i + 1 : elementEnd(i);
            if (symbolEnd > i) {
                i = afterAnchor(symbolEnd);
                continue;
            }
            // A decimal point outside a count (the label's own rule would leave the digit after
            // it on the line).
            if (isDigit(c) && decimalPointAt(i + 1)) {
                m_roles[i + 1] = Role::DecimalPoint;
                m_roles[i + 2] = Role::DecimalFirst;
                i += 3;
                continue;
            }
            ++i;
        }
    }

    std::vector<char32_t> m_chars;
    std::vector<std::string> m_bytes;
    std::vector<Role> m_roles;
};

} // namespace

std::vector<InfoGlyph> setInfoRow(std::string_view text) {
    return Setter(text).glyphs();
}

std::size_t infoGlyphCount(std::string_view text) {
    std::size_t count = 0;
    char32_t previous = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = utf8::next(text, pos);
        if (!(c == ']' && previous == '['))
            ++count;
        previous = c == ']' && previous == '[' ? 0 : c;
    }
    return count;
}

std::vector<FormulaReading> parseFormulaReadings(std::string_view table) {
    std::vector<FormulaReading> readings;
    std::size_t start = 0;
    while (start < table.size()) {
        std::size_t end = table.find('\n', start);
        if (end == std::string_view::npos)
            end = table.size();
        std::string_view line = table.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t tab1 = line.find('\t');
        if (tab1 == std::string_view::npos)
            continue;
        const std::size_t tab2 = line.find('\t', tab1 + 1);
        FormulaReading r;
        r.token = std::string(line.substr(0, tab1));
        const std::string_view reading = line.substr(
            tab1 + 1, tab2 == std::string_view::npos ? std::string_view::npos : tab2 - tab1 - 1);
        std::string spelled;
        std::size_t p = 0;
        while (p < reading.size()) {
            std::size_t q = reading.find(' ', p);
            if (q == std::string_view::npos)
                q = reading.size();
            std::string_view piece = reading.substr(p, q - p);
            p = q + 1;
            if (piece.empty())
                continue;
            FormulaReading::Piece out;
            if (piece.front() == '^' || piece.front() == '_') {
                out.place = piece.front() == '^' ? InfoPlace::Raised : InfoPlace::Lowered;
                piece.remove_prefix(1);
            }
            out.text = std::string(piece);
            spelled += out.text;
            r.pieces.push_back(std::move(out));
        }
        if (!r.token.empty() && spelled == r.token)
            readings.push_back(std::move(r));
    }
    return readings;
}

const std::vector<FormulaReading>& formulaReadings() {
    static const std::vector<FormulaReading> readings = parseFormulaReadings(kReadingsTable);
    return readings;
}

} // namespace qlx
