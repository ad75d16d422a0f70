// SavedRegistryKey: keeps a registry key as a test found it. The key's whole subtree
// (its subkeys, their values and the values' types) is read when the object is made;
// when it goes, the key as it then stands is deleted, whatever access rights a test
// left on it, and the saved one is written back (or none, if there was none). A test
// that deletes or rewrites a real user's keys holds one for as long as it runs, so the
// user's settings survive its failures too.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace regtest {

class SavedRegistryKey {
public:
    SavedRegistryKey(HKEY root, const std::string& path);
    ~SavedRegistryKey();
    SavedRegistryKey(const SavedRegistryKey&) = delete;
    SavedRegistryKey& operator=(const SavedRegistryKey&) = delete;

    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    struct Key {
        std::string name;  // below its parent
        std::vector<Value> values;
        std::vector<Key> subkeys;
    };

private:
    HKEY root_;
    std::string path_;
    bool existed_ = false;
    Key saved_;
};

}  // namespace regtest
