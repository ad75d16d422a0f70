#include "import_patch.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

namespace uitest {
namespace {

void WriteSlot(void** slot, void* value) {
    DWORD old = 0;
    ::VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old);
    *slot = value;
    ::VirtualProtect(slot, sizeof(void*), old, &old);
}

// The import address table entry of dll!function in importer, or null.
void** FindImportSlot(HMODULE importer, const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(importer ? importer : ::GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return nullptr;
    HMODULE library = ::GetModuleHandleA(dll);
    void* address = library ? reinterpret_cast<void*>(::GetProcAddress(library, function)) : nullptr;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        // The name table, when the linker kept one, says which slot is which; without
        // it the bound address does.
        auto* names = d->OriginalFirstThunk ? reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk)
                                            : nullptr;
        for (size_t i = 0; slots[i].u1.Function; ++i) {
            bool match;
            if (names) {
                if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
                auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
                match = std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0;
            } else {
                match = address && reinterpret_cast<void*>(slots[i].u1.Function) == address;
            }
            if (match) return reinterpret_cast<void**>(&slots[i].u1.Function);
        }
    }
    return nullptr;
}

}  // namespace

ImportPatch::ImportPatch(const char* dll, const char* function, void* replacement, HMODULE importer) {
    slot_ = FindImportSlot(importer, dll, function);
    if (!slot_) return;
    original_ = *slot_;
    WriteSlot(slot_, replacement);
}

ImportPatch::~ImportPatch() {
    if (slot_) WriteSlot(slot_, original_);
}

// ---- GDI objects ------------------------------------------------------------------

namespace {

struct GdiLedgerState {
    std::set<HGDIOBJ> live;
    int created = 0;
    std::vector<std::unique_ptr<ImportPatch>> patches;
};
GdiLedgerState* g_gdi = nullptr;

template <class Handle>
Handle Keep(Handle h) {
    if (g_gdi && h) {
        g_gdi->live.insert(reinterpret_cast<HGDIOBJ>(h));
        ++g_gdi->created;
    }
    return h;
}

// Each creator: a pointer to the system's function and a replacement that records
// what it returns.
#define VANDREL_LEDGER_CREATOR(name, result, params, args)                     \
    decltype(&::name) g_original_##name = nullptr;                             \
    result WINAPI Ledger_##name params { return Keep(g_original_##name args); }

VANDREL_LEDGER_CREATOR(CreatePen, HPEN, (int style, int width, COLORREF colour), (style, width, colour))
VANDREL_LEDGER_CREATOR(CreatePenIndirect, HPEN, (const LOGPEN* pen), (pen))
VANDREL_LEDGER_CREATOR(ExtCreatePen, HPEN,
                       (DWORD style, DWORD width, const LOGBRUSH* brush, DWORD count, const DWORD* dashes),
                       (style, width, brush, count, dashes))
VANDREL_LEDGER_CREATOR(CreateSolidBrush, HBRUSH, (COLORREF colour), (colour))
VANDREL_LEDGER_CREATOR(CreateBrushIndirect, HBRUSH, (const LOGBRUSH* brush), (brush))
VANDREL_LEDGER_CREATOR(CreateHatchBrush, HBRUSH, (int hatch, COLORREF colour), (hatch, colour))
VANDREL_LEDGER_CREATOR(CreatePatternBrush, HBRUSH, (HBITMAP bitmap), (bitmap))
VANDREL_LEDGER_CREATOR(CreateFontA, HFONT,
                       (int h, int w, int esc, int orient, int weight, DWORD italic, DWORD underline,
                        DWORD strike, DWORD charset, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                        DWORD pitch, LPCSTR face),
                       (h, w, esc, orient, weight, italic, underline, strike, charset, outPrecision,
                        clipPrecision, quality, pitch, face))
VANDREL_LEDGER_CREATOR(CreateFontIndirectA, HFONT, (const LOGFONTA* font), (font))
VANDREL_LEDGER_CREATOR(CreateBitmap, HBITMAP, (int w, int h, UINT planes, UINT bits, const void* data),
                       (w, h, planes, bits, data))
VANDREL_LEDGER_CREATOR(CreateCompatibleBitmap, HBITMAP, (HDC dc, int w, int h), (dc, w, h))
VANDREL_LEDGER_CREATOR(CreateDIBSection, HBITMAP,
                       (HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset),
                       (dc, info, usage, bits, section, offset))
VANDREL_LEDGER_CREATOR(CreateDIBitmap, HBITMAP,
                       (HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* data,
                        const BITMAPINFO* info, UINT usage),
                       (dc, header, init, data, info, usage))
VANDREL_LEDGER_CREATOR(LoadBitmapA, HBITMAP, (HINSTANCE instance, LPCSTR name), (instance, name))

#undef VANDREL_LEDGER_CREATOR

decltype(&::LoadImageA) g_original_LoadImageA = nullptr;
HANDLE WINAPI Ledger_LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    HANDLE image = g_original_LoadImageA(instance, name, type, cx, cy, flags);
    // Icons and cursors are not GDI objects (and shared ones are never freed).
    return type == IMAGE_BITMAP ? Keep(image) : image;
}

