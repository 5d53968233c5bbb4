// The achievement dialogs: the announcement of one achievement just earned, and the list of all
// achievements with their progress.
#pragma once

#include "engine/EngineGui.h"
#include "game/gui/GameGuiDialogBase.h"

namespace tv {

class TAchievement;
class TGuiControlEffect;

// The most achievements the list has room for.
inline constexpr int32_t MaxListedAchievements = 38;
// The glow's share of the dialog's opacity.
inline constexpr float GlowAlphaShare = 0.8f;

// The sheet look with a medal's glow that fades with the dialog.
class TGuiGlowSheetDialog : public TGuiSheetDialog<> {
 public:
  using TGuiSheetDialog::TGuiSheetDialog;
  TGuiControlEffect* Glow = nullptr;

  void OnHide() override;
  void OnRender() override;
};

class TGuiDialogAchievement : public TGuiGlowSheetDialog {
 public:
  using TGuiGlowSheetDialog::TGuiGlowSheetDialog;

  TAchievement* Achievement = nullptr;

  void OnShow() override;
  void OnClick() override;
};

class TGuiDialogAchievements : public TGuiGlowSheetDialog {
 public:
  using TGuiGlowSheetDialog::TGuiGlowSheetDialog;

  TAchievement* Highlight = nullptr;
  bool UnlockAll = false;
  int32_t Listed = 0;  // the achievements shown
  int32_t EarnedCount = 0;

  void OnShow() override;
  void OnClick() override;
};

// The segment of an achievement's medal in "G2AchievementIcons": its place in scenario order.
int32_t AchievementIconSegment(const TAchievement* Achievement);

}  // namespace tv
