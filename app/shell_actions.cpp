#include "shell_actions.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstring>

namespace {

// A multi-selection of many long names still fits.
constexpr size_t kChosenNamesRoom = 64 * 1024;

constexpr char kFastFileFilter[] = "FastFiles (*.ff)\0*.ff\0All files (*.*)\0*.*\0";

bool FolderExists(const std::string& folder) {
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "D:\zone\patch\" and "D:\zone\patch" name the same folder; "D:" alone would name the
// drive's current folder, so a drive keeps its backslash.
std::string WithoutTrailingSeparator(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';
    return folder;
}

std::string ParentOf(const std::string& folder) {
    const size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos || cut == 0 ? std::string() : WithoutTrailingSeparator(folder.substr(0, cut));
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\') return folder + name;
    return folder + '\\' + name;
}

}  // namespace

bool OpenFolderInFileManager(HWND owner, const std::string& folder) {
    std::string shown = WithoutTrailingSeparator(folder);
    while (!shown.empty() && !FolderExists(shown)) {
        const std::string parent = ParentOf(shown);
        if (parent == shown) break;
        shown = parent;
    }
    if (shown.empty()) return false;
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(owner, "open", shown.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

bool CopyTextToClipboard(HWND owner, const std::string& text) {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return false;
    if (void* bytes = ::GlobalLock(memory)) {
        memcpy(bytes, text.c_str(), text.size() + 1);
        ::GlobalUnlock(memory);
    }
    if (!::OpenClipboard(owner)) {
        ::GlobalFree(memory);
        return false;
    }
    ::EmptyClipboard();
    const bool placed = ::SetClipboardData(CF_TEXT, memory) != nullptr;
    ::CloseClipboard();
    // Once placed, the memory belongs to the clipboard.
    if (!placed) ::GlobalFree(memory);
    return placed;
}

std::vector<std::string> ChooseFastFiles(HWND owner, std::string& folder, bool several) {
    std::vector<char> names(kChosenNamesRoom, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFastFileFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = names.data();
    dialog.nMaxFile = static_cast<DWORD>(names.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    // The chosen paths meet the same checks as dropped ones, so the dialog does not
    // refuse missing files itself; nor may it move the program's current folder, where
    // the log is written.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | (several ? OFN_ALLOWMULTISELECT : 0);
    if (!::GetOpenFileNameA(&dialog)) return {};

    // One file: its full path. Several: the folder, then each name, each ending in a
    // zero byte, with one more zero byte at the end.
    std::vector<std::string> paths;
    const char* first = names.data();
    const size_t firstLength = strlen(first);
    if (dialog.nFileOffset > firstLength) {
        for (const char* name = first + firstLength + 1; *name; name += strlen(name) + 1)
            paths.push_back(JoinPath(first, name));
        folder = first;
    } else {
        paths.push_back(first);
        folder = ParentOf(first);
    }
    return paths;
}
