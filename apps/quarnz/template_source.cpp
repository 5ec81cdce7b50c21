#include "apps/quarnz/template_source.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

#include "apps/quarnz/files.h"
#include "apps/quarnz/json.h"
#include "base/quote.h"
#include "formula/formula_parser.h"
#include "records/pict.h"
#include "records/setting.h"

namespace quarnz {

namespace {

using nlohmann::json;

const std::string& StringOf(const json& v, const std::string& what) {
    if (!v.is_string()) throw std::runtime_error(what + ": expected a string");
    return v.get_ref<const std::string&>();
}

std::int32_t WholeNumberOf(const json& v, const std::string& what, std::int64_t low,
                           std::int64_t high) {
    if (std::optional<std::int32_t> n = Int32From(v, low, high)) return *n;
    throw std::runtime_error(what + ": expected a whole number from " + std::to_string(low) +
                             " to " + std::to_string(high));
}

float RealOf(const json& v, const std::string& what) {
    float f;
    if (!FloatFrom(v, f))
        throw std::runtime_error(what +
                                 ": expected a number within a float's range, \"inf\" or \"-inf\"");
    // SQLite would store it as NULL, read back as 0.
    if (std::isnan(f)) throw std::runtime_error(what + ": NaN, which a library cannot keep");
    return f;
}

// Fills an element's formulas from its JSON object, keyed by member name:
// a point is ["polar" or "rect", formula 1, formula 2], a formula a string,
// a flag a number.
class JsonFormulas final : public qz::PictFieldEditor {
  public:
    explicit JsonFormulas(const json& j) : j_(j) {}
    void Point(qz::PictFieldName name, qz::PictPoint& point, bool inFormulaForm) override {
        if (!inFormulaForm) return;
        const json& p = Member(name);
        if (!p.is_array() || p.size() != 3 || !p[0].is_string() ||
            (p[0] != "polar" && p[0] != "rect"))
            throw std::runtime_error(std::string(name.member) +
                                     ": expected [\"polar\" or \"rect\", formula, formula]");
        point.nCoord = p[0] == "polar" ? 0 : 1;
        point.strFormula1 = qz::FromUtf8(StringOf(p[1], std::string(name.member) + " formula 1"));
        point.strFormula2 = qz::FromUtf8(StringOf(p[2], std::string(name.member) + " formula 2"));
    }
    void Real(qz::PictFieldName, const char*, float&) override {}
    void Formula(qz::PictFieldName name, qz::FormulaText& formula, float&) override {
        formula = qz::FromUtf8(StringOf(Member(name), name.member));
    }
    void Flag(qz::PictFieldName name, std::int32_t& value, const char*, const char*) override {
        value = WholeNumberOf(Member(name), name.member, INT32_MIN, INT32_MAX);
    }

  private:
    const json& Member(qz::PictFieldName name) {
        if (!j_.contains(name.member)) throw std::runtime_error(std::string("no ") + name.member);
        return j_.at(name.member);
    }
    const json& j_;
};

// Every formula of an element evaluated; the first that fails is named.
class FormulaCheck final : public qz::PictFieldVisitor {
  public:
    explicit FormulaCheck(qz::CFormulaParser& parser) : parser_(parser) {}
    void Point(qz::PictFieldName name, const qz::PictPoint& point, bool inFormulaForm) override {
        if (!inFormulaForm) return;
        Check(std::string(name.member) + " formula 1", point.strFormula1.str());
        Check(std::string(name.member) + " formula 2", point.strFormula2.str());
    }
    void Real(qz::PictFieldName, const char*, const float&) override {}
    void Formula(qz::PictFieldName name, const qz::FormulaText& formula, const float&) override {
        Check(name.member, formula.str());
    }
    void Flag(qz::PictFieldName, const std::int32_t&, const char*, const char*) override {}
    std::string error;

