// ExportOptions: the four on/off options of the whole process, and the program's
// version as a number. No window header: the worker's jobs copy three of the options.
//
// The options belong to the user-interface thread: the settings store fills them at
// start-up, the main window's check boxes change them, and each job takes its own copy
// when its file is queued, so no lock guards them.
#pragma once

#include <cstdint>

struct ExportOptionsRecord {
    uint8_t LocalDump;        // extracted files go under the program's folder
    uint8_t Inc_StringTable;  // write StringTable.txt as well
    uint8_t WindowOnTop;      // the main window stays above other windows
    uint8_t create_dump;      // write the whole zone to a .dump file
};

// Each byte is 0 (off) or 1 (on). All start at 0, the default of a missing value.
inline ExportOptionsRecord ExportOptions{};

// Stored in the registry's "Version" and compared with the update server's answer.
constexpr float kProgramVersionNumber = 1.02f;
