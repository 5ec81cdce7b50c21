// One ApplyEdit of the import dialog (the characteristic read again from
// "prot.tmp" in formula form, every formula evaluated, the preview
// refreshed) for a 40-element characteristic, beside the preview's refresh
// alone: the same plot, inputs and raster canvas, with nothing read or
// evaluated.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "bench_zones.h"
#include "dialogs/import/import_prot_dlg.h"
#include "gfx/cairo/raster_cairo.h"
#include "plot/rx_plot.h"
#include "resources/templates.h"
#include "session/headless/headless_session.h"
#include "templates/sqlite/sqlite_template_db.h"
#include "ui/units.h"

using namespace qz;

namespace {

constexpr float kMagnitude = 10;  // ZZD_MAG: the formulas give the numbers as they are

// Every number of an element as a formula: lengths scaled by ZZD_MAG / 10,
// angles as they are.
struct Formulas : PictFieldEditor {
    void Point(PictFieldName, PictPoint& p, bool inFormulaForm) override {
        if (!inFormulaForm) return;
        p.strFormula1 = Format("%.6g*ZZD_MAG/10", double(p.fValue1));
        p.strFormula2 = Format(p.nCoord == 0 ? "%.6g" : "%.6g*ZZD_MAG/10", double(p.fValue2));
    }
    void Real(PictFieldName, const char*, float&) override {}
    void Formula(PictFieldName, FormulaText& formula, float& value) override {
        formula = Format("%.6g", double(value));
    }
    void Flag(PictFieldName, std::int32_t&, const char*, const char*) override {}
};

struct Library {
    Library() {
        std::filesystem::create_directories(folder);
        PictList picts = qzbench::Characteristic();
        Formulas formulas;
        for (auto& p : picts) p->VisitFields(formulas);
        CRecordset_Distance row;
        row.nID = 1;
        row.strManufacturer = u"Maker";
        row.strProtSort = u"Line";
        row.strProtModel = u"M-1";
        row.strZoneName = u"Z1 earth";
        row.setting.Zzd_1 = kMagnitude;
        row.setting.Zzd_2 = 75;
        CArchiveWriter ar(row.ProtSettings);
        StorePicts(ar, picts, PictForm::kFormula);
        Text file = FromUtf8((folder / "library.db").string());
        WriteSqliteTemplateDatabase(file, std::span(&row, 1));
        db = OpenSqliteTemplateDatabase(file);
    }
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "qz-import-bench";
    std::unique_ptr<CTemplateDatabase> db;
};

Library& TheLibrary() {
    static Library library;
    return library;
}

gfx::Size PreviewSize() {
    const res::DialogTemplate& t = *res::FindDialog(res::kDlgImport);
    for (const auto& c : t.controls)
        if (c.id == res::kImportPreview)
            return {ui::DluToPixelX(c.rect.cx), ui::DluToPixelY(c.rect.cy)};
    return {};
}

void BM_ImportApplyEdit(benchmark::State& state) {
    Library& lib = TheLibrary();
    session::HeadlessSession user;
    user.SetPictureCanvas([](int w, int h) { return std::make_unique<gfx::CRasterCanvas>(w, h); },
                          [](const gfx::CCanvas&, const std::string&) { return false; });
    ui::UseBackend use(user);
    CDlg_Import_Prot dlg([&] { return lib.db.get(); }, FromUtf8(lib.folder.string()));
    dlg.nID = 1;
    dlg.setting.Zzd_1 = kMagnitude;
    dlg.setting.Zzd_2 = 75;
    // The first value field has the focus: each run takes its text over.
    user.Play("focus 4137\n");
    user.Call([&] {
        if (dlg.Elements().size() != 40) state.SkipWithError("the characteristic did not load");
        for (auto _ : state) dlg.ApplyEdit();
    });
    user.Play("close\n");
    dlg.DoModal();
    if (!user.Finish()) state.SkipWithError(user.Errors().front().c_str());
}
BENCHMARK(BM_ImportApplyEdit)->Unit(benchmark::kMicrosecond);

void BM_PreviewRefreshAlone(benchmark::State& state) {
    PictList list = qzbench::Characteristic();
    gfx::CRasterCanvas screen(1, 1);
    CRxPlot plot(CRxPlot::Rounding::kTruncate);
    plot.SetPlaceholder(screen, PreviewSize());
    plot.setting.Zzd_1 = kMagnitude;
    plot.setting.Zzd_2 = 75;
    plot.pElements = &list;
    for (auto _ : state) plot.Refresh();
}
BENCHMARK(BM_PreviewRefreshAlone)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
