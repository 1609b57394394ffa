#include "support/DataFolderFixture.h"

#include <QDir>
#include <QFile>

#include "stores/DataFolder.h"
#include "support/TestSupport.h"

namespace qlx::test {

const char DataFolderFixture::kDatabase[] = "| ANDALUSITE     | Al2 Si O5 |\r\n"
                                            "| CALCITE        | Ca C O3 |\r\n"
                                            "| CHALCOPYRITE   | Cu Fe S2 |\r\n"
                                            "| MAGNETITE      | Fe2+ Fe3+ 2 O4 |\r\n"
                                            "| \xC5SARITE        | Fe S |\r\n";

const char DataFolderFixture::kCache[] = "|Falun, Dalarna\r\n|Kiruna\r\n";

QString DataFolderFixture::sourceData(const QString& name) {
    return QStringLiteral(QLX_SOURCE_DIR "/data/") + name;
}

DataFolderFixture::DataFolderFixture() {
    if (!m_dir.isValid())
        return;
    m_prefix = m_dir.path() + "/";
    m_valid = writeFile(m_prefix + "athena.txt", kDatabase) &&
              writeFile(m_prefix + "cachedloc.txt", kCache);
    for (const char* bmp : {"labelcomplete.bmp", "labelclean.bmp", "labelreduced.bmp"})
        m_valid = m_valid && QFile::copy(sourceData(bmp), m_prefix + bmp);
    setDataFolderPrefixForTests(m_prefix.toStdString());
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
}

DataFolderFixture::~DataFolderFixture() {
    QDir::setCurrent(m_oldCwd);
    setDataFolderPrefixForTests(std::nullopt);
}

} // namespace qlx::test
