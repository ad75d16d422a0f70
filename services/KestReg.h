// KestReg: the settings store. The options and the version of the program that last
// wrote them live in the current user's registry under "Software\Kest_Ryn\Vandrel", in
// the groups "Info", "ExportOptions" and "Misc". Start-up calls theKestReg.LoadSettings()
// before the main window exists and theKestReg.SaveSettings() after it has closed; in
// between the options live only in ExportOptions. User-interface thread only.
#pragma once

#include "export_options.h"

#include <windows.h>

constexpr size_t kRegPathSize = 260;

class KestReg {
public:
    KestReg() = default;
    ~KestReg();
    KestReg(const KestReg&) = delete;
    KestReg& operator=(const KestReg&) = delete;

    // Opens group below the program's key (the key itself when group is empty) as the
    // current key. Logs and returns false when it cannot.
    bool OpenKey(const char* group, REGSAM access);
    // Creates group below the program's key, and any missing key above it.
    bool CreateKey(const char* group);
    // Opens group, creating it when it is missing. A group that still cannot be opened
    // is logged and leaves no current key, so the reads and writes that follow fail and
    // are logged one by one.
    void OpenOrCreateKey(const char* group, REGSAM access);
    // Reads "Version" from the current key; leaves value unchanged when it cannot.
    void ReadVersion(float& value);
    // Reads the four options into ExportOptions; an unreadable one keeps its value.
    void ReadOptions();
    // Writes the four options from ExportOptions.
    void SaveSettings();
    // The start-up sequence: creates the key on the first run, brings a registry written
    // by an older program up to date, then reads the options.
    void LoadSettings();

private:
    void CloseKey();
    void BuildPath(const char* group);
    LONG ReadValue(const char* name, uint8_t* bytes, DWORD size);
    void ReadFlag(const char* name, uint8_t& flag);
    void WriteValue(const char* name, const void* bytes, DWORD size);
    void WriteVersion();

    HKEY currentKey_ = nullptr;
    HKEY root_ = HKEY_CURRENT_USER;
    char basePath_[kRegPathSize] = "Software\\Kest_Ryn\\Vandrel";
    char path_[kRegPathSize] = "";
};

extern KestReg theKestReg;
