#include "run_log.h"

#include "list_mode.h"
#include "program_log.h"

#include <cstdio>

RunLog::RunLog(LiveDisplay& display, const std::string& logFile)
{
    theLog.SetLineObserver(&display);
    if (logFile.empty())
        return;
    const std::string logPath = AbsolutePath(logFile);
    if (!theLog.SetExtraFile(logPath)) {
        theLog.SetLineObserver(nullptr);
        fprintf(stderr, "vandrel: cannot open the log file %s\n", logPath.c_str());
        ready_ = false;
        return;
    }
    theLog.Start();
}

RunLog::~RunLog()
{
    theLog.SetLineObserver(nullptr);
    theLog.SetExtraFile(std::string());
}
