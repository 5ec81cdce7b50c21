#include "app/zone_set_call.h"

#include "base/platform.h"
#include "dialogs/zoneset/zone_set_dlg.h"
#include "ui/backend.h"

namespace qz {

int RunZoneSet(CQuarnZGraphApp& app, const char16_t* zoneFile) {
    // The loader's messages show as the dialogs' do.
    ui::MessageBoxRoute route;
    app.ClearZones();
    if (zoneFile) app.LoadZoneFile(Text(zoneFile));
    app.strZoneFileName.clear();
    CDlg_ZoneSet dlg(app, app.strWorkPath, [&app] { return app.GetTemplateDatabase(); });
    if (dlg.DoModal() != kIdOk) return 0;
    if (app.strWorkPath.empty()) return 1;  // nowhere to save
    Text path = JoinPath(app.strWorkPath, kZoneParameterFileName);
    if (app.SaveZoneFile(path)) app.strZoneFileName = path;
    return 1;
}

}  // namespace qz
