// The checks a FastFile path passes before it becomes a job, the same that a file
// dropped on the main window passes, with the same texts.
#pragma once

#include <string>

// Returns the rejection text for path, or an empty string when it is accepted:
// "Error Can't Find: PATH" (no folder part, or the folder is missing),
// "File dose not Exsist: PATH", or "Not a FastFile: 'NAME'" (extension not exactly "ff").
std::string FastFileRejection(const std::string& path);
