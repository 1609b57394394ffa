#pragma once

#include <QtTest>
#include <initializer_list>
#include <utility>

namespace qlx::test {

// A test's data as one column "row" of a struct, a row per tag: one QFETCH(T, row) then reads
// every field, and each row is one line of the table.
template <typename T> void dataRows(std::initializer_list<std::pair<const char*, T>> rows) {
    QTest::addColumn<T>("row");
    for (const auto& [tag, value] : rows)
        QTest::newRow(tag) << value;
}

} // namespace qlx::test
