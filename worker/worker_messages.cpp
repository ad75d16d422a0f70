#include "worker_messages.h"

#include "browse_session.h"

void ReleasePostedMessage(const PostedMessage& message)
{
    if (message.message == WM_KEST_ROWUPDATE)
        delete reinterpret_cast<RowUpdate*>(message.wParam);
    else if (message.message == kJobEndedReport)
        delete reinterpret_cast<JobOutcome*>(message.wParam);
    else if (message.message == WM_KEST_BROWSEREPORT)
        delete reinterpret_cast<BrowseReport*>(message.wParam);
}
