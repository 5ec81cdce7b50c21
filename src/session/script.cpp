#include "session/script.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "session/verbs.h"

namespace qz::session {

namespace {

struct Escape {
    char16_t letter, meaning;
};
constexpr Escape kEscapes[] = {
    {u'n', u'\n'}, {u'r', u'\r'}, {u't', u'\t'}, {u'"', u'"'}, {u'\\', u'\\'}};

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Splits a line into words; "..." quotes a word, with \" \\ \n \r \t
// and \uXXXX inside; # outside quotes starts a comment.
std::vector<Text> Split(TextView line, int lineNo) {
    std::vector<Text> words;
    std::size_t i = 0;
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    while (i < line.size()) {
        if (blank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == u'#') break;
        Text word;
        if (line[i] == u'"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char16_t c = line[i++];
                if (c == u'"') {
                    closed = true;
                    break;
                }
                if (c != u'\\') {
                    word += c;
                    continue;
                }
                if (i >= line.size()) break;
                char16_t e = line[i++];
                if (auto it = std::ranges::find(kEscapes, e, &Escape::letter);
                    it != std::end(kEscapes)) {
                    word += it->meaning;
                } else if (e == u'u') {
                    int v = 0;
                    for (int k = 0; k < 4; ++k) {
                        int d = i < line.size() ? HexDigit(line[i]) : -1;
                        if (d < 0) ParseFail(lineNo, "\\u needs four hexadecimal digits");
                        v = v * 16 + d;
                        ++i;
                    }
                    word += char16_t(v);
                } else {
                    ParseFail(lineNo, "unknown escape \\" + ToUtf8Lossy(Text(1, e)));
                }
            }
            if (!closed) ParseFail(lineNo, "a quoted text is not closed");
            if (i < line.size() && !blank(line[i]))
                ParseFail(lineNo, "a quoted text must be followed by a blank");
        } else {
            while (i < line.size() && !blank(line[i])) word += line[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace

void ParseFail(int line, const std::string& what) {
    throw SessionError("line " + std::to_string(line) + ": " + what);
}

bool ParseWholeNumber(TextView text, int& value) {
    std::string s = ToUtf8Lossy(text);
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

int Step::IntArg(std::size_t index) const {
    int value = 0;
    if (index >= args.size() || !ParseWholeNumber(args[index], value))
        ParseFail(line,
                  "'" + verb + "' needs a whole number as argument " + std::to_string(index + 1));
    return value;
}

std::string Step::Describe() const {
    if (call) return "(code)";
    std::string s = (mustBeRefused ? "expect-refused " : "") + verb;
    for (const auto& a : args) s += " \"" + ToUtf8Lossy(a) + "\"";
    return s;
}

std::vector<Step> ParseSession(TextView script, int firstLine) {
    if (script.size() > kMaxSessionScript)
        throw SessionError("a session script holds at most " + std::to_string(kMaxSessionScript) +
                           " characters");
    if (!script.empty() && script.front() == u'\uFEFF') script.remove_prefix(1);
    std::vector<Step> steps;
    int lineNo = firstLine;
    std::size_t pos = 0;
    while (pos <= script.size()) {
        std::size_t end = script.find(u'\n', pos);
        if (end == TextView::npos) end = script.size();
        std::vector<Text> words = Split(script.substr(pos, end - pos), lineNo);
        if (!words.empty()) steps.push_back(ParseStep(std::move(words), lineNo));
        if (end == script.size()) break;
        pos = end + 1;
        ++lineNo;
    }
    return steps;
}

}  // namespace qz::session
