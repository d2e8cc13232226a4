#pragma once

// Qt text in GoogleTest's failure messages as text rather than characters; lists of it
// print element by element through this.

#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
