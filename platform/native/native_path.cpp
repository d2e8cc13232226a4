#include "platform/native/native_path.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace native {

#if defined(_WIN32)

std::filesystem::path PathFromText(std::string_view text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return std::filesystem::path(wide);
}

std::string TextFromPath(const std::filesystem::path& path)
{
    const std::wstring& wide = path.native();
    if (wide.empty())
        return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

std::size_t LastSeparator(std::string_view path)
{
    // In a double-byte code page a '\' byte may be the second half of a character.
    std::size_t separator = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/' || path[i] == '\\')
            separator = i;
        else if (IsDBCSLeadByte(static_cast<BYTE>(path[i])))
            ++i;
    }
    if (separator == std::string_view::npos && path.size() >= 2 && path[1] == ':')
        return 1;
    return separator;
}

#else

std::filesystem::path PathFromText(std::string_view text)
{
    return std::filesystem::path(text);
}

std::string TextFromPath(const std::filesystem::path& path)
{
    return path.string();
}

std::size_t LastSeparator(std::string_view path)
{
    return path.find_last_of('/');
}

#endif

} // namespace native
