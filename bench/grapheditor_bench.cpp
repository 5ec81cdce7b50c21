// The graph editor on a 200-side polygon: what adding, editing or deleting
// one element costs once its dialog has closed (the polygon linked again, the
// table filled again, the plot drawn again), beside the plot's refresh alone
// on the same elements, on the raster canvas the dialogs draw on.
#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <memory>

#include "dialogs/grapheditor/graph_editor_dlg.h"
#include "gfx/cairo/raster_cairo.h"
#include "records/zone.h"
#include "session/headless/headless_session.h"

using namespace qz;

namespace {

constexpr int kSides = 200;

std::unique_ptr<CPictLine> SideAt(int i) {
    // Tangents of an ellipse around a quadrilateral-like zone.
    double a = 2 * kPi * i / kSides;
    auto line = std::make_unique<CPictLine>();
    line->ptZ = {1, float(4 + 9 * std::cos(a)), float(6 + 11 * std::sin(a))};
    line->fInclination = float(std::fmod(a * 180 / kPi + 90, 360));
    return line;
}

// The editor with the polygon loaded; its operations timed inside its run.
class TimedEditor : public CDlg_Import_Graph {
  public:
    using Step = std::function<void(TimedEditor&, benchmark::State&)>;
    TimedEditor(benchmark::State& state, Step step)
        : CDlg_Import_Graph(u"."), state_(state), step_(std::move(step)) {
        nCharKind = kCharPolygon;
        setting = {0, 12, 78, 0};
    }

    using CDlg_Import_Graph::ElementEdited;
    using CDlg_Import_Graph::InsertElement;
    using CDlg_Import_Graph::plot;
    using CDlg_Import_Graph::RemoveElement;
    PictList& List() { return arrPicts; }

  protected:
    bool OnInitDialog() override {
        CDlg_Import_Graph::OnInitDialog();
        for (int i = 0; i < kSides; ++i) List().push_back(SideAt(i));
        LinkPolygon();
        nCurRow = kSides / 2;
        RefreshAll();
        step_(*this, state_);
        EndDialog(kIdCancel);
        return true;
    }

  private:
    benchmark::State& state_;
    Step step_;
};

void RunEditor(benchmark::State& state, TimedEditor::Step step) {
    session::HeadlessSession user;
    user.SetPictureCanvas([](int w, int h) { return std::make_unique<gfx::CRasterCanvas>(w, h); },
                          nullptr);
    ui::UseBackend use{user};
    TimedEditor editor(state, std::move(step));
    editor.DoModal();
}

void BM_AddElement(benchmark::State& state) {
    RunEditor(state, [](TimedEditor& e, benchmark::State& s) {
        for (auto _ : s) {
            e.InsertElement(SideAt(7), -1);
            s.PauseTiming();
            e.List().pop_back();
            s.ResumeTiming();
        }
    });
}
BENCHMARK(BM_AddElement);

void BM_EditElement(benchmark::State& state) {
    RunEditor(state, [](TimedEditor& e, benchmark::State& s) {
        auto& line = static_cast<CPictLine&>(*e.List()[kSides / 2]);
        float inclination = line.fInclination;
        int n = 0;
        for (auto _ : s) {
            line.fInclination = inclination + float(++n % 2);
            e.ElementEdited();
        }
    });
}
BENCHMARK(BM_EditElement);

void BM_DeleteElement(benchmark::State& state) {
    RunEditor(state, [](TimedEditor& e, benchmark::State& s) {
        for (auto _ : s) {
            e.RemoveElement(kSides / 2);
            s.PauseTiming();
            e.List().insert(e.List().begin() + (kSides / 2 - 1), SideAt(kSides / 2 - 1));
            s.ResumeTiming();
        }
    });
}
BENCHMARK(BM_DeleteElement);

// The yardstick: the editor's plot refreshed alone.
void BM_PlotRefreshAlone(benchmark::State& state) {
    RunEditor(state, [](TimedEditor& e, benchmark::State& s) {
        for (auto _ : s) {
            e.plot.Refresh();
            benchmark::ClobberMemory();
        }
    });
}
BENCHMARK(BM_PlotRefreshAlone);

}  // namespace

BENCHMARK_MAIN();
