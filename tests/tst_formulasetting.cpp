// The info row's typesetting of chemical formulas: charges raised, counts lowered whole,
// hydrate coefficients on the line. Checked on chosen formulas with their positions, and on
// every formula of the shipped database against a reading of the IMA notation written here,
// apart from the program's (regular expressions over the text, not the program's scanner).
#include <QtTest>

#include <regex>
#include <set>

#include "render/FormulaSetting.h"
#include "render/LabelLayout.h"
#include "stores/LineStore.h"
#include "stores/Windows1252.h"
#include "support/DataRows.h"
#include "support/TestSupport.h"

using namespace qlx;

namespace {

const std::string kAthena = QLX_SOURCE_DIR "/data/athena.txt";
const QString kReadings = QStringLiteral(QLX_SOURCE_DIR "/data-sources/formula-readings.txt");

constexpr int kLine = LabelLayout::kInfoY;

std::vector<LabelTextOutput> infoOutputs(const std::string& info) {
    LabelLayoutInput in;
    in.info = info;
    in.infoFont.pixelHeight = 27;
    std::vector<LabelTextOutput> out;
    for (const LabelTextOutput& o : LabelLayout::compute(in).outputs) {
        if (o.row == LabelRow::Info)
            out.push_back(o);
    }
    return out;
}

// The drawn row as text, from the outputs' heights: "_{...}" for what is set below the line,
// "^{...}" for what is set above it. The lead space is left out.
std::string drawn(const std::vector<LabelTextOutput>& outs) {
    std::string s;
    char open = 0;
    for (std::size_t i = 1; i < outs.size(); ++i) {
        const char place = outs[i].y > kLine ? '_' : outs[i].y < kLine ? '^' : 0;
        if (place != open) {
            if (open)
                s += '}';
            if (place)
                s += std::string(1, place) + "{";
            open = place;
        }
        s += outs[i].text;
    }
    if (open)
        s += '}';
    return s;
}

// ---- The reading of the IMA notation that the database's formulas are checked against ----

struct Piece {
    std::string text;
    char place = 0; // '_' lowered, '^' raised, 0 on the line
};

// The readings table, read here by itself: token, tab, pieces ("^3+", "_x", "Fe").
std::vector<std::pair<std::string, std::vector<Piece>>> readReadings() {
    std::vector<std::pair<std::string, std::vector<Piece>>> rows;
    const QStringList lines = QString::fromStdString(test::readFile(kReadings)).split('\n');
    for (const QString& line : lines) {
        if (line.startsWith('#') || line.trimmed().isEmpty())
            continue;
        const QStringList cols = line.split('\t');
        std::vector<Piece> pieces;
        for (const QString& p : cols.value(1).split(' ', Qt::SkipEmptyParts)) {
            if (p.startsWith('^') || p.startsWith('_'))
                pieces.push_back({p.mid(1).toStdString(), p[0].toLatin1()});
            else
                pieces.push_back({p.toStdString(), 0});
        }
        rows.emplace_back(cols[0].toStdString(), pieces);
    }
    return rows;
}

const std::set<std::string> kElements = {
    "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na",  "Mg", "Al", "Si", "P",
    "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe",  "Co", "Ni", "Cu", "Zn",
    "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb",  "Mo", "Tc", "Ru", "Rh",
    "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba",  "La", "Ce", "Pr", "Nd",
    "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu",  "Hf", "Ta", "W",  "Re",
    "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Th", "U",  "REE", "Ln"};

// The formula as a mineralogist prints it, in the notation of drawn(), or nothing when this
// reading does not understand every character of it.
std::optional<std::string> expectedSetting(const std::string& formula) {
    static const auto readings = readReadings();
    static const std::regex symbol(R"(^(REE|[A-Z][a-z]?|[)\]}]|\[\]))");
    // One digit and its sign: a charge, unless a variable (or digits with one) follows a
    // "+", or a digit or a variable follows a "-".
    static const std::regex charge(
        R"(^([1-9]\+)(?![xyzn](?![a-z])|[0-9]+(\.[0-9]+)?[xyzn])|^([1-9]-)(?![0-9xyzn]))");
    // A count: terms of digits (with a decimal part not followed by water), a variable, or
    // both, over "/" and digits, joined by "-" or by "+" before a term with a variable.
    static const std::string term =
        R"((?:[0-9]+(?:\.[0-9]+(?![0-9]|\(?H[0-9]))?(?:[xyzn](?![a-z]))?|[xyzn](?![a-z]))(?:/[0-9]+)?)";
    static const std::string varTerm =
        R"((?:[0-9]+(?:\.[0-9]+)?[xyzn](?![a-z])|[xyzn](?![a-z]))(?:/[0-9]+)?)";
    static const std::regex count("^" + term + "(?:-" + term + "|\\+" + varTerm + ")*");
    static const std::regex hydrate(std::string("^\xB7") +
                                    R"((~?[0-9]+(?:\.[0-9]+)?(?:-[0-9]+(?:\.[0-9]+)?)?)?)");
    static const std::regex plainChar(R"(^[a-z(\[{,+\-/~<>=.?\x20;:])");
    static const std::regex digitsAfterPoint(R"(^[0-9])");

    // The formula is Windows-1252 here; "·" is byte B7.
    std::vector<Piece> out;
    auto add = [&](const std::string& text, char place) {
        out.push_back({text, place});
    };
    std::size_t i = 0;
    std::smatch m;
    const std::string& f = formula;
    while (i < f.size()) {
        const std::string rest = f.substr(i);
        bool done = false;
        for (const auto& [token, pieces] : readings) {
            if (rest.rfind(token, 0) == 0 &&
                !(rest.size() > token.size() &&
                  (std::isdigit(static_cast<unsigned char>(rest[token.size()])) ||
                   std::islower(static_cast<unsigned char>(rest[token.size()]))))) {
                for (const Piece& p : pieces)
                    add(p.text, p.place);
                i += token.size();
                done = true;
                break;
            }
        }
        if (done)
            continue;
        if (std::regex_search(rest, m, hydrate)) {
            add("\xB7", 0);
            add(m[1].str(), 0);
            i += m.length(0);
            continue;
        }
        if (std::regex_search(rest, m, symbol)) {
            std::string s = m[1].str();
            // A capital and a small letter that are no element are the capital alone.
            if (s.size() == 2 && std::isupper(static_cast<unsigned char>(s[0])) &&
                !kElements.count(s))
                s = s.substr(0, 1);
            if (std::isupper(static_cast<unsigned char>(s[0])) && !kElements.count(s))
                return std::nullopt;
            add(s == "[]" ? "\xA4" : s, 0); // a stand-in byte for the square, mapped below
            i += s.size();
            const std::string after = f.substr(i);
            if (std::regex_search(after, m, charge)) {
                std::string c = m.str(0);
                add(c, '^');
                i += c.size();
            }
            const std::string after2 = f.substr(i);
            if (std::regex_search(after2, m, count) && m.length(0) > 0) {
                add(m.str(0), '_');
                i += m.length(0);
            }
            continue;
        }
        // The label's own rules for the rest: a digit or a point is lowered, and a
        // character after a point stays on the line.
        const char c = f[i];
        const bool afterPoint = i > 0 && f[i - 1] == '.';
        // Digits with a decimal part, not before water, are lowered whole wherever they stand.
        static const std::regex decimal(R"(^[0-9]+\.[0-9]+(?![0-9]|\(?H[0-9]))");
        if (!afterPoint && std::regex_search(rest, m, decimal)) {
            add(m.str(0), '_');
            i += m.length(0);
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            add(std::string(1, c), afterPoint ? 0 : '_');
            ++i;
            continue;
        }
        if (std::regex_search(rest, m, plainChar)) {
            add(std::string(1, c), 0);
            ++i;
            continue;
        }
        return std::nullopt;
    }
    // Into the notation of drawn(), in UTF-8, with the drawn signs.
    std::string s;
    char open = 0;
    for (const Piece& p : out) {
        if (p.text.empty())
            continue;
        std::string text = cp1252::toUtf8(p.text);
        if (p.text == "\xA4")
            text = "\u25A1";
        if (p.place) {
            std::string dashed;
            for (char ch : text)
                dashed += ch == '-' ? std::string("\u2013") : std::string(1, ch);
            text = dashed;
        }
        if (p.place != open) {
            if (open)
                s += '}';
            if (p.place)
                s += std::string(1, p.place) + "{";
            open = p.place;
        }
        s += text;
    }
    if (open)
        s += '}';
    return s;
}

using SettingRow = std::pair<QString, QString>;                 // info text, drawn row
using SpacingRow = std::tuple<QString, QList<int>, QList<int>>; // info, x, y

} // namespace

