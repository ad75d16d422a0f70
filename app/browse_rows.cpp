#include "browse_rows.h"

#include <algorithm>
#include <numeric>

#include "entry_selection.h"

namespace {

constexpr char kRefusedSize[] = "refused";

std::string Folded(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

void BrowseRows::SetFiles(std::vector<BrowseFile> files) {
    files_ = std::move(files);
    foldedPaths_.clear();
    for (const BrowseFile& file : files_) foldedPaths_.push_back(Folded(file.path));
    order_.resize(files_.size());
    std::iota(order_.begin(), order_.end(), size_t{0});
    sortColumn_ = -1;
    descending_ = false;
    Show();
}

void BrowseRows::SetFilter(const std::string& filter) {
    filter_ = filter;
    foldedFilter_ = Folded(filter);
    glob_ = filter.find_first_of("*?[") != std::string::npos;
    Show();
}

void BrowseRows::SortBy(int column) {
    descending_ = column == sortColumn_ && !descending_;
    sortColumn_ = column;
    auto less = [&](size_t a, size_t b) {
        const BrowseFile& x = files_[a];
        const BrowseFile& y = files_[b];
        switch (column) {
        case kPathColumn:
            if (foldedPaths_[a] != foldedPaths_[b]) return foldedPaths_[a] < foldedPaths_[b];
            break;
        case kTypeColumn:
            if (x.type != y.type) return x.type < y.type;
            break;
        case kSizeColumn:
            if (x.size != y.size) return x.size < y.size;
            break;
        }
        return a < b;
    };
    std::sort(order_.begin(), order_.end(), [&](size_t a, size_t b) { return descending_ ? less(b, a) : less(a, b); });
    Show();
}

bool BrowseRows::Takes(size_t file) const {
    if (filter_.empty()) return true;
    if (glob_) return GlobMatches(filter_, files_[file].path);
    return foldedPaths_[file].find(foldedFilter_) != std::string::npos;
}

void BrowseRows::Show() {
    shown_.clear();
    for (size_t file : order_)
        if (Takes(file)) shown_.push_back(file);
}

std::string BrowseRows::CellText(size_t shown, int column) const {
    if (shown >= shown_.size()) return std::string();
    const BrowseFile& file = Row(shown);
    switch (column) {
    case kPathColumn:
        return file.path;
    case kTypeColumn:
        return file.type;
    case kSizeColumn:
        return file.refused ? kRefusedSize : std::to_string(file.size);
    }
    return std::string();
}

std::string BrowseRows::Summary() const {
    size_t count = 0, refused = 0;
    unsigned long long bytes = 0;
    for (const BrowseFile& file : files_) {
        if (file.refused) {
            ++refused;
            continue;
        }
        ++count;
        bytes += file.size;
    }
    std::string text = std::to_string(count) + " files (" + std::to_string(bytes) + " bytes)";
    if (refused) text += ", " + std::to_string(refused) + " refused";
    if (shown_.size() != files_.size()) text += ", " + std::to_string(shown_.size()) + " shown";
    return text;
}
