// The table vandrel prints at the end: the job list's five columns, one line per given
// path; then, when a selection was given, how many files each job selected, and a line
// per job that could not write or refused any of its files.
#pragma once

#include "job_row.h"

#include <string>
#include <vector>

std::string JobTable(const std::vector<JobRow>& rows, bool filtered);

void PrintJobTable(const std::vector<JobRow>& rows, bool filtered);
