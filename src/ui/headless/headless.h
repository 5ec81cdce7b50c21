// The backend without a screen: dialogs run on the model alone, and the
// user's actions come from a session (a script, or steps added by a test),
// played as the session layer plays them on every backend.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "gfx/canvas.h"
#include "ui/backend.h"
#include "ui/session.h"

namespace qz::ui::headless {

class HeadlessBackend : private SessionUser, public Backend, public Session {
  public:
    HeadlessBackend() : Session(static_cast<SessionUser&>(*this)) {}

    // The canvas the dialogs draw their pictures on (the platform's raster
    // canvas, which the application gives) and how one is written as a PNG
    // file.  Without them the dialogs draw on a recording canvas and a
    // snapshot writes nothing.
    using CanvasMaker = std::function<std::unique_ptr<gfx::CCanvas>(int width, int height)>;
    using PngWriter = std::function<bool(const gfx::CCanvas&, const std::string& utf8Path)>;
    void SetPictureCanvas(CanvasMaker make, PngWriter write) {
        make_ = std::move(make);
        write_ = std::move(write);
    }

    void RunModal(CDialog& dlg) override;
    int MessageBox(TextView text, TextView caption, unsigned flags) override;
    int TrackPopupMenu(const PopupMenu& menu, Point screen, CDialog& owner) override;

  private:
    // The user's actions are the dialog's input calls.
    void Focus(CDialog& dlg, int id) override { dlg.InputFocus(id); }
    void ReplaceText(CDialog& dlg, int id, TextView text) override { dlg.InputEditText(id, text); }
    void Click(CDialog& dlg, int id) override { dlg.InputCommand(id); }
    // What the platform's dialog manager and the focused control do with it.
    bool PressKey(CDialog& dlg, const KeyStroke& key) override;
    void ClickCloseBox(CDialog& dlg) override { dlg.InputClose(); }
    void DropDown(CDialog& dlg, int id) override { dlg.InputDropDown(id); }
    void SelectListItem(CDialog& dlg, int id, int index) override {
        dlg.InputListSelect(id, index);
    }
    void SelectTreeItem(CDialog& dlg, int id, TreeItem item) override {
        dlg.InputTreeSelect(id, item);
    }
    void MoveMouse(CDialog& dlg, int id, Point client) override {
        dlg.InputGridMouseMove(id, client);
    }
    void PressMouse(CDialog& dlg, int id, Point client) override {
        dlg.InputGridMouseDown(id, client);
    }
    void ReleaseMouse(CDialog& dlg, int id) override { dlg.InputGridClick(id); }
    void DoubleClick(CDialog& dlg, int id) override { dlg.InputGridDblClick(id); }
    void ScrollGrid(CDialog& dlg, int id, int topRow) override { dlg.InputGridScroll(id, topRow); }
    void ScrollGridColumns(CDialog& dlg, int id, int leftCol) override {
        dlg.InputGridScrollColumns(id, leftCol);
    }
    void ReleaseRightButton(CDialog& dlg, int id, Point client) override {
        dlg.InputRightButtonUp(id, dlg.ClientToScreen(client));
    }
    void PressButton(int button) override { pressed_ = button; }
    void PickMenuItem(int command) override { picked_ = command; }
    bool SavePicture(CDialog& dlg, int id, TextView file) override;

    int pressed_ = 0, picked_ = 0;
    CanvasMaker make_;
    PngWriter write_;
};

}  // namespace qz::ui::headless
