#include "message_drain.h"

namespace {

// The job a row id names, or null for one the command line never queued.
JobRow* JobOfRow(const std::vector<JobRow*>& jobs, int32_t row)
{
    return row >= 0 && size_t(row) < jobs.size() ? jobs[size_t(row)] : nullptr;
}

}  // namespace

void DrainUntilJobsEnd(MessageQueue& messages, const std::vector<JobRow*>& jobs, LiveDisplay& display)
{
    size_t pending = jobs.size();
    JobRow* current = nullptr;  // the job whose row was updated last
    int32_t currentRow = -1;
    int32_t percent = 0;
    PostedMessage message;
    while (pending > 0 && messages.Pop(message)) {
        switch (message.message) {
        case WM_KEST_PROGRESS:
            if (current)
                current->progress.push_back(int32_t(message.lParam));
            // The window's progress bar ignores values outside its range.
            if (message.lParam >= 0 && message.lParam <= 100)
                percent = int32_t(message.lParam);
            break;
        case WM_KEST_ROWUPDATE: {
            const RowUpdate* update = reinterpret_cast<const RowUpdate*>(message.wParam);
            const int32_t column = int32_t(message.lParam);
            JobRow* job = JobOfRow(jobs, update->row);
            if (job && column >= 1 && column <= 4) {
                current = job;
                currentRow = update->row;
                if (update->setColour)
                    job->colour = update->colour;
                job->cells[column] = update->text;
            }
            break;
        }
        case kJobEndedReport: {
            const JobOutcome* outcome = reinterpret_cast<const JobOutcome*>(message.wParam);
            JobRow* job = JobOfRow(jobs, outcome->row);
            if (job && !job->ended) {
                job->ended = true;
                job->writeErrors = outcome->writeErrors;
                job->refused = outcome->refused;
                --pending;
            }
            if (job == current)
                current = nullptr;
            break;
        }
        }
        ReleasePostedMessage(message);
        if (current)
            display.Show(*current, percent, size_t(currentRow) + 1, jobs.size());
    }
}
