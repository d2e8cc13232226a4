#include "platform/native/shown_text.h"

#include "base/utf8.h"
#include "base/windows1252.h"

#include <cstdint>
#include <cstdio>

namespace native {

namespace {

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void AppendEscaped(std::string& out, unsigned value)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", value & 0xFFu);
    out += escaped;
}

// The character that starts at `text[i]` and its length in bytes; a length of 0 when the
// bytes there are no well-formed UTF-8 (overlong forms, surrogates and cut sequences too).
std::pair<char32_t, size_t> NextUtf8(std::string_view text, size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80)
        return {lead, 1};
    size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07u, least = 0x10000;
    } else {
        return {0, 0};
    }
    if (text.size() - i < length)
        return {0, 0};
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return {0, 0};
        c = (c << 6) | (next & 0x3Fu);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return {0, 0};
    return {c, length};
}

} // namespace

std::string ShownWindows1252(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (const char byte : text) {
        const char32_t c = base::CharOfWindows1252(static_cast<unsigned char>(byte));
        if (IsControl(c))
            AppendEscaped(shown, static_cast<unsigned char>(byte));
        else
            base::AppendUtf8(shown, c);
    }
    return shown;
}

std::string ShownUtf8(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto [c, length] = NextUtf8(text, i);
        if (length == 0 || IsControl(c)) {
            // A C1 control is two bytes in UTF-8: show its number, not its lead byte.
            AppendEscaped(shown, length == 0 ? static_cast<unsigned char>(text[i]) : static_cast<unsigned>(c));
            i += length == 0 ? 1 : length;
            continue;
        }
        shown.append(text, i, length);
        i += length;
    }
    return shown;
}

std::optional<std::string> Windows1252FromUtf8(std::string_view text, std::string* unheld)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto [c, length] = NextUtf8(text, i);
        const std::optional<unsigned char> byte = length != 0 ? base::Windows1252OfChar(c) : std::nullopt;
        if (!byte) {
            if (unheld) {
                unheld->clear();
                if (length == 0)
                    AppendEscaped(*unheld, static_cast<unsigned char>(text[i]));
                else
                    unheld->assign(text, i, length);
            }
            return std::nullopt;
        }
        bytes += static_cast<char>(*byte);
        i += length;
    }
    return bytes;
}

} // namespace native
