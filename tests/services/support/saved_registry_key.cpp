#include "saved_registry_key.h"

#include <stdexcept>

namespace regtest {
namespace {

using Key = SavedRegistryKey::Key;
using Value = SavedRegistryKey::Value;

bool ReadKey(HKEY key, Key& into) {
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, largestData = 0;
    if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                           &longestName, &largestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    for (DWORD i = 0; i < values; ++i) {
        std::string name(longestName + 1, '\0');
        Value value{"", 0, std::vector<BYTE>(largestData)};
        DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = largestData;
        if (::RegEnumValueA(key, i, &name[0], &nameSize, nullptr, &value.type, value.data.data(), &dataSize) !=
            ERROR_SUCCESS)
            return false;
        value.name = name.substr(0, nameSize);
        value.data.resize(dataSize);
        into.values.push_back(value);
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        std::string name(longestSubkey + 1, '\0');
        DWORD nameSize = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExA(key, i, &name[0], &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        Key subkey;
        subkey.name = name.substr(0, nameSize);
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(key, subkey.name.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
        const bool read = ReadKey(opened, subkey);
        ::RegCloseKey(opened);
        if (!read) return false;
        into.subkeys.push_back(subkey);
    }
    return true;
}

void WriteKey(HKEY parent, const Key& key) {
    HKEY created = nullptr;
    if (::RegCreateKeyExA(parent, key.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                          &created, nullptr) != ERROR_SUCCESS)
        return;
    for (const Value& value : key.values)
        ::RegSetValueExA(created, value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    for (const Key& subkey : key.subkeys) WriteKey(created, subkey);
    ::RegCloseKey(created);
}

// Gives everyone every right on the key and all below it, so that it can be deleted
// whatever a test denied. The key's owner may always change its rights.
void AllowEverything(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(parent, path.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR open;
        ::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
        ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &open);
        ::RegCloseKey(key);
    }
    if (::RegOpenKeyExA(parent, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) return;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (::RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        AllowEverything(key, name);
    }
    ::RegCloseKey(key);
}

}  // namespace

SavedRegistryKey::SavedRegistryKey(HKEY root, const std::string& path) : root_(root), path_(path) {
    saved_.name = path;
    HKEY key = nullptr;
    existed_ = ::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!existed_) return;
    const bool read = ReadKey(key, saved_);
    ::RegCloseKey(key);
    // A key that cannot be read whole cannot be put back whole: the test holding this
    // fails before it can change the key.
    if (!read) throw std::runtime_error("cannot save the registry key " + path_);
}

SavedRegistryKey::~SavedRegistryKey() {
    AllowEverything(root_, path_);
    ::RegDeleteTreeA(root_, path_.c_str());
    if (existed_) WriteKey(root_, saved_);
}

}  // namespace regtest