class FormulaSettingTest : public QObject {
    Q_OBJECT
private slots:
    void formulas_data() {
        test::dataRows<SettingRow>({
            {"magnetite", {"Fe2+Fe3+2O4", "Fe^{2+}Fe^{3+}_{2}O_{4}"}},
            {"almandine", {"Fe2+3Al2(SiO4)3", "Fe^{2+}_{3}Al_{2}(SiO_{4})_{3}"}},
            {"vivianite", {"Fe2+3(PO4)2\u00B78H2O", "Fe^{2+}_{3}(PO_{4})_{2}\u00B78H_{2}O"}},
            {"gypsum", {"Ca(SO4)\u00B72H2O", "Ca(SO_{4})\u00B72H_{2}O"}},
            {"elbaite, decimals", {"Na(Al1.5Li1.5)Al6", "Na(Al_{1.5}Li_{1.5})Al_{6}"}},
            {"pyrrhotite, variable", {"Fe1-xS", "Fe_{1\u2013x}S"}},
            {"range of decimals",
             {"(Mg4.5-2.5Fe2+0.5-2.5)", "(Mg_{4.5\u20132.5}Fe^{2+}_{0.5\u20132.5})"}},
            {"variables", {"Cu2-xAlx", "Cu_{2\u2013x}Al_{x}"}},
            {"hydrate coefficient of two digits",
             {"Na2CO3\u00B710H2O", "Na_{2}CO_{3}\u00B710H_{2}O"}},
            {"hydrate range", {"CaO\u00B710-12H2O", "CaO\u00B710-12H_{2}O"}},
            {"hydrate decimal range", {"O2\u00B71.5-2H2O", "O_{2}\u00B71.5-2H_{2}O"}},
            {"count with a plus and a variable", {"Ca4Be2+xAl2-x", "Ca_{4}Be_{2+x}Al_{2\u2013x}"}},
            {"count over two terms", {"Pb4+2xSb40-x-y", "Pb_{4+2x}Sb_{40\u2013x\u2013y}"}},
            {"charge then a two-digit count", {"Sn2+21O6", "Sn^{2+}_{21}O_{6}"}},
            {"negative charge", {"(S2-)1.5", "(S^{2\u2013})_{1.5}"}},
            {"range", {"Ca1-2(Ti,Zr)", "Ca_{1\u20132}(Ti,Zr)"}},
            {"bracket charge", {"(Hg2)2+10O6", "(Hg_{2})^{2+}_{10}O_{6}"}},
            {"fraction", {"(SO4)x/2(OH)2", "(SO_{4})_{x/2}(OH)_{2}"}},
            {"vacancy with count", {"([]0.5Ca0.5)", "(\u25A1_{0.5}Ca_{0.5})"}},
            {"square as the IMA writes it", {"\u25A1Ca2", "\u25A1Ca_{2}"}},
            {"sign without digits stays on the line", {"Cu+(SH)-", "Cu+(SH)-"}},
            {"table: iron 3+ with count x", {"(Ni1-xFe3+x)", "(Ni_{1\u2013x}Fe^{3+}_{x})"}},
            {"table: nitride", {"Hg2+55N3-24", "Hg^{2+}_{55}N^{3\u2013}_{24}"}},
            {"decimal outside a count", {"12.5 g", "_{12.5} g"}},
            // The label's own rules, untouched.
            {"hydrate point", {"CuSO4.5H2O", "CuSO_{4.}5H_{2}O"}},
            {"point before water in brackets", {"X4.5(H2O)", "X_{4.}5(H_{2}O)"}},
            {"two points", {"a..5.b", "a_{.}.5_{.}b"}},
            {"exclamation and comma", {"!1,2", "!_{1},_{2}"}},
            {"words", {"Box Max", "Box Max"}},
        });
    }
    void formulas() {
        QFETCH(SettingRow, row);
        QCOMPARE(QString::fromStdString(drawn(infoOutputs(row.first.toStdString()))), row.second);
    }

