#pragma once
// The files of one folder whose names fit, for the clean-ups of files the program keeps
// there. Only the names are looked at: the caller opens each and decides.

#include <functional>
#include <string>
#include <vector>

// Paths (directory + name) of the entries of directory whose name fits, in name order;
// none when the folder cannot be read. directory ends in '/' or is empty for ".".
std::vector<std::string> FolderEntries(const std::string& directory,
                                       const std::function<bool(const std::string&)>& fits);
