#include "apps/quarnz/zone_json.h"

#include <set>

namespace quarnz {

using nlohmann::json;
using nlohmann::ordered_json;

ordered_json TextJson(qz::TextView text) {
    try {
        return qz::ToUtf8(text);
    } catch (const qz::TextError&) {
        ordered_json units = ordered_json::array();
        for (char16_t c : text) units.push_back(unsigned(c));
        return units;
    }
}

ordered_json ZoneJson(const qz::CZone& zone) {
    ordered_json j = ordered_json::object();
    ListZoneMembers(zone,
                    [&](const char* key, const auto& member) { j[key] = MemberJson(member); });
    return j;
}

namespace {

ordered_json PointJson(const qz::PictPoint& p) {
    return {{"nCoord", p.nCoord},
            {"fValue1", ExactNumber(p.fValue1)},
            {"fValue2", ExactNumber(p.fValue2)},
            {"strFormula1", TextJson(p.strFormula1)},
            {"strFormula2", TextJson(p.strFormula2)}};
}

// Each member under its own name.
class JsonFields final : public qz::PictFieldVisitor {
  public:
    explicit JsonFields(ordered_json& j) : j_(j) {}
    void Point(qz::PictFieldName name, const qz::PictPoint& point, bool) override {
        j_[name.member] = PointJson(point);
    }
    void Real(qz::PictFieldName name, const char*, const float& value) override {
        j_[name.member] = ExactNumber(value);
    }
    void Formula(qz::PictFieldName name, const qz::FormulaText& formula, const float&) override {
        j_[name.member] = TextJson(formula);
    }
    void Flag(qz::PictFieldName name, const std::int32_t& value, const char*,
              const char*) override {
        j_[name.member] = value;
    }

  private:
    ordered_json& j_;
};

[[noreturn]] void Refuse(const std::string& path, const std::string& what) {
    throw JsonPathError{path, what};
}

// An object's members taken by name; whatever is left over is refused.
class ObjectReader {
  public:
    ObjectReader(const json& j, std::string path) : j_(j), path_(std::move(path)) {
        if (!j_.is_object()) Refuse(path_, "expected an object");
    }
    std::string Path(const std::string& key) const {
        return path_.empty() ? key : path_ + "." + key;
    }
    const json& Required(const std::string& key) {
        const json* v = Optional(key);
        if (!v) Refuse(Path(key), "missing");
        return *v;
    }
    const json* Optional(const std::string& key) {
        auto it = j_.find(key);
        if (it == j_.end()) return nullptr;
        taken_.insert(key);
        return &*it;
    }
    void RefuseOthers() const {
        for (const auto& item : j_.items())
            if (!taken_.count(item.key())) Refuse(Path(item.key()), "unknown member");
    }