    // Where the glyphs go: the chosen raise and spacings.
    void spacing_data() {
        test::dataRows<SpacingRow>({
            // Each script glyph takes 4 off its advance, as a lowered digit does; the count
            // after a charge follows the sign's 25.
            {"magnetite",
             {"Fe2+Fe3+2O4",
              {147, 172, 197, 212, 225, 250, 275, 290, 303, 324, 341, 365},
              {139, 139, 139, 130, 130, 139, 139, 130, 130, 153, 139, 153}}},
            // The middle dot is spaced as the point: 4 off before it, 8 off after it.
            {"gypsum",
             {"CaSO4\u00B72H2O",
              {147, 172, 197, 214, 239, 263, 276, 293, 310, 331, 348},
              {139, 139, 139, 139, 139, 153, 139, 139, 139, 153, 139}}},
            // The first digit after a decimal point is set as after a point (8 off), and
            // lowered.
            {"decimal", {"Li1.5", {147, 172, 197, 210, 223, 240}, {139, 139, 139, 153, 153, 153}}},
            // The square is one glyph with the advance of a character outside the table.
            {"vacancy", {"[]K", {147, 172, 197}, {139, 139, 139}}},
        });
    }
    void spacing() {
        QFETCH(SpacingRow, row);
        const auto [info, x, y] = row;
        QList<int> xs, ys;
        for (const LabelTextOutput& o : infoOutputs(info.toStdString())) {
            xs << int(o.x);
            ys << int(o.y);
        }
        QCOMPARE(xs, x);
        QCOMPARE(ys, y);
    }

