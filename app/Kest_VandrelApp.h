// CKest_VandrelApp: the application object. InitInstance is the whole life of the
// program: the log, the message filter of elevated processes, the common controls,
// the theme and caption font, the settings, the update check, the main window run
// modally, and the teardown in a fixed order.
#pragma once

#include "KestThemeManger.h"
#include "framework/application.h"

class CKest_VandrelApp : public fw::Application {
public:
    // Returns FALSE: the process ends when it returns. Files on the command line are
    // taken as one drop once the main window shows.
    BOOL InitInstance();
    // True on the NT family from major version 6 on, where the message filter of an
    // elevated process would keep drops away from the main window.
    bool NeedsMessageFilter();

private:
    void LetDropsThroughMessageFilter();

    KestThemeManger themeManager_;
};
