// The settings store against the real registry: the first run, registries left by older
// and newer programs, values that cannot be read, groups that cannot be opened, and the
// access each operation asks for. Every case starts without the program's key, and the
// user's own keys are put back after each test.
#include "KestReg.h"

#include "import_patch.h"
#include "output_test_support.h"
#include "saved_registry_key.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

const std::string kMakerKey = "Software\\Kest_Ryn";
const std::string kKey = kMakerKey + "\\Vandrel";
const std::string kLoaded = "Settings Loaded";
const std::string kNotFound = "OpenKey:: Key not found";
const std::string kDenied = "OpenKey:: Error: 5";

std::string Path(const std::string& group)
{
    return group.empty() ? kKey : kKey + "\\" + group;
}

void Put(const std::string& group, const char* name, const Bytes& bytes, DWORD type = REG_BINARY)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Path(group).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(key);
}

// The value's bytes in hex, after "t4:" when it is not REG_BINARY; "-" when it is
// missing and "no key" when its key is.
std::string Stored(const std::string& group, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(group).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "no key";
    uint8_t bytes[16];
    DWORD type = 0, size = sizeof bytes;
    const LONG error = RegQueryValueExA(key, name, nullptr, &type, bytes, &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS)
        return "-";
    std::string text = type == REG_BINARY ? "" : "t" + std::to_string(type) + ":";
    for (DWORD i = 0; i < size; ++i) {
        char hex[3];
        snprintf(hex, sizeof hex, "%02x", bytes[i]);
        text += hex;
    }
    return text;
}

// "Version" and the four options in record order: LocalDump, Inc_StringTable,
// WindowOnTop, create_dump.
std::string Registry()
{
    return Stored("Info", "Version") + " " + Stored("ExportOptions", "LocalDump") + " " +
           Stored("ExportOptions", "Inc_StringTable") + " " + Stored("Misc", "WindowOnTop") + " " +
           Stored("ExportOptions", "create_dump");
}

std::string Options()
{
    char text[32];
    snprintf(text, sizeof text, "%d %d %d %d", ExportOptions.LocalDump, ExportOptions.Inc_StringTable,
             ExportOptions.WindowOnTop, ExportOptions.create_dump);
    return text;
}

// Lets everyone have only `allowed` on the group's key (nothing at all when 0), or
// everything. The key's owner may always change this.
void SetAccess(const std::string& group, DWORD allowed, bool everything = false)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(group).c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return;
    alignas(DWORD) BYTE aclBytes[128];
    PACL acl = reinterpret_cast<PACL>(aclBytes);
    InitializeAcl(acl, sizeof aclBytes, ACL_REVISION);
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize);
    if (allowed)
        AddAccessAllowedAce(acl, ACL_REVISION, allowed, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, everything ? nullptr : acl, FALSE);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS);
    RegCloseKey(key);
}

void AllowEverything()
{
    for (const char* group : {"", "Info", "ExportOptions", "Misc"})
        SetAccess(group, 0, true);
}

void DeleteProgramKey()
{
    AllowEverything();
    RegDeleteTreeA(HKEY_CURRENT_USER, kMakerKey.c_str());
    ASSERT_EQ(Stored("", "Version"), "no key");
}

// The options of every key the store creates, recorded at its call into the system:
// wine keeps no key beyond its session, so a volatile one would pass unseen.
std::vector<DWORD> g_createOptions;
decltype(&RegCreateKeyExA) g_systemCreateKey = nullptr;
LONG WINAPI RecordCreateKey(HKEY root, LPCSTR path, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition)
{
    g_createOptions.push_back(options);
    return g_systemCreateKey(root, path, reserved, keyClass, options, access, security, key, disposition);
}

// Runs one operation of a fresh store and returns the lines it logged. A store that
// never returns cannot be stopped, so the whole program ends.
Lines Run(void (KestReg::*operation)())
{
    testsupport::LogCapture capture;
    uitest::ImportPatch createKey("advapi32.dll", "RegCreateKeyExA", reinterpret_cast<void*>(&RecordCreateKey));
    g_systemCreateKey = reinterpret_cast<decltype(g_systemCreateKey)>(createKey.Original());
    KestReg reg;
    std::future<void> done = std::async(std::launch::async, [&] { (reg.*operation)(); });
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        fprintf(stderr, "the settings store still runs after 10 s\n");
        fflush(stderr);
        _exit(1);
    }
    return capture.Lines();
}

const auto Load = &KestReg::LoadSettings;
const auto Save = &KestReg::SaveSettings;

struct Case {
    const char* what;
    float version;      // the registry as a program of this version leaves it, every option
                        // on; 0 leaves no key at all
    void (*change)();   // then changes it, when set
    void (KestReg::*operation)();
    Lines lines;
    const char* options;   // ExportOptions afterwards
    const char* registry;  // Registry() afterwards
    ExportOptionsRecord before = {};
};

