#include "game/gui/GameGuiControlProp.h"

#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "game/GamePool.h"
#include "game/GameProp.h"

namespace tv {

namespace {

constexpr const char* PlateTexture = "G2Props";
constexpr int32_t HoverSegment = 4;
constexpr int32_t AmountFont = FontStyles::Label;
constexpr TVector AmountBox{70, 78};
constexpr float BadgeSize = 32;
constexpr TVector BadgeShift{25, -40};
constexpr int32_t BadgeUnmet = 10;
constexpr int32_t BadgeMet = 11;

TColor4 Color4(TVector3 C, float A) { return {C.X, C.Y, C.Z, A}; }

}  // namespace

// ---- TGuiControlProp ------------------------------------------------------------------------

TGuiControlProp::~TGuiControlProp() { ReleaseBase(); }

void TGuiControlProp::ReleaseBase() {
  FreeSprite(IconSprite);
  FreeSprite(FrameSprite);
  FreeText(AmountText);
}

void TGuiControlProp::AfterCreate() {
  Enabled = true;
  Size = {88, 88};
  Color = ColorOf(PropPlateColor);
}

void TGuiControlProp::BeforeDestroy() { ReleaseBase(); }

void TGuiControlProp::SetSlot(const TSceneSlot* NewSlot, bool NewInBarter) {
  InBarter = NewInBarter;
  if (NewSlot == Slot) return;
  Slot = NewSlot;
  if (Slot != nullptr && Slot->Prop != nullptr && Slot->Prop->Picture != nullptr && !Slot->Prop->Picture->Loaded) {
    Slot->Prop->Picture->Load();
  }
  MarkDirty();
}

bool TGuiControlProp::ShowsAmount() const {
  const TProp* prop = ShownProp();
  if (prop == nullptr || !prop->IsCounted()) return false;
  return InBarter || !prop->SingleUnit || Slot->Amount > 1;
}

std::string TGuiControlProp::AmountCaption() const { return FormatInteger(Slot->Amount); }

void TGuiControlProp::Render(bool Visible) {
  const TProp* prop = ShownProp();
  if (!Visible || prop == nullptr) {
    ReleaseBase();
    return;
  }
  const TVector at = DrawCenter();
  CreateSprite(IconSprite, Canvas, Layer);
  if (IconSprite != nullptr) {
    IconSprite->Position = at;
    IconSprite->Size = {IconSize(), IconSize()};
    IconSprite->Mode = FindShadingMode("PropIcon");
    IconSprite->Param = Saturation();
    IconSprite->Color = Color4(Color, Alpha);
    IconSprite->SetTextureName(0, WithPlate() ? PlateTexture : "");
    IconSprite->SetSegment(0, 0);
    TTexture* picture = prop->Picture != nullptr ? prop->Picture->Texture : nullptr;
    IconSprite->SetTexture(1, picture);
    IconSprite->SetSegment(1, picture != nullptr ? prop->Frame : 0);
  }
  if (FrameSegment() >= 0) {
    CreateSprite(FrameSprite, Canvas, Layer + 3);
    if (FrameSprite != nullptr) {
      FrameSprite->Position = at;
      FrameSprite->Size = {PropFrameSize, PropFrameSize};
      FrameSprite->Color = Color4({1, 1, 1}, Alpha);
      FrameSprite->SetTextureName(0, PlateTexture);
      FrameSprite->SetSegment(0, FrameSegment());
    }
  } else {
    FreeSprite(FrameSprite);
  }
  if (ShowsAmount()) {
    CreateText(AmountText, Canvas, Layer + 6, AmountBox, AmountFont, AlignRight + AlignBottom);
    if (AmountText != nullptr) {
      AmountText->SetText(AmountCaption());
      AmountText->SetPosition({at.X + AmountShift().X, at.Y + AmountShift().Y});
      AmountText->SetAlpha(Alpha);
    }
  } else {
    FreeText(AmountText);
  }
}

// ---- TGuiControlPropInventory ---------------------------------------------------------------

void TGuiControlPropInventory::SetProp(TProp* Prop) {
  if (Prop == Own.Prop && Slot == &Own && (Prop == nullptr || Own.Amount == Prop->Amount)) return;
  Own.Prop = Prop;
  Own.Amount = Prop != nullptr ? Prop->Amount : 0;
  Slot = nullptr;  // stored again below, so that the picture is loaded and the control redrawn
  SetSlot(&Own, InBarter);
}

// ---- TGuiControlPropRequirement -------------------------------------------------------------

TGuiControlPropRequirement::~TGuiControlPropRequirement() { FreeSprite(BadgeSprite); }

void TGuiControlPropRequirement::BeforeDestroy() {
  TGuiControlProp::BeforeDestroy();
  FreeSprite(BadgeSprite);
}

bool TGuiControlPropRequirement::Met() const {
  const TProp* prop = ShownProp();
  return prop != nullptr && prop->Amount >= Slot->Amount;
}

void TGuiControlPropRequirement::Render(bool Visible) {
  TGuiControlProp::Render(Visible);
  if (!Visible || ShownProp() == nullptr) {
    FreeSprite(BadgeSprite);
    return;
  }
  CreateSprite(BadgeSprite, Canvas, Layer + 4);
  if (BadgeSprite == nullptr) return;
  const bool met = Met();
  BadgeSprite->Position = {Offset.X + BadgeShift.X, Offset.Y + BadgeShift.Y};
  BadgeSprite->Size = {BadgeSize, BadgeSize};
  BadgeSprite->Color = met ? Color4({0, 1, 0}, Alpha) : Color4({1, 0, 0}, Alpha);
  BadgeSprite->SetTextureName(0, "T2IconsCustom");
  BadgeSprite->SetSegment(0, met ? BadgeMet : BadgeUnmet);
}

// ---- Losses and rewards ---------------------------------------------------------------------

std::string TGuiControlPropLoss::AmountCaption() const { return "-" + FormatInteger(Slot->Amount); }

std::string TGuiControlPropReward::AmountCaption() const { return "+" + FormatInteger(Slot->Amount); }

TGuiControlPropReward::~TGuiControlPropReward() { FreePerformer(RewardEffect); }

void TGuiControlPropReward::BeforeDestroy() {
  TGuiControlProp::BeforeDestroy();
  FreePerformer(RewardEffect);
}

void TGuiControlPropReward::SetSparkling(bool On) {
  if (On == Sparkling) return;
  Sparkling = On;
  MarkDirty();
}

void TGuiControlPropReward::Render(bool Visible) {
  TGuiControlProp::Render(Visible);
  if (!Visible || ShownProp() == nullptr || !Sparkling) {
    FreePerformer(RewardEffect);
    return;
  }
  if (RewardEffect == nullptr) {
    CreatePerformer(RewardEffect, Canvas, Layer - 2, "G2PropReward");
    if (RewardEffect == nullptr) return;
    RewardEffect->SetActive(true);
  }
  RewardEffect->Position = DrawCenter();
  RewardEffect->Area = Size;
  RewardEffect->Alpha = Alpha;
}

void TGuiControlPropRewardClick::OnMouseEnter() { PlaySound("G8ButtonFocus", false, SoundGroupEffects, nullptr); }

void TGuiControlPropRewardClick::OnClick() { PlaySound("G8ButtonClick", false, SoundGroupEffects, nullptr); }

TVector TGuiControlPropRewardClick::DrawShift() const { return Pressed ? TVector{2, 2} : TVector{0, 0}; }

void TGuiControlPropRewardClick::Render(bool Visible) {
  TGuiControlPropReward::Render(Visible);
  if (FrameSprite == nullptr) return;
  if (Hovered) {
    FrameSprite->Mode = FindShadingMode("Blend1");
    FrameSprite->SetTextureName(1, PlateTexture);
    FrameSprite->SetSegment(1, HoverSegment);
  } else {
    FrameSprite->Mode = FindShadingMode("Default");
    FrameSprite->SetTexture(1, nullptr);
  }
}

}  // namespace tv
