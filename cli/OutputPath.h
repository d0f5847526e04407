// The check of an output file's name before anything is tuned: a capture or a scan that
// could not create its file at the end would have tuned (and a scan worked) for nothing.
#pragma once

#include <string>

// True when a file of this UTF-8 name can be created as far as the name goes: its folder
// exists, and the whole path fits MAX_PATH (qltscap does not declare itself long-path
// aware). A device name such as NUL passes. False with the reason in plain words, then the
// failing call and its code.
bool CheckOutputPath(const std::string& strPath, std::string* pWhy);
