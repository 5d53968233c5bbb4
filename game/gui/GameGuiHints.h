// The game's two hint styles: a dark framed box with the hint's text, placed beside the control.
#pragma once

#include "engine/EngineGui.h"

namespace tv {

class TSquare;
class TText;

// The debug style: small margins, the default font, no fades (set at registration).
class TGuiHintDefault : public TGuiHint {
 public:
  TGuiHintDefault(std::string Name, float Delay, float FadeInTime, float FadeOutTime);
  ~TGuiHintDefault() override;
  void Show(bool Visible) override;

 protected:
  // The look of a style: its font and the box's margin, gap and wrapping width.
  struct TLook {
    int32_t Font;
    float Margin;
    float Gap;
    float MaxTextWidth;
  };
  TGuiHintDefault(std::string Name, float Delay, float FadeInTime, float FadeOutTime, const TLook& Look);
  void Release();
  int32_t Font = 0;
  TSquare* Box = nullptr;
  TText* Caption = nullptr;
  // What the box was placed for, so that a hint re-used for another control is placed anew.
  std::string PlacedText;
  TVector PlacedAnchor;
};

// The game's style: roomier margins and the custom font.
class TGuiHintCustom : public TGuiHintDefault {
 public:
  TGuiHintCustom(std::string Name, float Delay, float FadeInTime, float FadeOutTime);
};

// The box's alpha relative to the hint's fade.
inline constexpr float HintBoxAlpha = 0.66f;

}  // namespace tv
