#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// How the info row sets a chemical formula: which characters go on the line, which are
// lowered as a count and which are raised as a charge. Pure text work; LabelLayout turns
// the glyphs into positions.
//
// On top of the label's own rules (a digit or a point is lowered, the character after a
// point stays on the line) the setting reads the IMA notation:
//   charge      after an element or a closing bracket, one digit and its sign: Fe2+, S2-,
//               (Hg2)2+; raised, sign included (a "-" is drawn as an en dash)
//   count       after an element or a closing bracket, digits with a decimal point, a range
//               or a variable: Li1.5, Fe1-x, Mg4.5-2.5, Cu2-xAlx, (SO4)x/2; lowered whole
//   hydrate     "·" works as the point does and is drawn on the line as a middle dot; the
//               coefficient after it (2, 10-12, 1.5) stays on the line
//   decimal     a "." between two digits whose digits are not followed by water (H2O,
//               (H2O), H and a digit) is a decimal point: the count stays lowered
//   vacancy     "[]" and "□" are drawn as one □
// A "+" or "-" that does not follow digits keeps its place on the line. The few formulas the
// notation leaves ambiguous are read as data-sources/formula-readings.txt says.
namespace qlx {

enum class InfoPlace { Line, Lowered, Raised };

struct InfoGlyph {
    std::string text;          // UTF-8: what is drawn
    char32_t advanceKey = ' '; // the character whose advance leads to the next glyph
    InfoPlace place = InfoPlace::Line;
    int cut = 0; // pixels taken off the advance that leads to this glyph: 0, 4 or 8
};

// The glyphs of an info text (with the lead space the layout puts in front), in order. A
// text without charges, decimals, counts with signs or variables, "·" or vacancies gives one
// glyph per character, placed as the label always placed them.
std::vector<InfoGlyph> setInfoRow(std::string_view text);

// The number of glyphs the text is drawn with: its characters, "[]" counted once.
std::size_t infoGlyphCount(std::string_view text);

// A reading the notation's rule would get wrong, kept in data-sources/formula-readings.txt.
struct FormulaReading {
    std::string token; // the text as the IMA writes it, from the element on
    struct Piece {
        std::string text;
        InfoPlace place = InfoPlace::Line;
    };
    std::vector<Piece> pieces;
};

// The table's rows: tab-separated token, reading and reason; "#" starts a comment line. A
// row whose pieces do not spell its token is left out.
std::vector<FormulaReading> parseFormulaReadings(std::string_view table);

// The readings the program was built with.
const std::vector<FormulaReading>& formulaReadings();

} // namespace qlx
