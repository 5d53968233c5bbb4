#include "game/gui/GameGuiFormSplash.h"

#include <memory>

#include "base/AppFolders.h"
#include "base/AppTimer.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "game/GamePlayers.h"
#include "game/GameScreenNames.h"

namespace tv {

void TGuiFormSplash::AfterCreate() {
  Pictures.Clear();
  std::string name;
  TExtKind ext = TExtKind::None;
  while (FindNextDataFile(TFolderKind::Branding, name, ext)) {
    if (ext != TExtKind::Tpx && ext != TExtKind::Png && ext != TExtKind::Jpg) continue;
    if (Pictures.Find(name) == nullptr) Pictures.Insert(std::make_unique<TNamedItem>(name), true);
  }
  EndFindDataFiles();
}

void TGuiFormSplash::BeforeDestroy() { Pictures.Clear(); }

std::string TGuiFormSplash::CurrentPicture() const {
  if (PictureIndex < 0 || PictureIndex >= Pictures.GetCount()) return {};
  return static_cast<const TNamedItem*>(Pictures.GetItem(PictureIndex + 1))->Name;
}

void TGuiFormSplash::OnShow() {
  CreateSprite(PictureSprite, Canvas, Layer);
  if (PictureSprite != nullptr) {
    PictureSprite->Position = {0, 0};
    PictureSprite->SetTextureName(0, CurrentPicture());
  }
  ShowTime = SplashShowSeconds;
}

void TGuiFormSplash::OnRender() {
  if (PictureSprite == nullptr || Canvas == nullptr) return;
  const TVector canvas = Canvas->Size;
  TTexture* texture = PictureSprite->GetTexture(0);
  const float aspect = texture != nullptr ? SegmentAspect(texture, PictureSprite->GetSegment(0)) : 0;
  if (!(aspect > 0) || !(canvas.Y > 0)) {
    PictureSprite->Size = canvas;
  } else if (aspect > canvas.X / canvas.Y) {
    PictureSprite->Size = {canvas.X, canvas.X / aspect};  // relatively wider: full width
  } else {
    PictureSprite->Size = {canvas.Y * aspect, canvas.Y};
  }
}

void TGuiFormSplash::OnActivate() {
  if (LoadStarted) return;
  LoadStarted = true;
  if (PrepareGame) PrepareGame();
}

void TGuiFormSplash::OnUpdate() {
  if (!Active) return;
  ShowTime -= ElapsedSeconds();
  const bool skipped = GuiKeyPressed(GuiKeyClick) || GuiKeyPressed(GuiKeyCancel) || GuiKeyPressed(GuiKeyConfirm);
  if (ShowTime > 0 && !skipped) return;
  ++PictureIndex;
  if (PictureIndex < Pictures.GetCount()) {
    SwitchForm(gui::FormSplash, gui::TransitionSplash, nullptr);
    return;
  }
  TPlayer* player = CurrentPlayer();
  if (player != nullptr && !player->Name.empty()) {
    SwitchForm(gui::FormMenu, gui::TransitionSplash, nullptr);
  } else {
    SwitchForm("", gui::TransitionSplash, [player] { AskForName(player); });
  }
}

void TGuiFormSplash::OnHide() {
  TTexture* texture = PictureSprite != nullptr ? PictureSprite->GetTexture(0) : nullptr;
  if (PictureSprite != nullptr) PictureSprite->SetTexture(0, nullptr);
  FreeSprite(PictureSprite);
  if (texture != nullptr) ReleaseTexture(texture);
}

}  // namespace tv
