// The backend without a screen: dialogs run on the model alone, and the
// user's actions come from a stand-in for the user (a session), which acts
// through the dialog's input calls.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "gfx/canvas.h"
#include "ui/backend.h"
#include "ui/user.h"

namespace qz::ui::headless {

class HeadlessBackend : public Backend, protected UserActions {
  public:
    // Who acts where the dialogs wait for the user; a dialog run without
    // one raises std::logic_error.
    void SetStandIn(UserStandIn* standIn) { standIn_ = standIn; }

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

  protected:
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

  private:
    UserStandIn& StandIn() const {
        if (!standIn_) throw std::logic_error("the headless backend has no one to play the user");
        return *standIn_;
    }

    UserStandIn* standIn_ = nullptr;
    int pressed_ = 0, picked_ = 0;
    CanvasMaker make_;
    PngWriter write_;
};

}  // namespace qz::ui::headless
