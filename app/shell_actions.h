// What the main window asks of the shell beyond drag-and-drop: showing a folder in the
// file manager, putting a text on the clipboard, and the system's open dialog for
// choosing FastFiles.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Opens folder in the file manager. A folder that does not exist (a job that wrote
// nothing) opens its nearest existing parent instead. False when nothing could be opened.
bool OpenFolderInFileManager(HWND owner, const std::string& folder);

// Replaces the clipboard's contents with text.
bool CopyTextToClipboard(HWND owner, const std::string& text);

// The open dialog, owned by owner, for choosing one or more files (only one unless
// several): "FastFiles (*.ff)" first, then "All files (*.*)", starting in folder when it
// is not empty. Returns the chosen full paths in the dialog's order (none when it was
// cancelled) and sets folder to the one they were chosen in.
std::vector<std::string> ChooseFastFiles(HWND owner, std::string& folder, bool several = true);
