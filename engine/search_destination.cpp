#include "search_destination.h"

#include <cstring>

namespace {

int64_t CountLineFeeds(const uint8_t* bytes, size_t size)
{
    int64_t count = 0;
    for (size_t i = 0; i < size; ++i)
        count += bytes[i] == '\n';
    return count;
}

}  // namespace

bool SearchDestination::BeginFile(const ExportedFile& file)
{
    // In an empty folder a file that does not make its folder is never made.
    searching_ = file.createsFolders && !file.replacedLater;
    path_ = file.path;
    pieces_.clear();
    return searching_;
}

void SearchDestination::WriteBytes(const uint8_t* bytes, size_t size)
{
    if (searching_ && size > 0)
        pieces_.emplace_back(bytes, size);
}

void SearchDestination::EndFile()
{
    if (!searching_)
        return;
    searching_ = false;
    const uint8_t* text = nullptr;
    size_t size = 0;
    if (pieces_.size() == 1) {
        text = pieces_[0].first;
        size = pieces_[0].second;
    } else if (pieces_.size() > 1) {
        joined_.clear();
        for (const auto& piece : pieces_)
            joined_.append(reinterpret_cast<const char*>(piece.first), piece.second);
        text = reinterpret_cast<const uint8_t*>(joined_.data());
        size = joined_.size();
    }
    if (size == 0 || memchr(text, 0, size))
        return;

    lines_.clear();
    MatchingLines matching(pattern_, text, size);
    size_t start = 0, end = 0, counted = 0;
    int64_t number = 1;
    while (matching.Next(start, end)) {
        number += CountLineFeeds(text + counted, start - counted);
        counted = start;
        lines_.push_back({number, std::string(reinterpret_cast<const char*>(text) + start, end - start)});
        if (firstLineOnly_)
            break;
    }
    if (!lines_.empty())
        results_.OnFileMatched(path_, lines_);
}

void SearchDestination::AbandonFile(FileAbandoned why)
{
    searching_ = false;
    pieces_.clear();
    if (why == FileAbandoned::kNoMemory)
        lostFile_ = true;
}
