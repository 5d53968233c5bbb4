// Golden pictures: a picture the program wrote compared with tests/golden/<Name>.png.
#pragma once

#include <cstdint>
#include <string>

namespace tv::test {

// Compares the PNG at Shot with tests/golden/<Name>.png: at most 0.3 % of the pixels may differ by
// more than 24 in a channel. A picture that differs is kept in build/golden-actual/<Name>.png. With
// Shrink 2 both sides are compared (and the golden stored) at half the size, each pixel the mean of
// a 2 x 2 block with its channels rounded to steps of 16, opaque: a screen-sized golden then takes
// about a tenth of the room. So that a missing control or a moved text still shows, no 16 x 16
// square of the small picture may have more than a quarter of its pixels differ.
// TV_UPDATE_GOLDENS=1 writes the golden instead (the full-size shot beside the actual ones, to look
// at) and reports the test skipped.
void CheckGolden(const std::string& Name, const std::string& Shot, int32_t Shrink = 1);

}  // namespace tv::test
