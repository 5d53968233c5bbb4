// The achievement dialogs: the announcement of one achievement just earned, and the list of all
// achievements with their progress.
#pragma once

#include "engine/EngineGui.h"
#include "game/gui/GameGuiDialogs.h"

namespace tv {

class TAchievement;
class TGuiControlEffect;

// The most achievements the list has room for.
inline constexpr int32_t MaxListedAchievements = 38;
// The glow's share of the dialog's opacity.
inline constexpr float GlowAlphaShare = 0.8f;

class TGuiDialogAchievement : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;

  TAchievement* Achievement = nullptr;
  TGuiSheet Sheet;
  TGuiControlEffect* Glow = nullptr;

  void OnShow() override;
  void OnHide() override;
  void OnRender() override;
  void OnClick() override;
};

class TGuiDialogAchievements : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;

  TAchievement* Highlight = nullptr;
  bool UnlockAll = false;
  TGuiSheet Sheet;
  TGuiControlEffect* Glow = nullptr;
  int32_t Listed = 0;  // the achievements shown
  int32_t EarnedCount = 0;

  void OnShow() override;
  void OnHide() override;
  void OnRender() override;
  void OnClick() override;
};

// The segment of an achievement's medal in "G2AchievementIcons": its place in scenario order.
int32_t AchievementIconSegment(const TAchievement* Achievement);

}  // namespace tv
