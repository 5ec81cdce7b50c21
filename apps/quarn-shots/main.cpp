// quarn-shots: pictures of every dialog template as the Windows user
// interface shows it: the zone settings dialog with the zones of a zone
// file, once with the second zone chosen in the table, which has the focus,
// and once with its context menu open, the import
// dialog on a small library in memory with a zone selected, the graph editor
// with the file's first polygon zone, the element parameter dialogs as they
// open, and each other template as laid out.
// Windows only.
#include "ui/win32/win32_backend.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/platform.h"
#include "dialogs/grapheditor/element_dlgs.h"
#include "dialogs/grapheditor/graph_editor_dlg.h"
#include "dialogs/import/import_prot_dlg.h"
#include "dialogs/zoneset/zone_set_dlg.h"
#include "import_fixture.h"
#include "resources/resource_ids.h"
#include "tool_main.h"
#include "ui/win32/capture.h"
#include "zones/zone_list.h"

using namespace qz;
using namespace qz::ui;

namespace {

const struct {
    int id;
    const char* name;
} kShots[] = {
    {res::kDlgImport, "import"}, {res::kDlgCustom, "custom-zone"}, {res::kDlgGraph, "graph-editor"},
    {res::kDlgPolygon, "line"},  {res::kDlgMho, "circle"},         {res::kDlgLens, "lens"},
};

class Shooter {
  public:
    Shooter(win32::Win32Backend& backend, std::string folder)
        : backend_(backend), folder_(std::move(folder)) {}

    bool ok = true;

    bool AtDialog(CDialog& dlg, HWND window) {
        if (dlg.TemplateId() != res::kDlgZoneSet) {
            Save(window, NameOf(dlg.TemplateId()));
            PostMessageW(window, WM_CLOSE, 0, 0);
            return true;
        }
        HWND grid = backend_.ControlWindow(dlg, res::kGridZones);
        const Control& c = dlg.Item(res::kGridZones);
        Point p = c.grid->CellRect(2, 2).Center();
        LPARAM at = MAKELPARAM(p.x, p.y);
        switch (stage_++) {
            case 0:
                // The second zone chosen: the table takes the focus.
                PostMessageW(grid, WM_MOUSEMOVE, 0, at);
                PostMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, at);
                PostMessageW(grid, WM_LBUTTONUP, 0, at);
                return true;
            case 1:
                // Its current row and focus rectangle, then the context menu over it.
                Save(window, "zone-settings");
                PostMessageW(grid, WM_RBUTTONDOWN, MK_RBUTTON, at);
                PostMessageW(grid, WM_RBUTTONUP, 0, at);
                return true;
            default:
                PostMessageW(window, WM_CLOSE, 0, 0);
                return true;
        }
    }

    bool AtMenu(HWND owner) {
        if (menuShot_) return false;
        menuShot_ = true;
        Save(owner, "zone-settings-menu");
        PostMessageW(owner, WM_KEYDOWN, VK_ESCAPE, 0);
        return true;
    }

  private:
    static const char* NameOf(int id) {
        for (const auto& s : kShots)
            if (s.id == id) return s.name;
        return "dialog";
    }
    void Save(HWND window, const std::string& name) {
        // Let the X server show what was drawn last.
        GdiFlush();
        Sleep(300);
        std::string path = folder_ + "\\" + name + ".png";
        if (!win32::CaptureWindow(window)->SavePng(path)) {
            std::fprintf(stderr, "quarn-shots: cannot write %s\n", path.c_str());
            ok = false;
        } else {
            std::printf("%s\n", path.c_str());
        }
    }

    win32::Win32Backend& backend_;
    std::string folder_;
    int stage_ = 0;
    bool menuShot_ = false;
};

class LaidOut : public CDialog {
  public:
    using CDialog::CDialog;
};

// The graph editor on the first polygon zone with elements, started from its
// element list file as the zone settings dialog hands it over.
void ShowGraphEditor(const CZoneLists& lists, const std::string& folder) {
    Text work = FromUtf8(folder);
    CDlg_Import_Graph editor(work);
    for (const auto& zone : lists.arrZones) {
        bool drawn = std::ranges::any_of(
            lists.arrPicts, [&](const auto& p) { return p->strZoneTag == zone->strTag.str(); });
        if (zone->nCharKind != kCharPolygon || !drawn) continue;
        Text file = JoinPath(work, u"graphPara.tmp");
        if (!lists.SavePictsOfZone(file, zone->strTag)) continue;
        editor.strPictFile = file;
        editor.nCharKind = zone->nCharKind;
        editor.setting = zone->setting;
        break;
    }
    editor.DoModal();
}

}  // namespace

static int Run(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: quarn-shots ZONEFILE FOLDER\n", stderr);
        return 1;
    }
    CZoneLists lists;
    if (!lists.LoadZoneFile(FromUtf8(argv[1]))) {
        std::fprintf(stderr, "quarn-shots: cannot read %s\n", argv[1]);
        return 1;
    }
    win32::Win32Backend backend(GetModuleHandleW(nullptr));
    Shooter shooter(backend, argv[2]);
    backend.SetIdleHandler({[&](CDialog& dlg, HWND w) { return shooter.AtDialog(dlg, w); }, nullptr,
                            [&](HMENU, HWND owner) { return shooter.AtMenu(owner); }});
    UseBackend use(backend);
    CDlg_ZoneSet zoneSet(lists);
    zoneSet.DoModal();
    for (const auto& s : kShots) {
        if (s.id == res::kDlgImport) {
            qztest::MemoryTemplates library;
            library.rows = qztest::ImportRows();
            CDlg_Import_Prot import([&] { return &library; }, FromUtf8(argv[2]));
            import.nID = 7;
            import.setting.Zzd_1 = 5;
            import.setting.Zzd_2 = 80;
            import.DoModal();
        } else if (s.id == res::kDlgPolygon)
            CDlg_Import_Graph_Polygon().DoModal();
        else if (s.id == res::kDlgMho)
            CDlg_Import_Graph_Mho().DoModal();
        else if (s.id == res::kDlgLens)
            CDlg_Import_Graph_Lens().DoModal();
        else if (s.id == res::kDlgGraph)
            ShowGraphEditor(lists, argv[2]);
        else
            LaidOut(s.id).DoModal();
    }
    return shooter.ok ? 0 : 1;
}

int main(int argc, char** argv) {
    return tool::Main("quarn-shots", Run, argc, argv);
}
