#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QWidget;

namespace widgets {

// Removes and returns the next token from the front of `commandLine`: a word up to the
// next blank, or the text between double quotes. A quote that is never closed takes
// the rest of the line.
QString NextToken(QString& commandLine);

// `path`, or `path` with leading folders replaced by "...", so that it fits `maxWidth`
// pixels in the font of `measuringWindow`. The root and the file name are always kept,
// even when the result is still too wide.
QString ShortenPath(const QString& path, const QWidget& measuringWindow, int maxWidth);

// The leading number of `token` (sign, digits, fraction, exponent), rounded to a whole
// number with halves going to the even neighbour; 0 when the token does not begin with
// one. Nothing when the number is outside the 32-bit range.
std::optional<int32_t> LeadingWholeNumber(const QString& token);

} // namespace widgets
