#include "job_json.h"

#include "json_writer.h"

#include <cstdio>

std::string JobJson(const JobRow& row)
{
    std::string line = "{\"file\":" + JsonString(row.file);
    if (!row.Accepted())
        return line + ",\"rejected\":" + JsonString(row.rejection) + "}";
    line += ",\"row\":[";
    for (int i = 0; i < 5; ++i)
        line += (i ? "," : "") + JsonString(row.cells[i]);
    line += "],\"colour\":" + std::to_string(row.colour) + ",\"progress\":[";
    for (size_t i = 0; i < row.progress.size(); ++i)
        line += (i ? "," : "") + std::to_string(row.progress[i]);
    line += "],\"write_errors\":" + std::to_string(row.writeErrors) + ",\"refused\":" + std::to_string(row.refused) +
            ",\"selected\":" + std::to_string(row.selected) + "}";
    return line;
}

void PrintJobsAsJson(const std::vector<JobRow>& rows)
{
    for (const JobRow& row : rows) {
        const std::string line = JobJson(row) + "\n";
        fwrite(line.data(), 1, line.size(), stdout);
    }
}
