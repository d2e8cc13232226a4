#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A pull reader of the XML an xlsx package holds, reading its bytes in pieces from a
// source, so a part of any size costs one buffer. Elements, attributes, text with the five
// named and the numeric character references, CDATA, comments and processing instructions;
// a document type declaration is refused (no entity can expand). Names, attribute values,
// nesting and text are bounded, so hostile XML is refused or cut, never allowed to grow.
class XmlReader {
public:
    // Fills up to `size` bytes; the count, 0 at the end, or -1 with the reason in `error`.
    using Source = std::function<long long(char* buffer, std::size_t size, std::string& error)>;

    enum class Token { StartElement, EndElement, Text, End, Error };

    static constexpr std::size_t kMaxDepth = 64;
    static constexpr std::size_t kMaxName = 256;
    static constexpr std::size_t kMaxAttributeValue = 64 * 1024;
    static constexpr std::size_t kMaxAttributes = 64;

    // Text beyond `maxText` bytes of one run is skipped and TextCut says so.
    XmlReader(Source source, std::size_t maxText);

    Token Next();
    // The element's name without its prefix ("sheetData" of "x:sheetData").
    std::string_view Name() const { return localName_; }
    // An attribute's value by its name without prefix; nothing when absent.
    std::optional<std::string_view> Attribute(std::string_view localName) const;
    // The text of a Text token (runs of text, CDATA and references up to the next tag).
    const std::string& Text() const { return text_; }
    bool TextCut() const { return textCut_; }
    const std::string& Error() const { return error_; }
    std::size_t Depth() const { return open_.size(); }
    long long Line() const { return line_; }

    // Skips to the end of the element just started; false on an error.
    bool SkipElement();
    // The text inside the element just started, up to its end tag (inner tags skipped);
    // nothing on an error.
    std::optional<std::string> ElementText(bool* cut = nullptr);

private:
    int Get();
    int Peek();
    bool Fill();
    Token Fail(std::string what);
    Token ReadTag();
    Token ReadText(int first);
    bool ReadName(std::string& name);
    bool ReadReference(std::string& into, std::size_t limit, bool& cut);
    bool SkipPast(std::string_view end);
    void SkipBlanks();
    static std::string_view LocalOf(std::string_view name);

    Source source_;
    std::size_t maxText_;
    std::vector<char> buffer_;
    std::size_t at_ = 0;
    std::size_t end_ = 0;
    bool sourceDone_ = false;
    long long line_ = 1;

    std::vector<std::string> open_;
    bool pendingEnd_ = false;  // an empty element <x/> gives its end token next
    std::string name_;
    std::string_view localName_;
    std::vector<std::pair<std::string, std::string>> attributes_;
    std::string text_;
    bool textCut_ = false;
    std::string error_;
    bool failed_ = false;
    bool rootSeen_ = false;
};
