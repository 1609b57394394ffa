#pragma once

// QtTest support for std::string byte strings (the text values of the stores): data columns
// and readable QCOMPARE failures, with control and non-ASCII bytes escaped.

#include <QtTest>
#include <string>

namespace QTest {
template <> inline char* toString<std::string>(const std::string& s) {
    return toPrettyCString(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace QTest
