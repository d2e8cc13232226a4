#include "windows1252.h"

#include "base/windows1252.h"

#include <array>

namespace omega {

namespace {

constexpr std::array<unsigned char, 256> MakeUpperTable()
{
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c)
        table[static_cast<size_t>(c)] = static_cast<unsigned char>(c - 0x20);
    // à..þ to À..Þ, except ÷ (0xF7), which is no letter.
    for (int c = 0xE0; c <= 0xFE; ++c) {
        if (c != 0xF7)
            table[static_cast<size_t>(c)] = static_cast<unsigned char>(c - 0x20);
    }
    table[0x9A] = 0x8A;  // š Š
    table[0x9C] = 0x8C;  // œ Œ
    table[0x9E] = 0x8E;  // ž Ž
    table[0xFF] = 0x9F;  // ÿ Ÿ
    return table;
}

constexpr std::array<unsigned char, 256> kUpper = MakeUpperTable();

} // namespace

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(static_cast<char16_t>(base::CharOfWindows1252(byte)));
    }
    return text;
}

std::optional<QByteArray> EncodeWindows1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        // NUL would end the text early on its way through the library.
        const std::optional<unsigned char> byte =
            text[i].isNull() ? std::nullopt : base::Windows1252OfChar(text[i].unicode());
        if (!byte)
            return std::nullopt;
        bytes[i] = static_cast<char>(*byte);
    }
    return bytes;
}

char UpperWindows1252(char byte)
{
    return static_cast<char>(kUpper[static_cast<unsigned char>(byte)]);
}

QByteArray UpperWindows1252(QByteArrayView bytes)
{
    QByteArray upper(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        upper[i] = UpperWindows1252(bytes[i]);
    return upper;
}

} // namespace omega
