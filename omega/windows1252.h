#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace omega {

// The data-access library speaks single-byte Windows-1252 text. The five byte values
// the code page leaves undefined map to the control characters of the same number, so
// every byte string decodes and encodes back unchanged.
QString DecodeWindows1252(QByteArrayView bytes);
// Nothing when a character has no byte in the code page (or is NUL, which would end
// the text early on its way through the library).
std::optional<QByteArray> EncodeWindows1252(QStringView text);
// Upper case of one byte of the code page (a-z, the accented letters, š, œ, ž, ÿ).
char UpperWindows1252(char byte);
// Every byte in upper case.
QByteArray UpperWindows1252(QByteArrayView bytes);

} // namespace omega