decltype(&::DeleteObject) g_original_DeleteObject = nullptr;
BOOL WINAPI Ledger_DeleteObject(HGDIOBJ object) {
    if (g_gdi) g_gdi->live.erase(object);
    return g_original_DeleteObject(object);
}

template <class Fn>
void Patch(const char* dll, const char* name, Fn replacement, Fn* original) {
    auto patch = std::make_unique<ImportPatch>(dll, name, reinterpret_cast<void*>(replacement));
    *original = reinterpret_cast<Fn>(patch->Original());
    if (patch->Active()) g_gdi->patches.push_back(std::move(patch));
}

#define VANDREL_PATCH(dll, name) Patch(dll, #name, &Ledger_##name, &g_original_##name)

}  // namespace

GdiLedger::GdiLedger() {
    g_gdi = new GdiLedgerState;
    VANDREL_PATCH("gdi32.dll", CreatePen);
    VANDREL_PATCH("gdi32.dll", CreatePenIndirect);
    VANDREL_PATCH("gdi32.dll", ExtCreatePen);
    VANDREL_PATCH("gdi32.dll", CreateSolidBrush);
    VANDREL_PATCH("gdi32.dll", CreateBrushIndirect);
    VANDREL_PATCH("gdi32.dll", CreateHatchBrush);
    VANDREL_PATCH("gdi32.dll", CreatePatternBrush);
    VANDREL_PATCH("gdi32.dll", CreateFontA);
    VANDREL_PATCH("gdi32.dll", CreateFontIndirectA);
    VANDREL_PATCH("gdi32.dll", CreateBitmap);
    VANDREL_PATCH("gdi32.dll", CreateCompatibleBitmap);
    VANDREL_PATCH("gdi32.dll", CreateDIBSection);
    VANDREL_PATCH("gdi32.dll", CreateDIBitmap);
    VANDREL_PATCH("gdi32.dll", DeleteObject);
    VANDREL_PATCH("user32.dll", LoadBitmapA);
    VANDREL_PATCH("user32.dll", LoadImageA);
}

#undef VANDREL_PATCH

GdiLedger::~GdiLedger() {
    delete g_gdi;  // the patches put the system's functions back
    g_gdi = nullptr;
}

std::vector<HGDIOBJ> GdiLedger::Live() const { return std::vector<HGDIOBJ>(g_gdi->live.begin(), g_gdi->live.end()); }

int GdiLedger::Created() const { return g_gdi->created; }

std::string GdiLedger::Describe(const std::vector<HGDIOBJ>& objects) {
    std::string text;
    for (HGDIOBJ object : objects) {
        const char* kind;
        switch (::GetObjectType(object)) {
        case OBJ_PEN:
        case OBJ_EXTPEN: kind = "pen"; break;
        case OBJ_BRUSH: kind = "brush"; break;
        case OBJ_FONT: kind = "font"; break;
        case OBJ_BITMAP: kind = "bitmap"; break;
        case 0: kind = "deleted elsewhere"; break;
        default: kind = "object"; break;
        }
        char one[64];
        std::snprintf(one, sizeof one, "%s%s %p", text.empty() ? "" : ", ", kind, object);
        text += one;
    }
    return text;
}

// ---- window hooks -----------------------------------------------------------------

namespace {

struct HookLedgerState {
    std::set<HHOOK> live;
    int installed = 0;
    std::unique_ptr<ImportPatch> set, unhook;
};
HookLedgerState* g_hooks = nullptr;
decltype(&::SetWindowsHookExA) g_original_SetWindowsHookExA = nullptr;
decltype(&::UnhookWindowsHookEx) g_original_UnhookWindowsHookEx = nullptr;

HHOOK WINAPI Ledger_SetWindowsHookExA(int type, HOOKPROC proc, HINSTANCE instance, DWORD thread) {
    HHOOK hook = g_original_SetWindowsHookExA(type, proc, instance, thread);
    if (g_hooks && hook) {
        g_hooks->live.insert(hook);
        ++g_hooks->installed;
    }
    return hook;
}

BOOL WINAPI Ledger_UnhookWindowsHookEx(HHOOK hook) {
    BOOL removed = g_original_UnhookWindowsHookEx(hook);
    if (g_hooks && removed) g_hooks->live.erase(hook);
    return removed;
}

}  // namespace

HookLedger::HookLedger() {
    g_hooks = new HookLedgerState;
    g_hooks->set = std::make_unique<ImportPatch>("user32.dll", "SetWindowsHookExA",
                                                 reinterpret_cast<void*>(&Ledger_SetWindowsHookExA));
    g_original_SetWindowsHookExA = reinterpret_cast<decltype(g_original_SetWindowsHookExA)>(g_hooks->set->Original());
    g_hooks->unhook = std::make_unique<ImportPatch>("user32.dll", "UnhookWindowsHookEx",
                                                    reinterpret_cast<void*>(&Ledger_UnhookWindowsHookEx));
    g_original_UnhookWindowsHookEx =
        reinterpret_cast<decltype(g_original_UnhookWindowsHookEx)>(g_hooks->unhook->Original());
}

HookLedger::~HookLedger() {
    delete g_hooks;
    g_hooks = nullptr;
}

int HookLedger::Installed() const { return g_hooks->installed; }

int HookLedger::Live() const { return static_cast<int>(g_hooks->live.size()); }

}  // namespace uitest
