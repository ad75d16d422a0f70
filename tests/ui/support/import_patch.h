// Test seams over the program's own import table: ImportPatch swaps one imported
// system function for a replacement while it lives (in the test program, or in a
// library it has loaded), and on top of it GdiLedger
// records every pen, brush, font and bitmap the program's code creates and deletes,
// and HookLedger every window hook it installs and removes. Only calls made by code
// linked into the test program pass through them; the system's own libraries call
// each other directly and are not seen.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uitest {

class ImportPatch {
public:
    // dll as the import table names it ("gdi32.dll"); function by its exported name;
    // importer: the module whose calls are swapped, the test program when null.
    ImportPatch(const char* dll, const char* function, void* replacement, HMODULE importer = nullptr);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    // False when the program does not import the function (then nothing calls it).
    bool Active() const { return slot_ != nullptr; }
    void* Original() const { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

// One ledger at a time; user-interface thread only.
class GdiLedger {
public:
    GdiLedger();
    ~GdiLedger();
    GdiLedger(const GdiLedger&) = delete;
    GdiLedger& operator=(const GdiLedger&) = delete;

    // Objects created since construction that have not been deleted since.
    std::vector<HGDIOBJ> Live() const;
    int Created() const;
    // "brush 0x1234, pen 0x5678" for a failure message.
    static std::string Describe(const std::vector<HGDIOBJ>& objects);
};

// Counts the window hooks the program's code has installed and not yet removed.
class HookLedger {
public:
    HookLedger();
    ~HookLedger();
    HookLedger(const HookLedger&) = delete;
    HookLedger& operator=(const HookLedger&) = delete;

    int Installed() const;
    int Live() const;
};

}  // namespace uitest
