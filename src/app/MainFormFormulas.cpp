// The window's side of the formulas: the hint on a name the database does not hold, Sheet >
// "Fill formulas from the database", and the render's note on labels without a formula.
#include <QAction>
#include <QLineEdit>
#include <QTextCursor>

#include "app/MainForm.h"
#include "pictures/Text.h"
#include "stores/DataFolder.h"
#include "stores/Error.h"
#include "stores/MineralLookup.h"
#include "widgets/ErrorHandler.h"
#include "widgets/MessageBox.h"
#include "widgets/RichEditBox.h"

namespace qlx {

const std::vector<MineralEntry>& MainForm::databaseEntries() {
    const std::string& text = m_mineralDatabase.text();
    if (m_databaseEntriesOf != text.size() || m_databaseEntries.empty()) {
        m_databaseEntries = mineralEntries(text);
        m_databaseEntriesOf = text.size();
    }
    return m_databaseEntries;
}

// The groups file is optional: without it there are no group hints.
const std::vector<MineralGroup>& MainForm::mineralGroups() {
    if (!m_mineralGroupsRead) {
        m_mineralGroupsRead = true;
        try {
            LineStore file;
            file.loadFromFile(dataFilePath("mineral-groups.txt"));
            m_mineralGroups = parseMineralGroups(file.text());
        } catch (const Error&) {
            m_mineralGroups.clear();
        }
    }
    return m_mineralGroups;
}

QString MainForm::mineralMissTip(const QString& notInDatabase) {
    const std::string hint =
        notFoundHint(databaseEntries(), mineralGroups(), fromQString(m_mineralField->text()));
    return hint.empty() ? notInDatabase : notInDatabase + '\n' + toQString(hint);
}

// A render needs no database: one that cannot be read gives no note rather than an error.
QString MainForm::missingFormulasNote(const std::vector<LabelRecord>& records) {
    try {
        if (mineralStoreNeedsLoad(m_mineralDatabase.text()))
            m_mineralDatabase.loadFromFile(dataFilePath("athena.txt"));
    } catch (const Error&) {
        return {};
    }
    return toQString(missingFormulasMessage(countFillableFormulas(records, databaseEntries())));
}

void MainForm::onFillFormulas() {
    if (mineralStoreNeedsLoad(m_mineralDatabase.text()))
        m_mineralDatabase.loadFromFile(dataFilePath("athena.txt"));
    std::vector<std::size_t> lines;
    if (m_labelList->textCursor().hasSelection()) {
        const RecordRange range = selectedRecords();
        for (int i = range.first; i <= range.last; ++i)
            lines.push_back(std::size_t(i));
    }
    const FormulaFill fill = fillEmptyFormulas(m_labelList->lines().text(), databaseEntries(),
                                               lines.empty() ? nullptr : &lines);
    if (fill.filled > 0)
        editList(fill.listText);
    MessageBox::information(this, kApplicationTitle, toQString(formulaFillSummary(fill)));
}

} // namespace qlx
