#include "string_table.h"

#include "output_folder.h"

bool WriteStringTable(FFZone& zone)
{
    if (zone.strings.empty())
        return true;
    // The folder exists only if this job wrote into it; a missing one is reported by the open.
    FILE* file = OpenOutputFile(OutputFolder(zone) + kStringTableName);
    if (!file)
        return false;
    std::string text = kStringTableHeader;
    for (const std::string& s : zone.strings) {
        text += s;
        text += '\n';
    }
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    return true;
}
