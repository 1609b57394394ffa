// The "File" menu's "Open recent": the label lists and report files last opened or saved, as
// the desktop's recently-used list remembers them for this program.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "app/MainForm.h"
#include "stores/CsvList.h"
#include "widgets/ErrorHandler.h"
#include "widgets/RecentFiles.h"

namespace qlx {

namespace {
constexpr int kRecentMenuLength = 10;
}

void MainForm::createRecentMenu() {
    m_fileMenu = new QMenu(QStringLiteral("&File"), this);
    m_fileMenu->setObjectName("File1");
    m_fileMenu->menuAction()->setObjectName("File1Item");
    menuBar()->insertMenu(m_loadSettingsAction, m_fileMenu);
    m_recentMenu = m_fileMenu->addMenu(QStringLiteral("Open &recent"));
    m_recentMenu->setObjectName("OpenRecent1");
    // Read when opened, so that files used by another run, or since removed, show as they are.
    connect(m_recentMenu, &QMenu::aboutToShow, this, &MainForm::fillRecentMenu);
    fillRecentMenu();
}

void MainForm::fillRecentMenu() {
    m_recentMenu->clear();
    const QList<RecentFile> files = recentFiles(kRecentMenuLength);
    int number = 0;
    for (const RecentFile& file : files) {
        ++number;
        // "&1 minerals.csv" ... "1&0 sheet.LFP": the first nine and the tenth by their digit.
        const QString digits = QString::number(number);
        const QString caption =
            (number < 10 ? "&" + digits : digits.left(1) + "&" + digits.mid(1)) + " " +
            QFileInfo(file.path).fileName().replace("&", "&&");
        QAction* action = m_recentMenu->addAction(caption);
        action->setToolTip(QDir::toNativeSeparators(file.path));
        action->setStatusTip(action->toolTip());
        connect(action, &QAction::triggered, this, [this, file] {
            if (file.kind == RecentKind::Report)
                openReportFile(file.path);
            else
                guarded([&] { loadList(file.path, csv::isCsvPath(file.path.toStdString())); },
                        this);
        });
    }
    if (files.isEmpty())
        m_recentMenu->addAction(QStringLiteral("No recent files"))->setEnabled(false);
}

} // namespace qlx
