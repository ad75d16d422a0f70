#include "worker_messages.h"

void ReleasePostedMessage(const PostedMessage& message)
{
    if (message.message == WM_KEST_ROWUPDATE)
        delete reinterpret_cast<RowUpdate*>(message.wParam);
}
