#include "apps/quarnz/reach_options.h"

#include <charconv>
#include <cmath>

#include "apps/quarnz/files.h"

namespace quarnz {

namespace {

// More angles than this is a mistyped step.
constexpr std::size_t kMaxAngles = 1000000;

bool ReadNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    auto [rest, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && rest == end && std::isfinite(value);
}

// One or two numbers, none negative, separated by a comma.
std::vector<double> ParseNumbers(const std::string& option, const std::string& text,
                                 std::size_t least, const char* expected) {
    std::vector<double> numbers;
    for (std::size_t at = 0;;) {
        const std::size_t comma = text.find(',', at);
        double v;
        if (!ReadNumber(text.substr(at, comma - at), v) || v < 0)
            Fail(option + " " + text, expected);
        numbers.push_back(v);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    if (numbers.size() < least || numbers.size() > 2) Fail(option + " " + text, expected);
    return numbers;
}

}  // namespace

double ParseNumber(const std::string& option, const std::string& text) {
    double v;
    if (!ReadNumber(text, v)) Fail(option + " " + text, "not a finite number");
    return v;
}

std::vector<double> ParseAngleRange(const std::string& text) {
    const std::size_t a = text.find(':'), b = a == std::string::npos ? a : text.find(':', a + 1);
    double from, to, step;
    if (b == std::string::npos || !ReadNumber(text.substr(0, a), from) ||
        !ReadNumber(text.substr(a + 1, b - a - 1), to) || !ReadNumber(text.substr(b + 1), step))
        Fail("--angles " + text, "expected FROM:TO:STEP in degrees");
    if (!(step > 0) || to < from)
        Fail("--angles " + text, "expected a positive STEP and FROM no more than TO");
    if ((to - from) / step >= double(kMaxAngles))
        Fail("--angles " + text, "more than " + std::to_string(kMaxAngles) + " angles");
    std::vector<double> angles;
    // Each from FROM, so that TO is met without adding up rounding.
    for (std::size_t k = 0;; ++k) {
        const double angle = from + double(k) * step;
        if (angle > to + step * 1e-9) break;
        angles.push_back(angle);
    }
    return angles;
}

void AddAngleChoice(CLI::App* cmd, std::string& range, std::vector<std::string>& list) {
    CLI::Option* from =
        cmd->add_option("--angles", range, "FROM:TO:STEP in degrees, counter-clockwise from +R");
    cmd->add_option("--angle", list, "an angle in degrees (may be repeated)")
        ->allow_extra_args(false)
        ->excludes(from);
}

void AddToleranceChoice(CLI::App* cmd, ToleranceChoice& choice) {
    CLI::Option* pct = cmd->add_option(
        "--tolerance", choice.tolerance,
        "PCT[,OHM]: the reach's band, the larger of PCT % of it and OHM ohms (by default the "
        "file's allowed error)");
    cmd->add_option("--tolerance-rx", choice.rx,
                    "R_OHM,X_OHM: a quadrilateral's band along R and X")
        ->excludes(pct);
}

qz::ReachTolerance ToleranceOf(const ToleranceChoice& choice, const qz::CZoneLists& lists) {
    qz::ReachTolerance t;
    t.share = lists.fAllowedError;
    if (!choice.tolerance.empty()) {
        const char* expected =
            "expected PCT[,OHM]: a percentage below 100 and ohms, neither negative";
        const std::vector<double> n = ParseNumbers("--tolerance", choice.tolerance, 1, expected);
        if (!(n[0] < 100)) Fail("--tolerance " + choice.tolerance, expected);
        t.share = n[0] / 100;
        t.ohms = n.size() > 1 ? n[1] : 0;
    } else if (!choice.rx.empty()) {
        const std::vector<double> n =
            ParseNumbers("--tolerance-rx", choice.rx, 2, "expected R_OHM,X_OHM, neither negative");
        t.alongRX = true;
        t.ohmsR = n[0];
        t.ohmsX = n[1];
    }
    return t;
}

}  // namespace quarnz