  private:
    void Check(const std::string& what, qz::TextView formula) {
        if (!error.empty()) return;
        std::uint16_t position = 0;
        qz::Text text;
        parser_.Evaluate(formula, position, text);
        if (!text.empty())
            error = what + " \"" + qz::ToUtf8Lossy(formula) + "\": error at position " +
                    std::to_string(position) + ": " + qz::ToUtf8Lossy(text);
    }
    qz::CFormulaParser& parser_;
};

// What the stored text cannot carry: the host reads texts up to a NUL.
void CheckText(const qz::Text& text, const char* member) {
    if (text.find(u'\0') != qz::Text::npos)
        throw std::runtime_error(std::string(member) +
                                 ": holds a NUL character, which would cut the text");
}

const json& Required(const json& z, const char* key) {
    if (!z.contains(key)) throw std::runtime_error(std::string("no \"") + key + "\"");
    return z.at(key);
}

qz::Text TextOf(const json& z, const char* key) {
    qz::Text text = qz::FromUtf8(StringOf(z.at(key), key));
    CheckText(text, key);
    return text;
}

}  // namespace

std::vector<qz::CRecordset_Distance> ReadJsonSource(const std::string& source, bool allowEmpty) {
    json doc = ReadJsonFile(source);
    if (!doc.is_object() || !doc.contains("zones"))
        Fail(source, "no \"zones\" array: a template source is {\"zones\": [...]}");
    const json& list = doc.at("zones");
    if (!list.is_array()) Fail(source, "\"zones\" is not an array");
    if (list.empty() && !allowEmpty)
        Fail(source, "no zones (an empty library is made only with --allow-empty)");
    if (list.size() > std::size_t(kMaxId))
        Fail(source,
             "more than " + std::to_string(kMaxId) + " zones, the most a zone's id carries");
    std::vector<qz::CRecordset_Distance> rows;
    std::vector<std::string> errors;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const json& z = list[i];
        std::string where = "row " + std::to_string(i + 1);
        try {
            if (!z.is_object()) throw std::runtime_error("expected an object");
            for (const char* key :
                 {"manufacturer", "sort", "model", "zone", "mode", "values", "elements"})
                Required(z, key);
            qz::CRecordset_Distance& r = rows.emplace_back();
            r.nID = static_cast<std::int32_t>(i + 1);
            r.strZoneName = TextOf(z, "zone");
            where += " (" + qz::ToUtf8Lossy(r.strZoneName) + ")";
            r.strManufacturer = TextOf(z, "manufacturer");
            r.strProtSort = TextOf(z, "sort");
            r.strProtModel = TextOf(z, "model");
            r.setting.Zzd_Mode = WholeNumberOf(z.at("mode"), "mode", 0, 3);
            const json& v = z.at("values");
            if (!v.is_array() || v.size() != 3)
                throw std::runtime_error("values: expected three numbers");
            r.setting.Zzd_1 = RealOf(v[0], "values");
            r.setting.Zzd_2 = RealOf(v[1], "values");
            r.setting.Zzd_3 = RealOf(v[2], "values");
            if (z.contains("memo")) r.strMemo = TextOf(z, "memo");
            qz::CFormulaParser parser;
            qz::BindSetting(parser, r.setting);
            qz::PictList picts;
            const json& elements = z.at("elements");
            if (!elements.is_array()) throw std::runtime_error("elements: expected an array");
            for (std::size_t k = 0; k < elements.size(); ++k) {
                const json& e = elements[k];
                std::string kind = e.is_object() && e.contains("kind") && e.at("kind").is_string()
                                       ? e.at("kind")
                                       : "";
                std::int32_t code = qz::PictKindOfName(kind);
                if (code < 0)
                    throw std::runtime_error("element " + std::to_string(k + 1) +
                                             ": unknown kind \"" + kind +
                                             "\" (mho, line, arc or lens)");
                std::unique_ptr<qz::CPict> pict = qz::CreatePict(code);
                JsonFormulas fill(e);
                try {
                    pict->VisitFields(fill);
                } catch (const std::exception& x) {
                    throw std::runtime_error("element " + std::to_string(k + 1) + ": " + x.what());
                }
                FormulaCheck check(parser);
                pict->VisitFields(check);
                if (!check.error.empty())
                    throw std::runtime_error("element " + std::to_string(k + 1) + " " +
                                             check.error);
                picts.push_back(std::move(pict));
            }
            qz::CArchiveWriter ar(r.ProtSettings);
            qz::StorePicts(ar, picts, qz::PictForm::kFormula);
        } catch (const std::exception& x) {
            errors.push_back(where + ": " + x.what());
        }
    }
    if (!errors.empty()) {
        for (std::size_t i = 0; i + 1 < errors.size(); ++i)
            std::fprintf(stderr, "quarnz: %s: %s\n", qz::QuoteForMessage(source).c_str(),
                         qz::QuoteForMessage(errors[i]).c_str());
        Fail(source, errors.back());
    }
    return rows;
}

}  // namespace quarnz
