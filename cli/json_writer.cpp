#include "json_writer.h"

#include <cstdio>

std::string JsonString(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c <= 0x7E) {
            out += char(c);
        } else {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        }
    }
    out += '"';
    return out;
}

std::string Printable(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c <= 0x7E && c != '\\') {
            out += char(c);
        } else {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    return out;
}
