// The helper library as start-up meets it: loaded from util below the current folder,
// its one export found by the plain name, each call forwarded to the system, its version
// resource, and nothing imported but the system's own libraries.
#include "Kest_MFC_Util.h"

#include <gtest/gtest.h>

#include "import_patch.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

class HelperLibrary : public testing::Test {
protected:
    void SetUp() override
    {
        library_ = LoadLibraryA(kKestMfcUtilPath);
        ASSERT_NE(library_, nullptr) << "error " << GetLastError();
    }
    void TearDown() override
    {
        if (library_)
            FreeLibrary(library_);
    }

    // A data directory of the loaded image, where every RVA is an offset from its base.
    template <class T>
    const T* Directory(int entry) const
    {
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(library_);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(At(dos->e_lfanew));
        return reinterpret_cast<const T*>(At(nt->OptionalHeader.DataDirectory[entry].VirtualAddress));
    }
    const char* At(DWORD rva) const { return reinterpret_cast<const char*>(library_) + rva; }

    HMODULE library_ = nullptr;
};

TEST_F(HelperLibrary, ExportsOnlyTheFilterCallUnderItsPlainName)
{
    const auto* exports = Directory<IMAGE_EXPORT_DIRECTORY>(IMAGE_DIRECTORY_ENTRY_EXPORT);
    const auto* names = reinterpret_cast<const DWORD*>(At(exports->AddressOfNames));
    std::vector<std::string> exported;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        exported.push_back(At(names[i]));
    EXPECT_EQ(exported, std::vector<std::string>{kKestChangeWindowMessageFilterName});
    EXPECT_NE(FindKestChangeWindowMessageFilter(library_), nullptr);
}

// The library's own call into user32, recorded: wine's ChangeWindowMessageFilter takes
// any message and flag and answers TRUE, so comparing with it would show nothing.
std::vector<std::pair<UINT, DWORD>> g_systemCalls;
BOOL g_systemAnswer = FALSE;
BOOL WINAPI RecordFilterCall(UINT message, DWORD flag)
{
    g_systemCalls.emplace_back(message, flag);
    return g_systemAnswer;
}

TEST_F(HelperLibrary, ForwardsEachCallUnchangedAndReturnsTheSystemsAnswer)
{
    uitest::ImportPatch system("user32.dll", "ChangeWindowMessageFilter", reinterpret_cast<void*>(&RecordFilterCall),
                               library_);
    ASSERT_TRUE(system.Active());
    KestChangeWindowMessageFilterProc filter = FindKestChangeWindowMessageFilter(library_);
    ASSERT_NE(filter, nullptr);
    const struct {
        UINT message;
        DWORD flag;
        BOOL answer;
    } calls[] = {{WM_DROPFILES, 1, TRUE}, {WM_COPYDATA, 1, FALSE}, {0x49, 1, 7}, {WM_DROPFILES, 2, TRUE},
                 {WM_DROPFILES, 7, FALSE}};
    std::vector<std::pair<UINT, DWORD>> expected;
    g_systemCalls.clear();
    for (const auto& call : calls) {
        g_systemAnswer = call.answer;
        EXPECT_EQ(filter(call.message, call.flag), call.answer) << call.message << "," << call.flag;
        expected.emplace_back(call.message, call.flag);
    }
    EXPECT_EQ(g_systemCalls, expected);
}

TEST_F(HelperLibrary, ImportsTheSystemCallDirectlyAndNoLibraryButTheSystemsOwn)
{
    bool importsFilterCall = false;
    for (const auto* d = Directory<IMAGE_IMPORT_DESCRIPTOR>(IMAGE_DIRECTORY_ENTRY_IMPORT); d->Name; ++d) {
        const char* name = At(d->Name);
        bool system = false;
        for (const char* own : {"kernel32.dll", "user32.dll", "msvcrt.dll", "ntdll.dll"})
            system = system || lstrcmpiA(name, own) == 0;
        EXPECT_TRUE(system) << name << " is not the system's";
        if (lstrcmpiA(name, "user32.dll") != 0)
            continue;
        for (const auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(At(d->OriginalFirstThunk));
             thunk->u1.AddressOfData; ++thunk)
            if (!IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal) &&
                std::string(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(At(thunk->u1.AddressOfData))->Name) ==
                    "ChangeWindowMessageFilter")
                importsFilterCall = true;
    }
    EXPECT_TRUE(importsFilterCall);
}

TEST_F(HelperLibrary, CarriesVersion1_0_0_1AndItsFileName)
{
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(library_, path, sizeof path), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    char query[64];
    snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\OriginalFilename", translation[0], translation[1]);
    char* fileName = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), query, reinterpret_cast<void**>(&fileName), &length));
    EXPECT_STREQ(fileName, "Kest_MFC_Util.dll");
}

}  // namespace
