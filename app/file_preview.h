// What the browse window's preview pane shows of one file: text as text, with the line
// breaks the edit control needs, anything else as a hex dump.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The most of a file the pane shows.
constexpr size_t kPreviewLimit = size_t(1) << 20;

// True when bytes hold no zero byte and no control character but tab, line feed,
// carriage return and form feed.
bool LooksLikeText(const std::string& bytes);

// bytes: the file's first bytes (at most kPreviewLimit), size: the whole file's. Text
// gets CR LF line ends for display; anything else one line per 16 bytes, "offset  the
// bytes in hex  |ASCII|". A last line says how many bytes are not shown.
std::string PreviewText(const std::string& bytes, uint64_t size);
