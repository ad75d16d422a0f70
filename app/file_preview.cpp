#include "file_preview.h"

#include <cstdio>

namespace {

constexpr size_t kBytesPerLine = 16;

bool IsPrintable(unsigned char c) { return c >= 0x20 && c < 0x7F; }

std::string WithEditLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

std::string HexDump(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() / kBytesPerLine + 1) * 80);
    char piece[16];
    for (size_t line = 0; line < bytes.size(); line += kBytesPerLine) {
        std::snprintf(piece, sizeof piece, "%08lx ", static_cast<unsigned long>(line));
        out += piece;
        std::string ascii;
        for (size_t i = line; i < line + kBytesPerLine; ++i) {
            if (i < bytes.size()) {
                const auto c = static_cast<unsigned char>(bytes[i]);
                std::snprintf(piece, sizeof piece, " %02x", c);
                out += piece;
                ascii += IsPrintable(c) ? static_cast<char>(c) : '.';
            } else {
                out += "   ";
            }
        }
        out += "  |" + ascii + "|\r\n";
    }
    return out;
}

}  // namespace

bool LooksLikeText(const std::string& bytes) {
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f') return false;
    }
    return true;
}

std::string PreviewText(const std::string& bytes, uint64_t size) {
    std::string text = LooksLikeText(bytes) ? WithEditLineEnds(bytes) : HexDump(bytes);
    if (size > bytes.size()) {
        if (!text.empty() && text.back() != '\n') text += "\r\n";
        text += "[" + std::to_string(size - bytes.size()) + " more bytes not shown]";
    }
    return text;
}
