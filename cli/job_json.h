// vandrel --json: one JSON object per given path, in the given order.
#pragma once

#include "job_row.h"

#include <string>
#include <vector>

// One line without its newline: {"file":..,"rejected":..} for a rejected path, otherwise
// {"file":..,"row":[five cells],"colour":N,"progress":[..],"write_errors":N,"refused":N,
// "selected":N}.
std::string JobJson(const JobRow& row);

void PrintJobsAsJson(const std::vector<JobRow>& rows);
