// BrowseRows: the rows of a browse window. They are the files of one archive as its
// session listed them; a filter narrows them and a column orders them. The window's
// list is virtual: it asks for the text of shown row i, column c.
#pragma once

#include <string>
#include <vector>

#include "browse_session.h"

enum BrowseColumn : int { kPathColumn, kTypeColumn, kSizeColumn };

class BrowseRows {
public:
    void SetFiles(std::vector<BrowseFile> files);
    // Empty: every row. A pattern with '*', '?' or '[' matches the whole path as
    // --filter's globs do; anything else is found anywhere in the path, letters without case.
    void SetFilter(const std::string& filter);
    // Orders the rows by the column; the same column again reverses its order. Rows
    // that are equal there keep the order extraction writes them in, as at the start.
    void SortBy(int column);

    size_t Count() const { return shown_.size(); }
    const BrowseFile& Row(size_t shown) const { return files_[shown_[shown]]; }
    // The row's place among all files, whatever the filter and the order.
    size_t FileIndex(size_t shown) const { return shown_[shown]; }
    size_t FileCount() const { return files_.size(); }
    std::string CellText(size_t shown, int column) const;
    // "N files (X bytes)" for the whole archive, then ", K refused" for unsafe names and
    // ", M shown" when the filter hides rows.
    std::string Summary() const;

private:
    bool Takes(size_t file) const;
    void Show();

    std::vector<BrowseFile> files_;
    std::vector<std::string> foldedPaths_;  // for the substring match and the order by path
    std::vector<size_t> order_;             // every file, in the current order
    std::vector<size_t> shown_;             // those of order_ the filter takes
    std::string filter_;
    std::string foldedFilter_;
    bool glob_ = false;
    int sortColumn_ = -1;  // -1: the extraction's order
    bool descending_ = false;
};