  private:
    const json& j_;
    std::string path_;
    std::set<std::string> taken_;
};

void ReadMember(const json& v, const std::string& path, std::int32_t& out) {
    std::optional<std::int32_t> n = Int32From(v, INT32_MIN, INT32_MAX);
    if (!n) Refuse(path, "expected a whole number from -2147483648 to 2147483647");
    out = *n;
}

void ReadMember(const json& v, const std::string& path, float& out) {
    if (!FloatFrom(v, out))
        Refuse(path,
               "expected a number within a float's range, \"inf\", \"-inf\", \"nan\" or "
               "\"nan:0x\" and a NaN's eight hex digits");
}

template <std::size_t N>
void ReadMember(const json& v, const std::string& path, qz::TextField<N>& out) {
    qz::Text text;
    if (v.is_string()) {
        try {
            text = qz::FromUtf8(v.get_ref<const std::string&>());
        } catch (const qz::TextError& e) {
            Refuse(path, e.what());
        }
    } else if (v.is_array()) {
        for (std::size_t k = 0; k < v.size(); ++k) {
            std::optional<std::int32_t> unit = Int32From(v[k], 0, 0xFFFF);
            if (!unit)
                Refuse(path + "[" + std::to_string(k) + "]", "expected a UTF-16 unit, 0 to 65535");
            text.push_back(char16_t(*unit));
        }
    } else {
        Refuse(path, "expected a string or an array of UTF-16 units");
    }
    // The field would cut the text without a word.
    if (text.find(u'\0') != qz::Text::npos)
        Refuse(path, "holds a NUL character, which ends a text");
    if (text.size() > out.kMaxLength)
        Refuse(path, std::to_string(text.size()) + " UTF-16 units, more than the " +
                         std::to_string(out.kMaxLength) + " the field holds");
    out = std::move(text);
}

// Fills an element's members from its object: the formulas, which the
// numeric form leaves out, only when given.
class MemberReader final : public qz::PictFieldEditor {
  public:
    explicit MemberReader(ObjectReader& object) : object_(object) {}
    void Point(qz::PictFieldName name, qz::PictPoint& point, bool) override {
        ObjectReader p(object_.Required(name.member), object_.Path(name.member));
        ReadMember(p.Required("nCoord"), p.Path("nCoord"), point.nCoord);
        ReadMember(p.Required("fValue1"), p.Path("fValue1"), point.fValue1);
        ReadMember(p.Required("fValue2"), p.Path("fValue2"), point.fValue2);
        if (const json* f = p.Optional("strFormula1"))
            ReadMember(*f, p.Path("strFormula1"), point.strFormula1);
        if (const json* f = p.Optional("strFormula2"))
            ReadMember(*f, p.Path("strFormula2"), point.strFormula2);
        p.RefuseOthers();
    }
    void Real(qz::PictFieldName name, const char*, float& value) override {
        ReadMember(object_.Required(name.member), object_.Path(name.member), value);
    }
    void Formula(qz::PictFieldName name, qz::FormulaText& formula, float&) override {
        if (const json* f = object_.Optional(name.member))
            ReadMember(*f, object_.Path(name.member), formula);
    }
    void Flag(qz::PictFieldName name, std::int32_t& value, const char*, const char*) override {
        ReadMember(object_.Required(name.member), object_.Path(name.member), value);
    }

  private:
    ObjectReader& object_;
};

const json& ArrayMember(ObjectReader& doc, const char* key) {
    const json& list = doc.Required(key);
    if (!list.is_array()) Refuse(key, "expected an array");
    return list;
}

}  // namespace

ordered_json PictJson(const qz::CPict& pict) {
    ordered_json j = {{"nKind", std::int32_t(pict.Kind())},
                      {"strZoneTag", TextJson(pict.strZoneTag)}};
    JsonFields fields(j);
    pict.VisitFields(fields);
    return j;
}

qz::CZoneLists ZoneListsFromJson(const json& doc) {
    qz::CZoneLists lists;
    ObjectReader top(doc, "");
    ReadMember(top.Required("fAllowedError"), "fAllowedError", lists.fAllowedError);
    const json& zones = ArrayMember(top, "zones");
    for (std::size_t i = 0; i < zones.size(); ++i) {
        ObjectReader z(zones[i], "zones[" + std::to_string(i) + "]");
        auto zone = std::make_unique<qz::CZone>();
        ListZoneMembers(*zone, [&](const char* key, auto& member) {
            ReadMember(z.Required(key), z.Path(key), member);
        });
        z.RefuseOthers();
        lists.arrZones.push_back(std::move(zone));
    }
    const json& elements = ArrayMember(top, "elements");
    for (std::size_t i = 0; i < elements.size(); ++i) {
        ObjectReader e(elements[i], "elements[" + std::to_string(i) + "]");
        std::int32_t kind;
        ReadMember(e.Required("nKind"), e.Path("nKind"), kind);
        std::unique_ptr<qz::CPict> pict = qz::CreatePict(kind);
        if (!pict) Refuse(e.Path("nKind"), "unknown kind (0 mho, 1 line, 2 arc, 3 lens)");
        ReadMember(e.Required("strZoneTag"), e.Path("strZoneTag"), pict->strZoneTag);
        MemberReader members(e);
        pict->VisitFields(members);
        e.RefuseOthers();
        lists.arrPicts.push_back(std::move(pict));
    }
    top.RefuseOthers();
    return lists;
}

}  // namespace quarnz
