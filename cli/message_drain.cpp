#include "message_drain.h"

JobRow* MessageDrain::JobOfRow(int32_t row) const
{
    return row >= 0 && size_t(row) < jobs_.size() ? jobs_[size_t(row)] : nullptr;
}

int32_t MessageDrain::Handle(const PostedMessage& message)
{
    SenderState& sender = senders_[message.sender];
    int32_t endedRow = -1;
    switch (message.message) {
    case WM_KEST_PROGRESS:
        if (sender.current)
            sender.current->progress.push_back(int32_t(message.lParam));
        // The window's progress bar ignores values outside its range.
        if (message.lParam >= 0 && message.lParam <= 100)
            sender.percent = int32_t(message.lParam);
        break;
    case WM_KEST_ROWUPDATE: {
        const RowUpdate* update = reinterpret_cast<const RowUpdate*>(message.wParam);
        const int32_t column = int32_t(message.lParam);
        JobRow* job = JobOfRow(update->row);
        if (job && column >= 1 && column <= 4) {
            sender.current = job;
            sender.currentRow = update->row;
            if (update->setColour)
                job->colour = update->colour;
            job->cells[column] = update->text;
        }
        break;
    }
    case kJobEndedReport: {
        const JobOutcome* outcome = reinterpret_cast<const JobOutcome*>(message.wParam);
        JobRow* job = JobOfRow(outcome->row);
        if (job && !job->ended) {
            job->ended = true;
            job->writeErrors = outcome->writeErrors;
            job->refused = outcome->refused;
            job->selected = outcome->selected;
            endedRow = outcome->row;
        }
        if (job == sender.current)
            sender.current = nullptr;
        break;
    }
    }
    ReleasePostedMessage(message);
    if (sender.current)
        display_.Show(*sender.current, sender.percent, size_t(sender.currentRow) + 1, jobs_.size());
    return endedRow;
}
