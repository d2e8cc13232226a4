// The text the tools print from files and arguments (omegadb list, dump and check, sheetdump's
// labels, tessaport-import's messages): no control character gets out unescaped.

#include "fuzz_support.h"
#include "platform/native/shown_text.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // UTF-8 with no C0, DEL or C1 character, no lead C0 or C1 (an overlong pair) and none past F4.
    const auto safeForATerminal = [](std::string_view text) {
        return fuzz::ForEachCharacter(text, [](char32_t c, size_t length) {
            return !(length == 2 && c < 0x80) && c < 0x140000 && c >= 0x20 && !(c >= 0x7F && c <= 0x9F);
        });
    };
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    for (const std::string& shown : {native::ShownWindows1252(input), native::ShownUtf8(input)}) {
        FUZZ_CHECK(safeForATerminal(shown));
        FUZZ_CHECK(native::ShownUtf8(shown) == shown);
    }

    // A text omegadb add would store comes back as it was typed, when it holds no control.
    if (const auto stored = native::Windows1252FromUtf8(input); stored && safeForATerminal(input))
        FUZZ_CHECK(native::ShownWindows1252(*stored) == input);
    return 0;
}
