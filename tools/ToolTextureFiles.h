// Reading texture files without a graphics device: the tools need only the segments' pixel sizes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/AppNumeric.h"

namespace tv::tool {

// Each folder as given, or for a program folder (one that holds "Ordinary") its common data
// folder and then its language folder.
std::vector<std::string> ExpandDataFolders(const std::vector<std::string>& Folders, const std::string& Language);
// The code page of "T2FontCustom.txt" (its "CodePageIdentifier"), from the first folder that has
// one; 1252 when none does or the number is not one.
int32_t ReadFontCodePage(const std::vector<std::string>& Folders);
// The pixel sizes of a texture's segments: from the first folder holding NAME.tpx or NAME.png,
// the picture's size as segment 0 and every segment its segments file does not set. A missing
// picture gives one 1 x 1 segment; problems are appended to Warnings.
std::vector<TVector> ReadSegmentSizes(const std::vector<std::string>& Folders, const std::string& Name,
                                      std::vector<std::string>& Warnings);

}  // namespace tv::tool