void Check(const Case& c)
{
    SCOPED_TRACE(c.what);
    DeleteProgramKey();
    if (c.version != 0) {
        uint8_t version[sizeof c.version];
        memcpy(version, &c.version, sizeof version);
        Put("Info", "Version", Bytes(version, version + sizeof version));
        for (const char* name : {"LocalDump", "Inc_StringTable", "create_dump"})
            Put("ExportOptions", name, {1});
        Put("Misc", "WindowOnTop", {1});
    }
    if (c.change)
        c.change();
    ExportOptions = c.before;
    EXPECT_EQ(Run(c.operation), c.lines);
    EXPECT_EQ(g_createOptions, std::vector<DWORD>(g_createOptions.size(), REG_OPTION_NON_VOLATILE))
        << "keys are created to last";
    AllowEverything();
    EXPECT_EQ(Options(), c.options);
    EXPECT_EQ(Registry(), c.registry);
}

class SettingsStore : public testing::Test {
protected:
    void SetUp() override
    {
        g_createOptions.clear();
    }
    void TearDown() override
    {
        DeleteProgramKey();
        ExportOptions = {};
    }

    regtest::SavedRegistryKey userSettings{HKEY_CURRENT_USER, kMakerKey};
};

TEST_F(SettingsStore, LoadingCreatesOrUpdatesTheKeyAndOnlyRegistriesBefore1_0LoseCreateDump)
{
    const Case cases[] = {
        {"first run", 0, nullptr, Load, {kNotFound, kNotFound, kNotFound}, "0 0 0 0", "5c8f823f 00 00 00 00"},
        {"0.9", 0.9f, nullptr, Load, {kLoaded}, "1 1 1 0", "5c8f823f 01 01 01 00"},
        {"0.999", 0.999f, nullptr, Load, {kLoaded}, "1 1 1 0", "5c8f823f 01 01 01 00"},
        {"1.0", 1.0f, nullptr, Load, {kLoaded}, "1 1 1 1", "5c8f823f 01 01 01 01"},
        {"1.02", 1.02f, nullptr, Load, {kLoaded}, "1 1 1 1", "5c8f823f 01 01 01 01"},
        {"2.0, newer: left as it is", 2.0f, nullptr, Load, {kLoaded}, "1 1 1 1", "00000040 01 01 01 01"},
        {"Misc deleted", 1.02f, [] { RegDeleteKeyA(HKEY_CURRENT_USER, Path("Misc").c_str()); }, Load,
         {kNotFound, "KestReg::(B) Failed To Read Reg Key: WindowOnTop (0x2)", kLoaded}, "1 1 0 1",
         "5c8f823f 01 01 - 01"},
    };
    for (const Case& c : cases)
        Check(c);
    EXPECT_GE(g_createOptions.size(), 3u) << "the first run creates the three groups";
}

