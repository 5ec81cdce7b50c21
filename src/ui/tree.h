// The tree-view control's items: text, images, item data, expansion and the
// selection.  Selecting through the dialog notifies it, as the platform does.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"

namespace qz::ui {

// Item handles; 0 is no item (and, as a parent, the invisible root).
using TreeItem = int;
inline constexpr TreeItem kTreeNone = 0;

class CTreeModel {
  public:
    // Inserted as the last child of `parent`.
    TreeItem InsertItem(TextView text, int image, int selectedImage, std::intptr_t data,
                        TreeItem parent = kTreeNone);
    void DeleteAllItems();

    bool IsItem(TreeItem item) const;
    TreeItem GetRootItem() const;  // the first top-level item
    TreeItem GetParentItem(TreeItem item) const;
    TreeItem GetChildItem(TreeItem item) const;
    TreeItem GetNextSiblingItem(TreeItem item) const;
    std::vector<TreeItem> Children(TreeItem item) const;
    // 1 for a top-level item.
    int Depth(TreeItem item) const;
    Text GetItemText(TreeItem item) const;
    std::intptr_t GetItemData(TreeItem item) const;
    int GetItemImage(TreeItem item) const;
    bool Expand(TreeItem item, bool expand = true);
    bool IsExpanded(TreeItem item) const;
    // Every ancestor expanded.
    bool IsShown(TreeItem item) const;
    TreeItem GetSelectedItem() const { return selected_; }
    // Selects and expands the ancestors; the dialog sends the notification.
    void SetSelection(TreeItem item);

    void SetImageList(int bitmapId) { imageList_ = bitmapId; }
    int GetImageList() const { return imageList_; }
    void SetTextColor(std::uint32_t rgb) { textColor_ = rgb; }
    std::uint32_t GetTextColor() const { return textColor_; }
    void SetItemHeight(int pixels) { itemHeight_ = pixels; }
    int GetItemHeight() const { return itemHeight_; }

  private:
    struct Node {
        Text text;
        int image = 0, selectedImage = 0;
        std::intptr_t data = 0;
        TreeItem parent = kTreeNone;
        bool expanded = false;
    };
    const Node* Find(TreeItem item) const;

    std::vector<Node> nodes_;  // handle = index + 1, in insertion order
    TreeItem selected_ = kTreeNone;
    int imageList_ = 0;
    std::uint32_t textColor_ = 0;
    int itemHeight_ = 16;
};

}  // namespace qz::ui
