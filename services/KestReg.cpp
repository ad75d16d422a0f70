#include "KestReg.h"

#include "program_log.h"

#include <cstdio>
#include <cstring>

KestReg theKestReg;

namespace {

const char kReadFailed[] = "KestReg::(B) Failed To Read Reg Key: %s (0x%i)";
const char kWriteFailed[] = "KestReg::(B) Failed To Write Reg Key: %s (0x%i)";

const REGSAM kInfoAccess = KEY_WRITE | KEY_QUERY_VALUE;

// The first open, and one more after creating the group. A group that is still closed
// then is one we are not allowed to open (its security denies us), and asking again
// would not change that.
const int kOpenAttempts = 2;

// Registries written before 1.0 hold a "create_dump" that this program does not honour.
const float kDumpOptionSinceVersion = 1.0f;

// The version assumed when "Version" cannot be read. The key exists, so some program
// wrote it: new enough that every stored option is kept, and older than this program so
// that "Version" is written again and reads cleanly next time.
const float kUnreadableVersion = 1.0f;

}  // namespace

KestReg::~KestReg()
{
    CloseKey();
}

void KestReg::CloseKey()
{
    if (currentKey_)
        RegCloseKey(currentKey_);
    currentKey_ = nullptr;
}

void KestReg::BuildPath(const char* group)
{
    if (!group || !*group)
        snprintf(path_, sizeof path_, "%s", basePath_);
    else
        snprintf(path_, sizeof path_, "%s\\%s", basePath_, group);
}

bool KestReg::OpenKey(const char* group, REGSAM access)
{
    CloseKey();
    BuildPath(group);
    const LONG error = RegOpenKeyExA(root_, path_, 0, access, &currentKey_);
    if (error == ERROR_SUCCESS)
        return true;
    currentKey_ = nullptr;
    if (error == ERROR_FILE_NOT_FOUND)
        theLog.LogError("OpenKey:: Key not found");
    else
        theLog.LogError("OpenKey:: Error: %d", static_cast<int>(error));
    return false;
}

bool KestReg::CreateKey(const char* group)
{
    CloseKey();
    BuildPath(group);
    const LONG error =
        RegCreateKeyExA(root_, path_, 0, nullptr, REG_OPTION_NON_VOLATILE, 0, nullptr, &currentKey_, nullptr);
    if (error == ERROR_SUCCESS)
        return true;
    currentKey_ = nullptr;
    return false;
}

void KestReg::OpenOrCreateKey(const char* group, REGSAM access)
{
    for (int attempt = 1;; ++attempt) {
        if (OpenKey(group, access))
            return;
        if (attempt == kOpenAttempts)
            break;
        // Created with no access of its own: the next open asks for what the caller needs.
        CreateKey(group);
    }
    theLog.LogError("OpenOrCreateKey:: Can't open or create '%s'", path_);
}

LONG KestReg::ReadValue(const char* name, uint8_t* bytes, DWORD size)
{
    DWORD type = REG_BINARY;
    DWORD read = size;
    LONG error = RegQueryValueExA(currentKey_, name, nullptr, &type, bytes, &read);
    // A shorter value would leave part of the buffer unset.
    if (error == ERROR_SUCCESS && read != size)
        error = ERROR_INVALID_DATA;
    return error;
}

void KestReg::ReadVersion(float& value)
{
    uint8_t bytes[sizeof(float)];
    const LONG error = ReadValue("Version", bytes, sizeof bytes);
    if (error != ERROR_SUCCESS) {
        theLog.LogError(kReadFailed, "Version", static_cast<int>(error));
        return;
    }
    memcpy(&value, bytes, sizeof value);
}

void KestReg::ReadFlag(const char* name, uint8_t& flag)
{
    uint8_t byte = 0;
    const LONG error = ReadValue(name, &byte, 1);
    if (error != ERROR_SUCCESS) {
        theLog.LogError(kReadFailed, name, static_cast<int>(error));
        return;
    }
    flag = byte != 0;
}

void KestReg::WriteValue(const char* name, const void* bytes, DWORD size)
{
    const LONG error = RegSetValueExA(currentKey_, name, 0, REG_BINARY, static_cast<const BYTE*>(bytes), size);
    if (error != ERROR_SUCCESS)
        theLog.LogError(kWriteFailed, name, static_cast<int>(error));
}

void KestReg::WriteVersion()
{
    // Stored as the float's own four bytes, little-endian: 1.02 is 5C 8F 82 3F.
    uint8_t bytes[sizeof kProgramVersionNumber];
    memcpy(bytes, &kProgramVersionNumber, sizeof bytes);
    WriteValue("Version", bytes, sizeof bytes);
}

void KestReg::ReadOptions()
{
    OpenOrCreateKey("ExportOptions", KEY_QUERY_VALUE);
    ReadFlag("LocalDump", ExportOptions.LocalDump);
    ReadFlag("Inc_StringTable", ExportOptions.Inc_StringTable);
    ReadFlag("create_dump", ExportOptions.create_dump);
    CloseKey();
    OpenOrCreateKey("Misc", KEY_QUERY_VALUE);
    ReadFlag("WindowOnTop", ExportOptions.WindowOnTop);
    CloseKey();
}

void KestReg::SaveSettings()
{
    OpenOrCreateKey("ExportOptions", KEY_WRITE);
    WriteValue("LocalDump", &ExportOptions.LocalDump, 1);
    WriteValue("Inc_StringTable", &ExportOptions.Inc_StringTable, 1);
    WriteValue("create_dump", &ExportOptions.create_dump, 1);
    CloseKey();
    OpenOrCreateKey("Misc", KEY_WRITE);
    WriteValue("WindowOnTop", &ExportOptions.WindowOnTop, 1);
    CloseKey();
}

void KestReg::LoadSettings()
{
    // Only a key that is really missing makes a first run: one we may not open with every
    // right still holds the user's options, which a first run would overwrite with zeros.
    HKEY probe = nullptr;
    const LONG probeError = RegOpenKeyExA(root_, basePath_, 0, KEY_ALL_ACCESS, &probe);
    if (probeError == ERROR_SUCCESS)
        RegCloseKey(probe);
    const bool existed = probeError != ERROR_FILE_NOT_FOUND;

    OpenOrCreateKey("Info", kInfoAccess);
    if (!existed) {
        WriteVersion();
        SaveSettings();
        CloseKey();
        return;
    }

    float stored = kUnreadableVersion;
    ReadVersion(stored);
    if (stored < kProgramVersionNumber) {
        WriteVersion();
        if (stored < kDumpOptionSinceVersion) {
            const uint8_t off = 0;
            OpenOrCreateKey("ExportOptions", KEY_WRITE);
            WriteValue("create_dump", &off, 1);
            CloseKey();
        }
    }
    ReadOptions();
    theLog.Log("Settings Loaded");
    CloseKey();
}
