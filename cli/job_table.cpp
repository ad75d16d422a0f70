#include "job_table.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Columns(size_t nameWidth, size_t statusWidth, const std::string (&cells)[5])
{
    char line[64];
    std::string text = cells[0];
    text.resize(std::max(nameWidth, cells[0].size()), ' ');
    text += "  " + cells[1];
    text.resize(text.size() + (statusWidth > cells[1].size() ? statusWidth - cells[1].size() : 0), ' ');
    snprintf(line, sizeof line, "  %10s  %6s  %8s", cells[2].c_str(), cells[3].c_str(), cells[4].c_str());
    return text + line + "\n";
}

std::string Count(int32_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// "a.ff: 3 files could not be written, 1 file refused", or empty when nothing was lost.
std::string LossLine(const JobRow& row)
{
    if (row.writeErrors == 0 && row.refused == 0)
        return std::string();
    std::string line = row.cells[0] + ": ";
    if (row.writeErrors > 0)
        line += Count(row.writeErrors, "file", "files") + " could not be written";
    if (row.writeErrors > 0 && row.refused > 0)
        line += ", ";
    if (row.refused > 0)
        line += Count(row.refused, "file", "files") + " refused (unsafe path)";
    return line + "\n";
}

}  // namespace

std::string JobTable(const std::vector<JobRow>& rows, bool filtered)
{
    size_t nameWidth = 4, statusWidth = 6;
    for (const JobRow& row : rows) {
        if (row.Accepted()) {
            nameWidth = std::max(nameWidth, row.cells[0].size());
            statusWidth = std::max(statusWidth, row.cells[1].size());
        }
    }
    const std::string heading[5] = {"Name", "Status", "Size", "Files", "Strings"};
    std::string table = Columns(nameWidth, statusWidth, heading);
    std::string notes;  // what the rows themselves do not show
    for (const JobRow& row : rows) {
        if (!row.Accepted()) {
            table += row.rejection + "\n";
            continue;
        }
        table += Columns(nameWidth, statusWidth, row.cells);
        if (filtered)
            notes += row.cells[0] + ": " + Count(row.selected, "file", "files") + " selected\n";
        notes += LossLine(row);
    }
    if (!notes.empty())
        table += "\n" + notes;
    return table;
}

void PrintJobTable(const std::vector<JobRow>& rows, bool filtered)
{
    const std::string table = JobTable(rows, filtered);
    fwrite(table.data(), 1, table.size(), stdout);
}
