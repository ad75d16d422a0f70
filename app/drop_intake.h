// The drop intake's checks: which dropped paths become jobs, and the box text for the
// ones that do not. Files reach the main window by drag-and-drop or on the program's
// command line ("Open with", a drop on the program's icon); both go through here.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

struct DroppedPath {
    std::string path;
    std::string name;       // after the last backslash, extension included
    std::string folder;     // before the last backslash
    std::string rejection;  // the "Invalid File" box text; empty when the file is taken

    bool Accepted() const { return rejection.empty(); }
};

// Checks one path, in order: a backslash and an existing folder ("Error Can't Find: "),
// an existing file ("File dose not Exsist: "), then the extension, exactly "ff"
// ("Not a FastFile: '<name>'").
DroppedPath CheckDroppedPath(const std::string& path);

// Every path of a drop, in the shell's order, each whole however long it is.
std::vector<std::string> DroppedPaths(HDROP drop);

// What the program was started with: files to extract ("Open with", a drop on its icon)
// and, each after a "--browse", files to look inside. All are made full paths: relative
// ones are taken from the current folder, and forward slashes become backslashes.
struct StartupFiles {
    std::vector<std::string> extract;
    std::vector<std::string> browse;
};
StartupFiles StartupFilesFrom(int argc, char** argv);
