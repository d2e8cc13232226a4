// The text the tools print from files and arguments (omegadb list, dump and check, sheetdump's
// labels, tessaport-import's messages) on random bytes: every control character comes out
// escaped, the output is well-formed UTF-8, and escaping it again changes nothing.

#include "fuzz_check.h"
#include "platform/native/shown_text.h"
#include "quality/check_report.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Well-formed UTF-8 with no C0 (but the separators `allowed`), DEL or C1 character.
bool SafeForATerminal(std::string_view text, std::string_view allowed = {})
{
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4                  ? 4
                                                                        : 0;
        if (length == 0 || text.size() - i < length)
            return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        if (control && allowed.find(static_cast<char>(c)) == std::string_view::npos)
            return false;
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::string fromDatabase = native::ShownWindows1252(input);
    FUZZ_CHECK(SafeForATerminal(fromDatabase));
    FUZZ_CHECK(native::ShownUtf8(fromDatabase) == fromDatabase);

    const std::string fromArgument = native::ShownUtf8(input);
    FUZZ_CHECK(SafeForATerminal(fromArgument));
    FUZZ_CHECK(native::ShownUtf8(fromArgument) == fromArgument);

    // A text omegadb add would store comes back as it was typed, when it holds no control.
    if (const auto stored = native::Windows1252FromUtf8(input); stored && SafeForATerminal(input))
        FUZZ_CHECK(native::ShownWindows1252(*stored) == input);

    // omegadb check's table and CSV lines with a symbol from the database.
    quality::Finding finding;
    finding.date = 19980305;
    finding.values = "high=9.5 low=10";
    finding.reason = "the high is below the low";
    FUZZ_CHECK(SafeForATerminal(quality::TableLine(fromDatabase, finding)));
    const std::string csv = quality::CsvLine(fromDatabase, finding);
    FUZZ_CHECK(SafeForATerminal(csv));
    FUZZ_CHECK(fromDatabase.find('\\') == std::string::npos || csv.front() == '"');
    return 0;
}
