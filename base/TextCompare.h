// Comparing names the way users type them: ASCII letters in any case. Plain C++.
#pragma once

#include <string>
#include <vector>

bool EqualsIgnoringCase(const std::string& a, const std::string& b);

// The number of single-letter insertions, deletions and replacements (ASCII letters in any
// case alike) that turn a into b: how close a mistyped word is to a known one.
size_t EditDistanceIgnoringCase(const std::string& a, const std::string& b);

// Up to nMax of the candidates closest to the typed word, closest first, among those within
// a distance of a third of the word's length (at least 2), or that hold it (ignoring case).
std::vector<std::string> ClosestWords(const std::string& typed, const std::vector<std::string>& candidates, size_t nMax);