TEST_F(SettingsStore, AValueOfTheWrongSizeIsLoggedAndChangesNothingAndAnyByteButZeroIsOn)
{
    const Case cases[] = {
        {"WindowOnTop as a 4-byte number", 1.02f, [] { Put("Misc", "WindowOnTop", {1, 0, 0, 0}, REG_DWORD); }, Load,
         {"KestReg::(B) Failed To Read Reg Key: WindowOnTop (0x234)", kLoaded}, "1 1 0 1",
         "5c8f823f 01 01 t4:01000000 01"},
        {"LocalDump empty", 1.02f, [] { Put("ExportOptions", "LocalDump", {}); }, Load,
         {"KestReg::(B) Failed To Read Reg Key: LocalDump (0x13)", kLoaded}, "0 1 1 1", "5c8f823f  01 01 01"},
        {"LocalDump holding 5", 1.02f, [] { Put("ExportOptions", "LocalDump", {5}); }, Load, {kLoaded}, "1 1 1 1",
         "5c8f823f 05 01 01 01"},
        // An unreadable version keeps every stored option and is written again.
        {"Version missing", 0.9f, [] { RegDeleteKeyValueA(HKEY_CURRENT_USER, Path("Info").c_str(), "Version"); },
         Load, {"KestReg::(B) Failed To Read Reg Key: Version (0x2)", kLoaded}, "1 1 1 1", "5c8f823f 01 01 01 01"},
        {"Version of 8 bytes", 0.9f, [] { Put("Info", "Version", Bytes(8, 0)); }, Load,
         {"KestReg::(B) Failed To Read Reg Key: Version (0x234)", kLoaded}, "1 1 1 1", "5c8f823f 01 01 01 01"},
        {"Version of 2 bytes", 0.9f, [] { Put("Info", "Version", {0, 0}); }, Load,
         {"KestReg::(B) Failed To Read Reg Key: Version (0x13)", kLoaded}, "1 1 1 1", "5c8f823f 01 01 01 01"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST_F(SettingsStore, SaveWritesEachOptionFromMemoryToItsOwnValueAndRecreatesADeletedGroup)
{
    const Case cases[] = {
        {"LocalDump", 1.02f, nullptr, Save, {}, "1 0 0 0", "5c8f823f 01 00 00 00", {1, 0, 0, 0}},
        {"Inc_StringTable", 1.02f, nullptr, Save, {}, "0 1 0 0", "5c8f823f 00 01 00 00", {0, 1, 0, 0}},
        {"WindowOnTop", 1.02f, nullptr, Save, {}, "0 0 1 0", "5c8f823f 00 00 01 00", {0, 0, 1, 0}},
        {"create_dump", 1.02f, nullptr, Save, {}, "0 0 0 1", "5c8f823f 00 00 00 01", {0, 0, 0, 1}},
        {"Misc deleted", 1.02f, [] { RegDeleteKeyA(HKEY_CURRENT_USER, Path("Misc").c_str()); }, Save, {kNotFound},
         "1 1 0 1", "5c8f823f 01 01 00 01", {1, 1, 0, 1}},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST_F(SettingsStore, AGroupThatCanBeNeitherOpenedNorCreatedIsGivenUpAndItsValuesFail)
{
    const Case cases[] = {
        {"Misc denied", 1.02f, [] { SetAccess("Misc", 0); }, Load,
         {kDenied, kDenied, "OpenOrCreateKey:: Can't open or create 'Software\\Kest_Ryn\\Vandrel\\Misc'",
          "KestReg::(B) Failed To Read Reg Key: WindowOnTop (0x6)", kLoaded},
         "1 1 0 1", "5c8f823f 01 01 01 01"},
        {"ExportOptions denied", 1.02f, [] { SetAccess("ExportOptions", 0); }, Save,
         {kDenied, kDenied, "OpenOrCreateKey:: Can't open or create 'Software\\Kest_Ryn\\Vandrel\\ExportOptions'",
          "KestReg::(B) Failed To Write Reg Key: LocalDump (0x6)",
          "KestReg::(B) Failed To Write Reg Key: Inc_StringTable (0x6)",
          "KestReg::(B) Failed To Write Reg Key: create_dump (0x6)"},
         "0 0 0 0", "5c8f823f 01 01 00 01"},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST_F(SettingsStore, EachOperationAsksOnlyForTheAccessItNeeds)
{
    const char* loaded = "5c8f823f 01 01 01 01";
    const char* saved = "0000803f 00 01 00 01";
    const Case cases[] = {
        // Without every right the program's key still exists: its options are read, not reset.
        {"program key", 1.0f, [] { SetAccess("", KEY_READ | KEY_WRITE); }, Load, {kLoaded}, "1 1 1 1", loaded},
        {"Info", 1.0f, [] { SetAccess("Info", KEY_WRITE | KEY_QUERY_VALUE); }, Load, {kLoaded}, "1 1 1 1", loaded},
        {"ExportOptions", 1.0f, [] { SetAccess("ExportOptions", KEY_QUERY_VALUE); }, Load, {kLoaded}, "1 1 1 1",
         loaded},
        {"Misc", 1.0f, [] { SetAccess("Misc", KEY_QUERY_VALUE); }, Load, {kLoaded}, "1 1 1 1", loaded},
        {"ExportOptions", 1.0f, [] { SetAccess("ExportOptions", KEY_WRITE); }, Save, {}, "0 1 0 1", saved,
         {0, 1, 0, 1}},
        {"Misc", 1.0f, [] { SetAccess("Misc", KEY_WRITE); }, Save, {}, "0 1 0 1", saved, {0, 1, 0, 1}},
    };
    for (const Case& c : cases)
        Check(c);
}

// What the tests run under: a value stored before is there, unchanged, after a test
// that deleted and rewrote the key and denied access to a group; a key absent before
// is absent after.
TEST_F(SettingsStore, TheSavedKeyComesBackAsItWasWhateverTheTestLeft)
{
    DeleteProgramKey();
    Put("Misc", "WindowOnTop", {1});
    Put("Info\\Nested", "", {'o', 'n', 0}, REG_SZ);
    const auto stored = [] {
        return Stored("Misc", "WindowOnTop") + " " + Stored("Info\\Nested", "") + " " + Stored("Misc", "Added");
    };
    ASSERT_EQ(stored(), "01 t1:6f6e00 -");
    {
        regtest::SavedRegistryKey saved(HKEY_CURRENT_USER, kMakerKey);
        DeleteProgramKey();
        Put("Misc", "WindowOnTop", {0});
        Put("Misc", "Added", {2});
        SetAccess("Misc", 0);
    }
    EXPECT_EQ(stored(), "01 t1:6f6e00 -");

    DeleteProgramKey();
    {
        regtest::SavedRegistryKey saved(HKEY_CURRENT_USER, kMakerKey);
        Put("Misc", "Added", {2});
    }
    EXPECT_EQ(Stored("", "Version"), "no key");
}

}  // namespace
