// The table-of-contents tree's model: nodes in the order they are added, one
// text column, each node knowing the entry it stands for. (The stock tree
// store sorts folders before leaves, which would reorder a table of contents.)
#pragma once

#include <memory>
#include <vector>

#include <wx/dataview.h>

class IndexTreeModel : public wxDataViewModel {
public:
    static constexpr int kTitleNode = -1;

    // The tree is built whole and then shown: clear(), add() for every node,
    // then built(), which tells the view.
    void clear();
    // Adds a node as the last child of parent (null: a top-level node);
    // entry is the table-of-contents entry it opens, kTitleNode for the title.
    wxDataViewItem add(const wxDataViewItem& parent, const wxString& text, int entry);
    void built() { Cleared(); }
    int entryOf(const wxDataViewItem& item) const;
    wxString textOf(const wxDataViewItem& item) const;
    // Every node, depth first.
    std::vector<wxDataViewItem> allItems() const;
    std::vector<wxDataViewItem> topLevelItems() const;

    unsigned int GetColumnCount() const override { return 1; }
    wxString GetColumnType(unsigned int) const override { return wxS("string"); }
    void GetValue(wxVariant& value, const wxDataViewItem& item, unsigned int column) const override;
    bool SetValue(const wxVariant&, const wxDataViewItem&, unsigned int) override { return false; }
    wxDataViewItem GetParent(const wxDataViewItem& item) const override;
    bool IsContainer(const wxDataViewItem& item) const override;
    unsigned int GetChildren(const wxDataViewItem& item, wxDataViewItemArray& children) const override;
    bool HasDefaultCompare() const override { return false; }

private:
    struct Node {
        wxString text;
        int entry = kTitleNode;
        Node* parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
    };
    static Node* node(const wxDataViewItem& item) { return static_cast<Node*>(item.GetID()); }
    const std::vector<std::unique_ptr<Node>>& childrenOf(const wxDataViewItem& item) const;

    std::vector<std::unique_ptr<Node>> roots_;
};
