// Searching an archive's files as extraction would leave them: a destination of the walk
// over the entries that feeds each file's bytes to a pattern and hands on the lines that
// match. Files that extraction would not leave on disk are not searched (one replaced by
// a later file at the same path, StringTable.txt where no folder was made), nor are
// binary ones (a file holding a zero byte).
#pragma once

#include "export_destination.h"
#include "text_pattern.h"

#include <cstdint>
#include <string>
#include <vector>

struct MatchedLine {
    int64_t number;    // from 1
    std::string text;  // the line's bytes without its LF
};

class SearchResults {
public:
    // A file that holds a match: its path as ExportedFile gives it, and its matching
    // lines in order.
    virtual void OnFileMatched(const std::string& path, const std::vector<MatchedLine>& lines) = 0;

protected:
    ~SearchResults() = default;
};

class SearchDestination : public ExportDestination {
public:
    // firstLineOnly: a file's first matching line is enough (to name the file).
    SearchDestination(TextPattern& pattern, bool firstLineOnly, SearchResults& results)
        : pattern_(pattern), firstLineOnly_(firstLineOnly), results_(results)
    {
    }

    bool BeginFile(const ExportedFile& file) override;
    void WriteBytes(const uint8_t* bytes, size_t size) override;
    void EndFile() override;
    // A file the walk could not hand over whole is not searched.
    void AbandonFile(FileAbandoned why) override;

    // Whether a file could not be searched for want of memory: then the search of the
    // archive is not whole.
    bool LostFile() const { return lostFile_; }

private:
    TextPattern& pattern_;
    const bool firstLineOnly_;
    SearchResults& results_;
    bool searching_ = false;
    std::string path_;
    std::vector<std::pair<const uint8_t*, size_t>> pieces_;
    std::string joined_;  // the pieces in one, when there are several
    std::vector<MatchedLine> lines_;
    bool lostFile_ = false;
};
