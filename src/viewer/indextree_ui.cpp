#include "viewer/indextree_ui.h"

void IndexTreeModel::clear() { roots_.clear(); }

wxDataViewItem IndexTreeModel::add(const wxDataViewItem& parent, const wxString& text, int entry) {
    auto child = std::make_unique<Node>();
    child->text = text;
    child->entry = entry;
    child->parent = node(parent);
    Node* raw = child.get();
    auto& siblings = parent.IsOk() ? node(parent)->children : roots_;
    siblings.push_back(std::move(child));
    return wxDataViewItem(raw);
}

int IndexTreeModel::entryOf(const wxDataViewItem& item) const { return item.IsOk() ? node(item)->entry : kTitleNode; }

wxString IndexTreeModel::textOf(const wxDataViewItem& item) const { return item.IsOk() ? node(item)->text : wxString(); }

std::vector<wxDataViewItem> IndexTreeModel::allItems() const {
    std::vector<wxDataViewItem> items;
    std::vector<const Node*> stack;
    for (auto it = roots_.rbegin(); it != roots_.rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
        const Node* n = stack.back();
        stack.pop_back();
        items.emplace_back(const_cast<Node*>(n));
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) stack.push_back(it->get());
    }
    return items;
}

std::vector<wxDataViewItem> IndexTreeModel::topLevelItems() const {
    std::vector<wxDataViewItem> items;
    for (const auto& n : roots_) items.emplace_back(n.get());
    return items;
}

void IndexTreeModel::GetValue(wxVariant& value, const wxDataViewItem& item, unsigned int) const {
    value = textOf(item);
}

wxDataViewItem IndexTreeModel::GetParent(const wxDataViewItem& item) const {
    return item.IsOk() ? wxDataViewItem(node(item)->parent) : wxDataViewItem();
}

bool IndexTreeModel::IsContainer(const wxDataViewItem& item) const {
    return !item.IsOk() || !node(item)->children.empty();
}

const std::vector<std::unique_ptr<IndexTreeModel::Node>>& IndexTreeModel::childrenOf(const wxDataViewItem& item) const {
    return item.IsOk() ? node(item)->children : roots_;
}

unsigned int IndexTreeModel::GetChildren(const wxDataViewItem& item, wxDataViewItemArray& children) const {
    for (const auto& child : childrenOf(item)) children.Add(wxDataViewItem(child.get()));
    return static_cast<unsigned int>(childrenOf(item).size());
}