    // The size steps count the square as one character.
    void vacancyCountsOnce() {
        const std::string twentyTwo = "[]" + std::string(21, 'a'); // 22 glyphs, 23 characters
        QCOMPARE(infoGlyphCount(twentyTwo), std::size_t(22));
        LabelLayoutInput in;
        in.info = twentyTwo;
        QCOMPARE(LabelLayout::compute(in).reduction, 0);
        in.info = "[]" + std::string(22, 'a');
        QCOMPARE(LabelLayout::compute(in).reduction, 6);
    }

    // A row whose pieces do not spell its token is left out; comments and blank lines are
    // skipped; the shipped table parses whole.
    void readingsTable() {
        const auto rows = parseFormulaReadings("# comment\n\nFe3+x\tFe ^3+ _x\twhy\r\n"
                                               "Bad1\tBa ^1\tpieces short\nN3-\tN ^3-\n");
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(rows[0].token, std::string("Fe3+x"));
        QCOMPARE(rows[0].pieces.size(), std::size_t(3));
        QCOMPARE(rows[0].pieces[1].place, InfoPlace::Raised);
        QCOMPARE(rows[0].pieces[2].place, InfoPlace::Lowered);
        QCOMPARE(rows[1].token, std::string("N3-"));
        QCOMPARE(formulaReadings().size(), readReadings().size());
    }

    // Every formula of the shipped database, as the IMA notation reads.
    void everyDatabaseFormula() {
        LineStore database;
        database.loadFromFile(kAthena);
        QCOMPARE(database.count(), 5763);
        int accepted = 0;
        int charges = 0;
        QStringList unread;
        QStringList wrong;
        for (int i = 0; i < database.count(); ++i) {
            const std::string line = cp1252::fromUtf8(database.line(i));
            const std::size_t a = line.find('|', 1);
            const std::size_t b = line.find('|', a + 1);
            std::string formula = line.substr(a + 1, b - a - 1);
            formula.erase(std::remove(formula.begin(), formula.end(), ' '), formula.end());
            const std::optional<std::string> expected = expectedSetting(formula);
            if (!expected) {
                unread << QString::fromStdString(cp1252::toUtf8(formula));
                continue;
            }
            ++accepted;
            if (expected->find('^') != std::string::npos)
                ++charges;
            const std::string got = drawn(infoOutputs(cp1252::toUtf8(formula)));
            if (got != *expected)
                wrong << QString::fromStdString(cp1252::toUtf8(formula) + "  drawn " + got +
                                                "  expected " + *expected);
        }
        qInfo("%d of 5763 formulas read, %d with charges; not read: %s", accepted, charges,
              qPrintable(unread.join("  ")));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
        QVERIFY2(unread.size() <= 12, qPrintable(unread.join("  ")));
        // 1,589 formulas of the IMA list hold a "+", some of them in a count (Be2+x) or after
        // no digit (Cu+): 1,563 have a charge to raise.
        QVERIFY(charges >= 1560);
    }
};

QTEST_GUILESS_MAIN(FormulaSettingTest)
#include "tst_formulasetting.moc"
