// Where the play form puts its corner icons, in design-screen coordinates (1600 x 900, the origin
// at the centre, y down), and whether a site's marker would lie under one of them. The screens
// place the icons with these numbers; the scenario lint warns about a site that sits under an icon,
// where the player could not click it.
#pragma once

#include <cmath>

namespace tv {

constexpr float PlayHalfWidth = 800;
constexpr float PlayHalfHeight = 450;
constexpr float PlayIconSize = 60;    // the corner icons' squares
constexpr float PlayIconMargin = 30;  // an icon's centre from the edges while it is hidden...
constexpr float PlayIconSlide = 30;   // ...and this much further in once it is shown
constexpr float SiteMarkerSize = 60;  // a site marker's square

// True when a site marker centred at (X, Y) overlaps a corner icon, shown or hidden.
inline bool SiteUnderCornerIcon(float X, float Y) {
  const float reach = (PlayIconSize + SiteMarkerSize) / 2;
  for (const float inset : {PlayIconMargin, PlayIconMargin + PlayIconSlide}) {
    const float cx = PlayHalfWidth - inset;
    const float cy = PlayHalfHeight - inset;
    if (std::fabs(std::fabs(X) - cx) < reach && std::fabs(std::fabs(Y) - cy) < reach) return true;
  }
  return false;
}

}  // namespace tv
