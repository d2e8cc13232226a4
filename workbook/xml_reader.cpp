#include "workbook/xml_reader.h"

#include "base/utf8.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameCharacter(int c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':' || c == '-'
        || c == '.' || c >= 0x80;
}

} // namespace

XmlReader::XmlReader(Source source, std::size_t maxText) : source_(std::move(source)), maxText_(maxText), buffer_(kBufferSize) {}

bool XmlReader::Fill()
{
    if (sourceDone_ || failed_)
        return false;
    std::string error;
    const long long got = source_(buffer_.data(), buffer_.size(), error);
    if (got < 0) {
        Fail(error.empty() ? "cannot read it" : error);
        return false;
    }
    if (got == 0) {
        sourceDone_ = true;
        return false;
    }
    at_ = 0;
    end_ = static_cast<std::size_t>(got);
    return true;
}

int XmlReader::Peek()
{
    if (at_ == end_ && !Fill())
        return -1;
    return static_cast<unsigned char>(buffer_[at_]);
}

int XmlReader::Get()
{
    const int c = Peek();
    if (c >= 0) {
        ++at_;
        if (c == '\n')
            ++line_;
    }
    return c;
}

XmlReader::Token XmlReader::Fail(std::string what)
{
    if (!failed_) {
        failed_ = true;
        error_ = std::move(what);
    }
    return Token::Error;
}

std::string_view XmlReader::LocalOf(std::string_view name)
{
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::optional<std::string_view> XmlReader::Attribute(std::string_view localName) const
{
    for (const auto& [name, value] : attributes_)
        if (LocalOf(name) == localName)
            return std::string_view(value);
    return std::nullopt;
}

void XmlReader::SkipBlanks()
{
    while (IsBlank(Peek()))
        Get();
}

bool XmlReader::ReadName(std::string& name)
{
    name.clear();
    while (IsNameCharacter(Peek())) {
        if (name.size() >= kMaxName) {
            Fail("a name longer than " + std::to_string(kMaxName) + " bytes");
            return false;
        }
        name += static_cast<char>(Get());
    }
    if (name.empty()) {
        Fail("a tag without a name");
        return false;
    }
    return true;
}

// After '&': the named or numeric reference, appended unless past `limit`.
bool XmlReader::ReadReference(std::string& into, std::size_t limit, bool& cut)
{
    std::string name;
    for (int c = Get(); c != ';'; c = Get()) {
        if (c < 0 || name.size() > 10) {
            Fail("a character reference without its ';'");
            return false;
        }
        name += static_cast<char>(c);
    }
    std::string value;
    if (name == "amp") {
        value = "&";
    } else if (name == "lt") {
        value = "<";
    } else if (name == "gt") {
        value = ">";
    } else if (name == "quot") {
        value = "\"";
    } else if (name == "apos") {
        value = "'";
    } else if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x';
        uint32_t code = 0;
        const std::size_t first = hex ? 2 : 1;
        for (std::size_t i = first; i < name.size() && code <= 0x10FFFF; ++i) {
            const char c = name[i];
            const int digit = c >= '0' && c <= '9' ? c - '0'
                : hex && c >= 'a' && c <= 'f'      ? c - 'a' + 10
                : hex && c >= 'A' && c <= 'F'      ? c - 'A' + 10
                                                   : -1;
            if (digit < 0) {
                code = 0;
                break;
            }
            code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
        }
        if (first >= name.size() || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            Fail("a character reference &" + name + "; to no character");
            return false;
        }
        base::AppendUtf8(value, code);
    } else {
        Fail("an unknown entity &" + name + ";");
        return false;
    }
    if (into.size() + value.size() <= limit)
        into += value;
    else
        cut = true;
    return true;
}

bool XmlReader::SkipPast(std::string_view end)
{
    std::size_t matched = 0;
    while (matched < end.size()) {
        const int c = Get();
        if (c < 0) {
            Fail("the part ends inside a comment or declaration");
            return false;
        }
        matched = c == end[matched] ? matched + 1 : c == end[0] ? 1 : 0;
    }
    return true;
}

XmlReader::Token XmlReader::Next()
{
    if (failed_)
        return Token::Error;
    if (pendingEnd_) {
        pendingEnd_ = false;
        open_.pop_back();
        return Token::EndElement;
    }
    for (;;) {
        const int c = Get();
        if (c < 0) {
            if (failed_)
                return Token::Error;
            if (!open_.empty())
                return Fail("the part ends inside the element " + open_.back() + " (it is cut short)");
            if (!rootSeen_)
                return Fail("no XML in it");
            return Token::End;
        }
        if (c != '<') {
            const Token token = ReadText(c);
            if (token == Token::Text && open_.empty()) {
                if (std::all_of(text_.begin(), text_.end(), [](char t) { return IsBlank(static_cast<unsigned char>(t)); }))
                    continue;
                return Fail("text outside the root element");
            }
            return token;
        }
        const Token token = ReadTag();
        if (token != Token::End)  // End stands for a comment or declaration skipped
            return token;
    }
}

