// Whether two paths name one file: compared as files (the volume and the file's id on it),
// so that another spelling, a relative path, a short name, a hard link or a second share name
// of the same folder is seen through.
#pragma once

#include <string>

// False when either path names no file that can be opened for its attributes (missing, say).
// Nothing is locked or changed: each file is opened without access to its content, shared
// with every reader, writer and deleter, for as long as its identity takes to read.
bool IsSameFile(const std::wstring& first, const std::wstring& second);
