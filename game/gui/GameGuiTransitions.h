// The game's transitions: the screen fades to a colour, the forms switch, and the new form is
// revealed; a caption may show on the covered screen.
#pragma once

#include <string>

#include "engine/EngineGui.h"

namespace tv {

class TSprite;
class TText;

class TGuiTransitionCover : public TGuiTransition {
 public:
  // UncoverTime and CoverTime in seconds; CaptionKey is a text key shown while covered ("" none).
  TGuiTransitionCover(std::string Name, float UncoverTime, float CoverTime, TVector3 Color, std::string CaptionKey);
  ~TGuiTransitionCover() override;

  float UncoverTime = 0;
  float CoverTime = 0;
  TVector3 Color;
  std::string CaptionKey;
  float Timer = 0;

  void Begin() override;
  void Finish() override;
  bool CoverStep1() override;
  bool CoverStep2() override;
  bool CoverStep3() override;
  bool UncoverStep1() override;
  bool UncoverStep2() override;
  bool UncoverStep3() override;

  // The cover's opacity now (0 when nothing is drawn).
  float CoverAlpha() const;
  TSprite* CoverSprite() const { return Cover; }
  TText* CaptionText() const { return Caption; }

 private:
  void SetCoverAlpha(float Alpha);
  bool KeepSized();
  TSprite* Cover = nullptr;
  TText* Caption = nullptr;
};

}  // namespace tv
