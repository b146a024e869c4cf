// Finding a program the way a shell does, and the paths around it.
#pragma once

#include <string>

namespace referee {

// The program to run for the first word of a command: relative to the current directory
// when the word holds a '/', else the first executable file of that name on PATH (an empty
// PATH entry is the current directory). Empty when there is no such executable file.
std::string findProgram(const std::string& word);

// The path with symbolic links and "." and ".." resolved; the path as given when that fails.
std::string absolutePath(const std::string& path);

// The folder part of a path: "." without a '/', "/" for a file at the root.
std::string folderOf(const std::string& path);

// True for an existing folder.
bool isFolder(const std::string& path);

}  // namespace referee
