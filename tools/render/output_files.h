// The renderer's output files and directories: checked before the show runs,
// so a path that cannot be written is reported at once and nothing is
// created or changed by the check; failures name the file and the reason.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "file_error.h"

// Throws fileError when a file cannot be created or replaced at path. The file
// is left as it was: created and removed again when it did not exist.
void checkCreatable(const std::string& path);

// Makes the directory and its missing parents; returns those it made, the
// deepest first. Throws fileError when one cannot be made or the directory
// cannot be written into.
std::vector<std::string> makeDirectories(const std::string& dir);

// Removes the directories makeDirectories made, as far as they are still empty.
void removeEmptyDirectories(const std::vector<std::string>& made);
