// Any bytes as a session script (UTF-8), parsed and then played by a user at
// the zone settings dialog on the headless backend, over three zones and
// their elements.  A script either parses or is refused with SessionError;
// every step it gives, written back with each argument quoted and escaped,
// parses to the same step.  Played, the dialog ends whatever the steps do,
// a session that says it played clean recorded no error, and the lists stay
// whole: tags unique, every element tagged with a zone's tag, the allowed
// error within 0 to 10 (1000 %).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "dialogs/zoneset/zone_set_dlg.h"
#include "fuzz_check.h"
#include "session/headless/headless_session.h"

namespace {

// An argument as a quoted word, every unit that is not plain ASCII escaped.
qz::Text Quoted(const qz::Text& arg) {
    qz::Text out = u"\"";
    for (char16_t c : arg) {
        switch (c) {
            case u'"':
                out += u"\\\"";
                break;
            case u'\\':
                out += u"\\\\";
                break;
            case u'\n':
                out += u"\\n";
                break;
            case u'\r':
                out += u"\\r";
                break;
            case u'\t':
                out += u"\\t";
                break;
            default:
                if (c >= 0x20 && c < 0x7F) {
                    out += c;
                } else {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\u%04X", unsigned(c));
                    out += qz::FromAscii(hex);
                }
        }
    }
    return out + u"\"";
}

qz::Text Written(const qz::session::Step& step) {
    qz::Text line = qz::FromUtf8((step.mustBeRefused ? "expect-refused " : "") + step.verb);
    for (const qz::Text& arg : step.args) line += u" " + Quoted(arg);
    return line;
}

void AddZone(qz::CZoneLists& lists, const char16_t* tag, int mode, float v1, float v2, float v3,
             int picts) {
    auto zone = std::make_unique<qz::CZone>();
    zone->strTag = tag;
    zone->strZoneName = u"zone";
    zone->setting = {mode, v1, v2, v3};
    lists.arrZones.push_back(std::move(zone));
    for (int k = 0; k < picts; ++k) {
        auto pict = qz::CreatePict(k % 2 ? qz::kPictLine : qz::kPictMho);
        pict->strZoneTag = tag;
        lists.arrPicts.push_back(std::move(pict));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qz::Text script;
    try {
        script = qz::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const qz::TextError&) {
        return 0;
    }
    std::vector<qz::session::Step> steps;
    try {
        steps = qz::session::ParseSession(script);
    } catch (const qz::session::SessionError&) {
        return 0;
    }
    for (const qz::session::Step& step : steps) {
        std::vector<qz::session::Step> again = qz::session::ParseSession(Written(step), step.line);
        Check(again.size() == 1);
        Check(again[0].verb == step.verb && again[0].args == step.args &&
              again[0].mustBeRefused == step.mustBeRefused && again[0].line == step.line);
        step.Describe();
    }

    qz::CZoneLists lists;
    AddZone(lists, u"Z1,LE", 0, 10, 78, 0, 2);
    AddZone(lists, u"Z2", 1, 3, 4, 99, 1);
    AddZone(lists, u"Z3", 7, 1, 2, 3, 0);
    lists.fAllowedError = 0.05f;
    {
        qz::session::HeadlessSession user;
        qz::ui::UseBackend use{user};
        user.Play(script);
        qz::CDlg_ZoneSet dlg(lists);
        const int result = dlg.DoModal();
        Check(result == qz::kIdOk || result == qz::kIdCancel);
        const bool played = user.Finish();
        Check(played == user.Errors().empty());
    }
    std::set<qz::Text> tags;
    for (const auto& zone : lists.arrZones) Check(tags.insert(zone->strTag.str()).second);
    for (const auto& pict : lists.arrPicts) Check(tags.count(pict->strZoneTag.str()) == 1);
    Check(std::isfinite(lists.fAllowedError) && lists.fAllowedError >= 0 &&
          lists.fAllowedError <= 10);
    return 0;
}
