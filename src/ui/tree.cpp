#include "ui/tree.h"

namespace qz::ui {

TreeItem CTreeModel::InsertItem(TextView text, int image, int selectedImage, std::intptr_t data,
                                TreeItem parent) {
    if (parent != kTreeNone && !IsItem(parent)) return kTreeNone;
    nodes_.push_back({Text(text), image, selectedImage, data, parent, false});
    return TreeItem(nodes_.size());
}

void CTreeModel::DeleteAllItems() {
    nodes_.clear();
    selected_ = kTreeNone;
}

bool CTreeModel::IsItem(TreeItem item) const {
    return item >= 1 && item <= TreeItem(nodes_.size());
}

const CTreeModel::Node* CTreeModel::Find(TreeItem item) const {
    return IsItem(item) ? &nodes_[std::size_t(item - 1)] : nullptr;
}

TreeItem CTreeModel::GetRootItem() const {
    return GetChildItem(kTreeNone);
}

TreeItem CTreeModel::GetParentItem(TreeItem item) const {
    const Node* n = Find(item);
    return n ? n->parent : kTreeNone;
}

TreeItem CTreeModel::GetChildItem(TreeItem item) const {
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].parent == item) return TreeItem(i + 1);
    return kTreeNone;
}

TreeItem CTreeModel::GetNextSiblingItem(TreeItem item) const {
    const Node* n = Find(item);
    if (!n) return kTreeNone;
    for (std::size_t i = std::size_t(item); i < nodes_.size(); ++i)
        if (nodes_[i].parent == n->parent) return TreeItem(i + 1);
    return kTreeNone;
}

std::vector<TreeItem> CTreeModel::Children(TreeItem item) const {
    std::vector<TreeItem> out;
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].parent == item) out.push_back(TreeItem(i + 1));
    return out;
}

int CTreeModel::Depth(TreeItem item) const {
    int depth = 0;
    for (const Node* n = Find(item); n; n = Find(n->parent)) ++depth;
    return depth;
}

Text CTreeModel::GetItemText(TreeItem item) const {
    const Node* n = Find(item);
    return n ? n->text : Text();
}

std::intptr_t CTreeModel::GetItemData(TreeItem item) const {
    const Node* n = Find(item);
    return n ? n->data : 0;
}

int CTreeModel::GetItemImage(TreeItem item) const {
    const Node* n = Find(item);
    return n ? (item == selected_ ? n->selectedImage : n->image) : 0;
}

bool CTreeModel::Expand(TreeItem item, bool expand) {
    if (!IsItem(item)) return false;
    nodes_[std::size_t(item - 1)].expanded = expand;
    return true;
}

bool CTreeModel::IsExpanded(TreeItem item) const {
    const Node* n = Find(item);
    return n && n->expanded;
}

bool CTreeModel::IsShown(TreeItem item) const {
    if (!IsItem(item)) return false;
    for (TreeItem p = GetParentItem(item); p != kTreeNone; p = GetParentItem(p))
        if (!IsExpanded(p)) return false;
    return true;
}

void CTreeModel::SetSelection(TreeItem item) {
    if (item != kTreeNone && !IsItem(item)) return;
    selected_ = item;
    for (TreeItem p = GetParentItem(item); p != kTreeNone; p = GetParentItem(p)) Expand(p);
}

}  // namespace qz::ui
