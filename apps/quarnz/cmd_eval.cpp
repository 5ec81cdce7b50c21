// quarnz eval: one setting formula, evaluated as the template import does it.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/json.h"
#include "formula/formula_parser.h"
#include "records/setting.h"

namespace quarnz {

namespace {

void AddEval(CLI::App& app) {
    struct Options {
        std::string formula;
        int mode = 0;
        std::vector<float> values;
        bool json = false;
    };
    auto opt = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "eval", "Evaluate a setting formula (put \"--\" before a formula that starts with \"-\")");
    cmd->add_option("FORMULA", opt->formula, "the formula, UTF-8")->required();
    cmd->add_option("--mode", opt->mode, "setting mode 0 to 3 that binds the variables");
    cmd->add_option("--values", opt->values, "the setting values Zzd_1,Zzd_2,Zzd_3")
        ->delimiter(',')
        ->expected(3);
    cmd->add_flag("--json", opt->json, "print {\"value\", \"errorPosition\", \"errorText\"}");
    cmd->callback([opt] {
        qz::Text formula;
        try {
            formula = qz::FromUtf8(opt->formula);
        } catch (const qz::TextError& e) {
            std::cerr << "quarnz eval: the formula is not valid UTF-8 (" << e.what() << ")\n";
            throw Failure{};
        }
        std::vector<float> v = opt->values;
        v.resize(3, 0.0f);
        qz::CFormulaParser parser;
        qz::BindSetting(parser, {opt->mode, v[0], v[1], v[2]});
        std::uint16_t position = 0;
        qz::Text errorText;
        double value = parser.Evaluate(formula, position, errorText);
        std::string text = qz::ToUtf8Lossy(errorText);
        if (opt->json) {
            nlohmann::ordered_json j = {
                {"value", Number(value)}, {"errorPosition", position}, {"errorText", text}};
            std::cout << j.dump() << "\n";
        } else {
            char number[40];
            std::snprintf(number, sizeof number, "%.15g", value);
            std::cout << "value: " << number << "\nerror position: " << position
                      << "\nerror text: " << text << "\n";
        }
    });
}

bool registered = RegisterCommand({AddEval});

}  // namespace

}  // namespace quarnz
