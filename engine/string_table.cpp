#include "string_table.h"

std::string StringTableText(const FFZone& zone)
{
    std::string text = kStringTableHeader;
    for (const std::string& s : zone.strings) {
        text += s;
        text += '\n';
    }
    return text;
}
