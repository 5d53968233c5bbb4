#include "game/gui/GameGuiDialogAchievements.h"

#include <algorithm>
#include <string>

#include "base/AppProcess.h"
#include "engine/EngineAudio.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/GameAchievement.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiControls.h"
#include "game/GameScreenNames.h"

namespace tv {

namespace {

constexpr int32_t ListColumns = 3;
constexpr float ListWidth = 930;
constexpr float ListTop = -200;
constexpr float ListBottom = 195;
constexpr TVector3 LockedColor{0.35f, 0.35f, 0.35f};
// The medal at offset 11 and its glow behind it, above the sheet's background (offset 0).
constexpr int32_t IconLayer = 11;
constexpr int32_t GlowLayer = IconLayer + PictureSpriteLayer - EffectSpriteLayer - 1;

std::string TitleKey(const TAchievement* A) { return A->Caption != nullptr ? A->Caption->Name : A->LegendKey(); }

void Acknowledge(TAchievement* A) {
  if (A != nullptr && !HasEarned(CurrentPlayer(), A->Number)) AddEarned(CurrentPlayer(), A->Number);
}

}  // namespace

int32_t AchievementIconSegment(const TAchievement* Achievement) {
  if (Achievement == nullptr || Achievements() == nullptr) return 0;
  return std::max(0, Achievements()->IndexOf(Achievement) - 1);
}

void TGuiGlowSheetDialog::OnHide() { Glow = nullptr; }

void TGuiGlowSheetDialog::OnRender() {
  TGuiSheetDialog::OnRender();
  if (Glow != nullptr) Glow->SetAlpha(GlowAlphaShare * FadeAlpha);
}

// ---- The announcement -----------------------------------------------------------------------

void TGuiDialogAchievement::OnShow() {
  Achievement = static_cast<TAchievement*>(Data);
  BuildSheet(580, 280, "G2Border580x280");
  PlaceBox(*this, 0, -95, 520, 50);
  AddControl<TGuiControlLabel>(10, PropName, "LabelAchievementEarned", PropTextKey, "LabelAchievementEarned", PropFont,
                               FontStyles::Title);
  PlaceBox(*this, -190, 0, 150, 150);
  Glow = AddControl<TGuiControlEffect>(GlowLayer, PropName, "Glow", PropEmitter, "G2AchievementCompleted");
  PlaceBox(*this, -190, 0, 110, 110);
  AddControl<TGuiControlPicture>(IconLayer, PropName, "Icon", PropTexture, "G2AchievementIcons", PropSegment,
                                 AchievementIconSegment(Achievement));
  if (Achievement != nullptr) {
    PlaceBox(*this, 70, -35, 360, 44);
    AddControl<TGuiControlLabel>(10, PropName, "Title", PropTextKey, TitleKey(Achievement), PropFont,
                                 FontStyles::Label);
    PlaceBox(*this, 70, 25, 360, 76);
    AddControl<TGuiControlLabel>(10, PropName, "Legend", PropTextKey, Achievement->LegendKey(), PropFont,
                                 FontStyles::Small, PropTextLayout, WordWrap);
  }
  PlaceBox(*this, 30, 95, 200, DialogButtonHeight);
  auto* ok = AddControl<TGuiControlButtonCustom>(10, PropName, "OK", PropTextKey, "ButtonOK");
  KeyControls[KeySlotCancel] = ok;
  KeyControls[KeySlotConfirm] = ok;
  PlaceBox(*this, 200, 95, 60, 60);
  AddControl<TGuiControlButtonCustom>(10, PropName, "Achievements", PropFont, FontStyles::Title, PropTextKey,
                                      "IconAchievements", PropHintTextKey, "HintAchievements");
  PlaySound("G8AchievementEarned", false, SoundGroupEffects, nullptr);
}

void TGuiDialogAchievement::OnClick() {
  if (Sender == nullptr) return;
  if (Sender->Name == "OK") {
    Acknowledge(Achievement);
    HideDialog(this);
  } else if (Sender->Name == "Achievements") {
    Acknowledge(Achievement);
    ShowDialog(gui::DialogAchievements, Achievement);
    HideDialog(this);
  }
}

// ---- The list -------------------------------------------------------------------------------

void TGuiDialogAchievements::OnShow() {
  Highlight = static_cast<TAchievement*>(Data);
  Glow = nullptr;
  BuildSheet(1015, 570, "G2Border1015x570");

  const int32_t total = Achievements() != nullptr ? Achievements()->GetCount() : 0;
  Listed = std::min(total, MaxListedAchievements);
  const int32_t rows = std::max(1, (Listed + ListColumns - 1) / ListColumns);
  const float rowHeight = std::min(100.0f, (ListBottom - ListTop) / static_cast<float>(rows));
  const float columnWidth = ListWidth / ListColumns;
  const float icon = std::min(72.0f, rowHeight - 4);
  const bool twoLines = rowHeight >= 56;
  TPlayer* player = CurrentPlayer();

  EarnedCount = 0;
  int32_t index = 0;
  for (TItem* item : *Achievements()) {
    auto* a = static_cast<TAchievement*>(item);
    const bool earned = UnlockAll || a->IsReached() || HasEarned(player, a->Number);
    if (earned) ++EarnedCount;
    if (index >= Listed) continue;
    const int32_t column = index % ListColumns;
    const int32_t row = index / ListColumns;
    ++index;
    const float x = -ListWidth / 2 + columnWidth * static_cast<float>(column);
    const float y = ListTop + rowHeight * (static_cast<float>(row) + 0.5f);
    const float iconX = x + 6 + icon / 2;
    const std::string name = "Achievement" + std::to_string(a->Number);
    if (earned) {
      PlaceBox(*this, iconX, y, icon * 1.4f, icon * 1.4f);
      auto* glow =
          AddControl<TGuiControlEffect>(GlowLayer, PropEmitter, "G2AchievementCompleted", PropAlpha, GlowAlphaShare);
      if (a == Highlight || Glow == nullptr) Glow = glow;
    }
    const bool known = !a->Hidden || a->IsVisible() || earned;
    PlaceBox(*this, iconX, y, icon, icon);
    auto* picture = AddControl<TGuiControlPicture>(IconLayer, PropName, name, PropTexture, "G2AchievementIcons",
                                                   PropSegment, AchievementIconSegment(a), PropHintTextKey,
                                                   known ? a->LegendKey() : std::string());
    picture->SetProperty(PropEnabled, true);
    if (!earned) {
      picture->Color = LockedColor;
      picture->Alpha = 0.7f;
    }
    const float textLeft = x + icon + 14;
    const float textWidth = columnWidth - icon - 20;
    std::string title = known ? GetText(TitleKey(a)) : std::string("???");
    std::string progress;
    if (a->Target > 1) {
      progress = GetText("LabelProgress") + ": " + FormatInteger(std::min(a->Total(), a->Target)) + "/" +
                 FormatInteger(a->Target);
    }
    if (!twoLines && !progress.empty()) {
      title += " (" + progress + ")";
      progress.clear();
    }
    const float titleY = progress.empty() ? y : y - 14;
    PlaceBox(*this, textLeft + textWidth / 2, titleY, textWidth, 30);
    AddControl<TGuiControlLabel>(10, PropText, title, PropFont, FontStyles::Small, PropTextLayout, 0, PropColor,
                                 earned ? 0xFFFFFF : 0xB0A890);
    if (!progress.empty()) {
      PlaceBox(*this, textLeft + textWidth / 2, y + 16, textWidth, 30);
      AddControl<TGuiControlLabel>(10, PropText, progress, PropFont, FontStyles::Small, PropColor, 0xD0C080);
    }
  }

  PlaceBox(*this, 0, -245, 900, 44);
  auto* count = AddControl<TGuiControlLabelSuffix>(10, PropName, "LabelEarnedAchievements", PropTextKey,
                                                   "LabelEarnedAchievements", PropFont, FontStyles::Label);
  count->SetSuffix(": " + FormatInteger(EarnedCount) + " " + GetText("LabelOf") + " " + FormatInteger(total));
  PlaceBox(*this, 0, 240, 200, DialogButtonHeight);
  auto* close = AddControl<TGuiControlButtonCustom>(10, PropName, "Close", PropTextKey, "ButtonClose");
  KeyControls[KeySlotCancel] = close;
  KeyControls[KeySlotConfirm] = close;
  if (IsDebugMode()) {
    PlaceBox(*this, 380, 240, 140, 40);
    AddControl<TGuiControlButton>(10, PropName, "Unlock", PropText, "UNLOCK", PropHintText, "Unlock all achievements",
                                  PropHintName, gui::HintStyleDefault);
  }
}

void TGuiDialogAchievements::OnClick() {
  if (Sender == nullptr) return;
  if (Sender->Name == "Close") {
    HideDialog(this);
  } else if (Sender->Name == "Unlock" && IsDebugMode()) {
    UnlockAll = true;
    Reshow(this);
  }
}

}  // namespace tv
