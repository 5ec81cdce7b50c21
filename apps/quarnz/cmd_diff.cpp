// quarnz diff: what differs between two zone parameter files, zone by zone.
// The statuses are cmp's: 0 equal, 1 different, 2 trouble.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "apps/quarnz/zone_json.h"
#include "tool_main.h"

namespace quarnz {

namespace {

using nlohmann::ordered_json;

constexpr int kTrouble = 2;

// One line per member whose value differs, a point's members named
// "ptZ1.fValue1"; the values as show --json writes them, so that -0 and 0
// or two NaNs of other bits differ too.
void DiffMembers(const std::string& prefix, const ordered_json& a, const ordered_json& b,
                 std::vector<std::string>& out) {
    for (const auto& [key, va] : a.items()) {
        if (key == "nKind" || key == "strZoneTag") continue;  // the same where compared
        const ordered_json& vb = b.at(key);
        std::string name = prefix + key;
        if (va.is_object())
            DiffMembers(name + ".", va, vb, out);
        else if (va.dump() != vb.dump())
            out.push_back(name + ": " + va.dump() + " → " + vb.dump());
    }
}

std::string Plural(std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// A zone is known by its tag and, among zones of one tag, its place.
struct ZoneKey {
    qz::Text tag;
    std::size_t nth = 0;
    auto operator<=>(const ZoneKey&) const = default;
};

struct Side {
    const qz::CZoneLists& lists;
    std::map<ZoneKey, std::size_t> rows;                         // the key's row from 0
    std::vector<ZoneKey> keys;                                   // in row order
    std::map<qz::Text, std::vector<const qz::CPict*>> elements;  // by tag, in order

    explicit Side(const qz::CZoneLists& l) : lists(l) {
        std::map<qz::Text, std::size_t> seen;
        for (std::size_t i = 0; i < l.arrZones.size(); ++i) {
            const qz::Text& tag = l.arrZones[i]->strTag.str();
            keys.push_back({tag, seen[tag]++});
            rows[keys.back()] = i;
        }
        for (const auto& p : l.arrPicts) elements[p->strZoneTag.str()].push_back(p.get());
    }
    bool HasZone(const qz::Text& tag) const { return rows.count({tag, 0}) != 0; }
    const std::vector<const qz::CPict*>& Elements(const qz::Text& tag) const {
        static const std::vector<const qz::CPict*> none;
        auto it = elements.find(tag);
        return it == elements.end() ? none : it->second;
    }
};

// The tag, and among zones of one tag the place: "Z1" [2].
std::string TagLabel(const ZoneKey& key) {
    std::string label = TextJson(key.tag).dump();
    if (key.nth) label += " [" + std::to_string(key.nth + 1) + "]";
    return label;
}

std::string ZoneLabel(const ZoneKey& key) {
    return "zone " + TagLabel(key);
}

std::string KindName(const qz::CPict& p) {
    return qz::PictKindName(p.Kind());
}

class Differ {
  public:
    Differ(const qz::CZoneLists& a, const qz::CZoneLists& b) : a_(a), b_(b) {}

    std::vector<std::string> Lines() {
        DiffMembers("", {{"fAllowedError", ExactNumber(a_.lists.fAllowedError)}},
                    {{"fAllowedError", ExactNumber(b_.lists.fAllowedError)}}, out_);
        for (const ZoneKey& key : a_.keys) {
            auto other = b_.rows.find(key);
            if (other == b_.rows.end()) {
                Gone(key, a_, b_, "removed");
            } else {
                std::vector<std::string> changes;
                DiffMembers("", ZoneJson(*a_.lists.arrZones[a_.rows.at(key)]),
                            ZoneJson(*b_.lists.arrZones[other->second]), changes);
                for (const auto& c : changes) out_.push_back(ZoneLabel(key) + ": " + c);
                if (!key.nth) Elements(key.tag, ZoneLabel(key));
            }
        }
        for (const ZoneKey& key : b_.keys)
            if (!a_.rows.count(key)) Gone(key, b_, a_, "added");
        // Elements that no zone of either file carries.
        for (const Side* side : {&a_, &b_})
            for (const auto& [tag, list] : side->elements)
                if (!a_.HasZone(tag) && !b_.HasZone(tag))
                    Elements(tag, "elements tagged " + TextJson(tag).dump() + " (no zone)");
        Order();
        return std::move(out_);
    }

  private:
    // A zone only one side has; its elements are told one by one only when
    // the other side has elements of its tag.
    void Gone(const ZoneKey& key, const Side& side, const Side& other, const char* how) {
        std::size_t n = side.Elements(key.tag).size();
        bool first = !key.nth && !other.HasZone(key.tag);
        out_.push_back(ZoneLabel(key) + ": " + how + " (row " +
                       std::to_string(side.rows.at(key) + 1) +
                       (first ? ", " + Plural(n, "element") : "") + ")");
        if (first && !other.Elements(key.tag).empty())
            Elements(key.tag, ZoneLabel(key));
        else if (first)
            done_.push_back(key.tag);
    }

    // The elements of one tag compared in their order.
    void Elements(const qz::Text& tag, const std::string& label) {
        if (std::find(done_.begin(), done_.end(), tag) != done_.end()) return;
        done_.push_back(tag);
        const auto& la = a_.Elements(tag);
        const auto& lb = b_.Elements(tag);
        for (std::size_t i = 0; i < std::max(la.size(), lb.size()); ++i) {
            std::string element = label + ": element " + std::to_string(i + 1);
            if (i >= lb.size()) {
                out_.push_back(element + " (" + KindName(*la[i]) + "): removed");
            } else if (i >= la.size()) {
                out_.push_back(element + " (" + KindName(*lb[i]) + "): added");
            } else if (la[i]->Kind() != lb[i]->Kind()) {
                out_.push_back(element + ": " + KindName(*la[i]) + " → " + KindName(*lb[i]));
            } else {
                std::vector<std::string> changes;
                DiffMembers("", PictJson(*la[i]), PictJson(*lb[i]), changes);
                for (const auto& c : changes)
                    out_.push_back(element + " (" + KindName(*la[i]) + "): " + c);
            }
        }
    }

    // The zones both files have, when their order differs.
    void Order() {
        std::vector<ZoneKey> inA, inB;
        for (const ZoneKey& k : a_.keys)
            if (b_.rows.count(k)) inA.push_back(k);
        for (const ZoneKey& k : b_.keys)
            if (a_.rows.count(k)) inB.push_back(k);
        if (inA == inB) return;
        auto list = [](const std::vector<ZoneKey>& keys) {
            std::string text;
            for (const ZoneKey& k : keys) text += (text.empty() ? "" : ", ") + TagLabel(k);
            return text;
        };
        out_.push_back("zone order: " + list(inA) + " → " + list(inB));
    }

    Side a_, b_;
    std::vector<std::string> out_;
    std::vector<qz::Text> done_;  // tags whose elements are told
};

int Diff(const std::string& pathA, const std::string& pathB) {
    qz::CZoneLists a = ReadZoneFile(pathA), b = ReadZoneFile(pathB);
    std::vector<std::string> lines = Differ(a, b).Lines();
    for (const std::string& line : lines) std::fputs((line + "\n").c_str(), stdout);
    if (!tool::StandardOutputWritten("quarnz")) throw Failure{kTrouble};
    return lines.empty() ? 0 : 1;
}

void AddDiff(CLI::App& app) {
    struct Options {
        std::string a, b;
    };
    auto opt = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "diff",
        "What differs between two zone parameter files (status 0 equal, 1 different, 2 "
        "trouble)");
    cmd->add_option("A", opt->a, "the first zone parameter file")->required();
    cmd->add_option("B", opt->b, "the second")->required();
    cmd->callback([opt] {
        int status;
        try {
            status = Diff(opt->a, opt->b);
        } catch (const Failure&) {
            throw Failure{kTrouble};
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quarnz: %s\n", e.what());
            throw Failure{kTrouble};
        }
        if (status) throw Failure{status};
    });
}

const bool registered = RegisterCommand({AddDiff, "diff", kTrouble});

}  // namespace

}  // namespace quarnz