XmlReader::Token XmlReader::ReadTag()
{
    const int c = Peek();
    if (c == '?') {
        return SkipPast("?>") ? Token::End : Token::Error;
    }
    if (c == '!') {
        Get();
        if (Peek() == '-') {
            Get();
            if (Get() != '-')
                return Fail("a broken comment");
            return SkipPast("-->") ? Token::End : Token::Error;
        }
        if (Peek() == '[') {
            for (const char expected : std::string_view("[CDATA["))
                if (Get() != expected)
                    return Fail("a broken CDATA section");
            if (open_.empty())
                return Fail("text outside the root element");
            text_.clear();
            textCut_ = false;
            std::size_t brackets = 0;
            for (;;) {
                const int d = Get();
                if (d < 0)
                    return Fail("the part ends inside a CDATA section");
                if (d == '>' && brackets >= 2)
                    break;
                brackets = d == ']' ? brackets + 1 : 0;
                if (text_.size() < maxText_ + 2)
                    text_ += static_cast<char>(d);
                else
                    textCut_ = true;
            }
            text_.resize(text_.size() - 2);  // the "]]" before '>'
            if (text_.size() > maxText_) {
                text_.resize(maxText_);
                textCut_ = true;
            }
            return Token::Text;
        }
        return Fail("a document type declaration, which an xlsx part never has");
    }
    if (c == '/') {
        Get();
        if (!ReadName(name_))
            return Token::Error;
        SkipBlanks();
        if (Get() != '>')
            return Fail("a broken end tag </" + name_ + ">");
        if (open_.empty() || open_.back() != name_)
            return Fail("the end tag </" + name_ + "> closes no open element");
        open_.pop_back();
        localName_ = LocalOf(name_);
        return Token::EndElement;
    }

    if (rootSeen_ && open_.empty())
        return Fail("more than one root element");
    if (open_.size() >= kMaxDepth)
        return Fail("elements nested deeper than " + std::to_string(kMaxDepth));
    if (!ReadName(name_))
        return Token::Error;
    attributes_.clear();
    for (;;) {
        SkipBlanks();
        const int d = Peek();
        if (d == '>' || d == '/') {
            Get();
            if (d == '/' && Get() != '>')
                return Fail("a broken tag <" + name_ + ">");
            pendingEnd_ = d == '/';
            break;
        }
        if (attributes_.size() >= kMaxAttributes)
            return Fail("more than " + std::to_string(kMaxAttributes) + " attributes in <" + name_ + ">");
        std::string attribute;
        if (!ReadName(attribute))
            return Token::Error;
        SkipBlanks();
        if (Get() != '=')
            return Fail("an attribute " + attribute + " without a value");
        SkipBlanks();
        const int quote = Get();
        if (quote != '"' && quote != '\'')
            return Fail("an attribute " + attribute + " without quotes");
        std::string value;
        bool cut = false;
        for (int e = Get(); e != quote; e = Get()) {
            if (e < 0 || e == '<')
                return Fail("an attribute " + attribute + " that is not closed");
            if (e == '&') {
                if (!ReadReference(value, kMaxAttributeValue, cut))
                    return Token::Error;
            } else {
                value += static_cast<char>(e);
            }
            if (value.size() > kMaxAttributeValue || cut)
                return Fail("an attribute " + attribute + " longer than " + std::to_string(kMaxAttributeValue) + " bytes");
        }
        attributes_.emplace_back(std::move(attribute), std::move(value));
    }
    open_.push_back(name_);
    rootSeen_ = true;
    localName_ = LocalOf(name_);
    return Token::StartElement;
}

XmlReader::Token XmlReader::ReadText(int first)
{
    text_.clear();
    textCut_ = false;
    if (first == '&') {
        if (!ReadReference(text_, maxText_, textCut_))
            return Token::Error;
    } else {
        text_ += static_cast<char>(first);
    }
    for (;;) {
        if (at_ == end_ && !Fill())
            return failed_ ? Token::Error : Token::Text;
        // The plain run up to the next tag or reference in one piece.
        const char* start = buffer_.data() + at_;
        const char* stop = buffer_.data() + end_;
        const char* special = start;
        while (special != stop && *special != '<' && *special != '&')
            ++special;
        line_ += std::count(start, special, '\n');
        const std::size_t run = static_cast<std::size_t>(special - start);
        const std::size_t room = maxText_ > text_.size() ? maxText_ - text_.size() : 0;
        text_.append(start, std::min(run, room));
        textCut_ = textCut_ || run > room;
        at_ += run;
        if (special == stop)
            continue;
        if (*special == '<')
            return Token::Text;
        ++at_;
        if (!ReadReference(text_, maxText_, textCut_))
            return Token::Error;
    }
}

bool XmlReader::SkipElement()
{
    const std::size_t depth = Depth();
    for (;;) {
        const Token token = Next();
        if (token == Token::Error)
            return false;
        if (token == Token::EndElement && Depth() < depth)
            return true;
    }
}

std::optional<std::string> XmlReader::ElementText(bool* cut)
{
    const std::size_t depth = Depth();
    std::string text;
    bool textCut = false;
    for (;;) {
        const Token token = Next();
        if (token == Token::Error)
            return std::nullopt;
        if (token == Token::EndElement && Depth() < depth)
            break;
        if (token == Token::Text) {
            const std::size_t room = maxText_ > text.size() ? maxText_ - text.size() : 0;
            text.append(text_, 0, std::min(room, text_.size()));
            textCut = textCut || textCut_ || text_.size() > room;
        }
    }
    if (cut)
        *cut = textCut;
    return text;
}
