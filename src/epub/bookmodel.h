// The book model of the open book: the spine (chapter documents in reading
// order) and the table-of-contents entries. Plain data, filled by FillIndex
// (epub/package.h) and readTableOfContents (epub/toc.h).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace epub {

// An ordered list that owns its records: Add appends, Get returns the record
// at a zero-based index (std::out_of_range outside the list).
template <class Record>
class TRecordList {
public:
    void Add(Record r) { items_.push_back(std::move(r)); }
    const Record& Get(int i) const { return items_.at(static_cast<size_t>(i)); }
    Record& Get(int i) { return items_.at(static_cast<size_t>(i)); }
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    void Clear() { items_.clear(); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    std::vector<Record>& items() { return items_; }
    const std::vector<Record>& items() const { return items_; }

private:
    std::vector<Record> items_;
};

// One chapter document: its path relative to the package folder, the
// manifest "href" as written (no percent-decoding, case as written).
struct TMySpine {
    std::string Value;
};

using TMySpineList = TRecordList<TMySpine>;

// The spine's paths in order, for code that takes them as plain texts.
inline std::vector<std::string> spineHrefs(const TMySpineList& spine) {
    std::vector<std::string> hrefs;
    hrefs.reserve(spine.items().size());
    for (const TMySpine& s : spine) hrefs.push_back(s.Value);
    return hrefs;
}

// spineIndex of an entry that points into no chapter of the spine: never use
// it to index MySpineList.
constexpr int kNoSpineIndex = -1;

// One table-of-contents entry.
struct TMyIndex {
    std::string Value;  // label shown in the tree
    int Level = 0;      // nesting level, 1 to 3
    std::string Link;   // path relative to the package folder, maybe "#fragment" after it
    int Order = 0;      // play order
    int spineIndex = kNoSpineIndex;
    // Position of the entry's start in its document (the n-th navPoint start
    // tag): entries of equal Order keep this order, so parents stay before
    // their nested entries.
    int documentOrder = 0;
};

using TMyIndexList = TRecordList<TMyIndex>;

}  // namespace epub
