#include "ui/session.h"

#include <algorithm>
#include <charconv>

namespace qz::ui {

namespace {

struct VerbShape {
    const char* name;
    int minArgs, maxArgs;  // maxArgs -1: any number
    StepContext context;
    int intArgs;  // how many leading arguments are whole numbers
};

constexpr VerbShape kVerbs[] = {
    {"focus", 1, 1, StepContext::kDialog, 1},
    {"type", 2, 2, StepContext::kDialog, 1},
    {"tab", 0, 0, StepContext::kDialog, 0},
    {"enter", 0, 0, StepContext::kDialog, 0},
    {"escape", 0, 0, StepContext::kDialog, 0},
    {"close", 0, 0, StepContext::kDialog, 0},
    {"click", 1, 1, StepContext::kDialog, 1},
    {"dropdown", 1, 1, StepContext::kDialog, 1},
    {"pick", 2, 2, StepContext::kDialog, 1},
    {"tree", 2, -1, StepContext::kDialog, 1},
    {"rclick", 1, 1, StepContext::kDialog, 1},
    {"grid-click", 3, 3, StepContext::kDialog, 3},
    {"grid-dblclick", 3, 3, StepContext::kDialog, 3},
    {"grid-rclick", 3, 3, StepContext::kDialog, 3},
    {"grid-scroll", 2, 2, StepContext::kDialog, 2},
    {"answer", 1, 1, StepContext::kMessageBox, 0},
    {"menu", 1, 1, StepContext::kMenu, 0},
    {"menu-dismiss", 0, 0, StepContext::kMenu, 0},
    {"expect-dialog", 1, 1, StepContext::kAny, 1},
    {"expect-caption", 1, 1, StepContext::kAny, 0},
    {"expect-text", 2, 2, StepContext::kAny, 1},
    {"expect-enabled", 1, 1, StepContext::kAny, 1},
    {"expect-disabled", 1, 1, StepContext::kAny, 1},
    {"expect-visible", 1, 1, StepContext::kAny, 1},
    {"expect-hidden", 1, 1, StepContext::kAny, 1},
    {"expect-focus", 1, 1, StepContext::kAny, 1},
    {"expect-list", 2, 2, StepContext::kAny, 2},
    {"expect-cell", 4, 4, StepContext::kAny, 3},
    {"expect-rows", 2, 2, StepContext::kAny, 2},
    {"expect-message", 1, 3, StepContext::kAny, 0},
    {"expect-messages", 1, 1, StepContext::kAny, 1},
    {"expect-greyed", 1, -1, StepContext::kAny, 0},
    {"expect-ungreyed", 1, -1, StepContext::kAny, 0},
};

const VerbShape* FindVerb(std::string_view verb) {
    for (const auto& v : kVerbs)
        if (verb == v.name) return &v;
    return nullptr;
}

[[noreturn]] void Fail(int line, const std::string& what) {
    throw SessionError("line " + std::to_string(line) + ": " + what);
}

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
                switch (e) {
                    case u'n':
                        word += u'\n';
                        break;
                    case u'r':
                        word += u'\r';
                        break;
                    case u't':
                        word += u'\t';
                        break;
                    case u'"':
                        word += u'"';
                        break;
                    case u'\\':
                        word += u'\\';
                        break;
                    case u'u': {
                        int v = 0;
                        for (int k = 0; k < 4; ++k) {
                            int d = i < line.size() ? HexDigit(line[i]) : -1;
                            if (d < 0) Fail(lineNo, "\\u needs four hexadecimal digits");
                            v = v * 16 + d;
                            ++i;
                        }
                        word += char16_t(v);
                        break;
                    }
                    default:
                        Fail(lineNo, "unknown escape \\" + ToUtf8Lossy(Text(1, e)));
                }
            }
            if (!closed) Fail(lineNo, "a quoted text is not closed");
            if (i < line.size() && !blank(line[i]))
                Fail(lineNo, "a quoted text must be followed by a blank");
        } else {
            while (i < line.size() && !blank(line[i])) word += line[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace

bool ParseWholeNumber(TextView text, int& value) {
    std::string s = ToUtf8Lossy(text);
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

StepContext Step::Context() const {
    if (call) return StepContext::kAny;
    const VerbShape* v = FindVerb(verb);
    return v ? v->context : StepContext::kAny;
}

int Step::IntArg(std::size_t index) const {
    int value = 0;
    if (index >= args.size() || !ParseWholeNumber(args[index], value))
        Fail(line, "'" + verb + "' needs a whole number as argument " + std::to_string(index + 1));
    return value;
}

std::string Step::Describe() const {
    if (call) return "(code)";
    std::string s = verb;
    for (const auto& a : args) s += " \"" + ToUtf8Lossy(a) + "\"";
    return s;
}

std::vector<Step> ParseSession(TextView script, int firstLine) {
    std::vector<Step> steps;
    int lineNo = firstLine;
    std::size_t pos = 0;
    while (pos <= script.size()) {
        std::size_t end = script.find(u'\n', pos);
        if (end == TextView::npos) end = script.size();
        std::vector<Text> words = Split(script.substr(pos, end - pos), lineNo);
        if (!words.empty()) {
            std::string verb = ToUtf8Lossy(words[0]);
            const VerbShape* shape = FindVerb(verb);
            if (!shape) Fail(lineNo, "unknown verb '" + verb + "'");
            int n = int(words.size()) - 1;
            if (n < shape->minArgs || (shape->maxArgs >= 0 && n > shape->maxArgs))
                Fail(lineNo, "'" + verb + "' takes " +
                                 (shape->minArgs == shape->maxArgs
                                      ? std::to_string(shape->minArgs)
                                      : std::to_string(shape->minArgs) + " or more") +
                                 " arguments, not " + std::to_string(n));
            Step step{lineNo, verb, std::vector<Text>(words.begin() + 1, words.end()), {}};
            for (int k = 0; k < shape->intArgs; ++k) step.IntArg(std::size_t(k));
            steps.push_back(std::move(step));
        }
        if (end == script.size()) break;
        pos = end + 1;
        ++lineNo;
    }
    return steps;
}

std::vector<std::string> SessionVerbs() {
    std::vector<std::string> out;
    for (const auto& v : kVerbs) out.push_back(v.name);
    return out;
}

}  // namespace qz::ui
