#pragma once

#include <QString>
#include <QTemporaryDir>

namespace qlx::test {

// A data folder of the test's own, holding a small mineral database, a locality cache and the
// three stock backgrounds; it is also the current folder while the fixture lives.
class DataFolderFixture {
public:
    static const char kDatabase[];
    static const char kCache[];

    DataFolderFixture();
    ~DataFolderFixture();
    DataFolderFixture(const DataFolderFixture&) = delete;
    DataFolderFixture& operator=(const DataFolderFixture&) = delete;

    bool isValid() const { return m_valid; }
    // The folder with its trailing '/'.
    const QString& prefix() const { return m_prefix; }

    // The path of one of the program's own data files in the source tree.
    static QString sourceData(const QString& name);

private:
    QTemporaryDir m_dir;
    QString m_prefix;
    QString m_oldCwd;
    bool m_valid = false;
};

} // namespace qlx::test
