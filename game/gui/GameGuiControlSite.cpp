#include "game/gui/GameGuiControlSite.h"

#include <cmath>

#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "game/GameAvatar.h"
#include "game/GamePlayLayout.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameSite.h"

namespace tv {

namespace {

struct TSiteShared {
  float Emphasis = 0;
  float BobPhase = 0;
  uint32_t BobFrame = 0;
  bool BobRan = false;
};
TSiteShared Shared;

constexpr TColor4 IconTint{1, 1, 0.92f, 1};
constexpr int32_t BadgeUnmet = 10;
constexpr int32_t BadgeMet = 11;
constexpr int32_t WayBackIcon = 2;

void AdvanceBob() {
  const uint32_t frame = GetFrameNumber();
  if (Shared.BobRan && Shared.BobFrame == frame) return;
  Shared.BobRan = true;
  Shared.BobFrame = frame;
  const float phase = Shared.BobPhase + ElapsedSeconds() / SiteBobPeriod;
  Shared.BobPhase = phase - std::floor(phase);
  if (!(Shared.BobPhase >= 0 && Shared.BobPhase < 1)) Shared.BobPhase = 0;
}

}  // namespace

float SiteEmphasis() { return Shared.Emphasis; }
void SetSiteEmphasis(float Value) { Shared.Emphasis = Value; }
float SiteBobPhase() { return Shared.BobPhase; }

TScene* SiteCurrentScene(const TSite* Site) {
  if (Site == nullptr || !Site->Scenes) return nullptr;
  for (TItem* item : *Site->Scenes) {
    auto* scene = static_cast<TScene*>(item);
    if (scene->Count <= Site->Count) return scene;
  }
  return nullptr;
}

TGuiControlSite::~TGuiControlSite() { ReleaseAll(); }

void TGuiControlSite::AfterCreate() {
  Visible = false;
  SetSize(Vector(SiteMarkerSize, SiteMarkerSize));
  ParamA = "G2SiteIcons";
}

void TGuiControlSite::BeforeDestroy() { ReleaseAll(); }

void TGuiControlSite::ReleaseAll() {
  FreePerformer(BaseEffect);
  FreePerformer(MainEffect);
  FreeSprite(IconSprite);
  FreeSprite(BadgeSprite);
  FreeSprite(FocusSprite);
}

bool TGuiControlSite::HitTest(TVector Local) {
  if (!TGuiControl::HitTest(Local)) return false;
  const float dx = Local.X - Offset.X;
  const float dy = Local.Y - Offset.Y;
  const float radius = Size.X / 2;
  return dx * dx + dy * dy < radius * radius;
}

void TGuiControlSite::OnMouseEnter() {
  if (!Silent) PlaySound("G8ButtonFocus", false, SoundGroupEffects, nullptr);
}

void TGuiControlSite::SetSite(TSite* Site) {
  if (Site == SiteRef) return;
  SiteRef = Site;
  MarkDirty();
}

void TGuiControlSite::Update() {
  AdvanceBob();
  const bool siteChanged = ShownSite != SiteRef;
  ShownSite = SiteRef;
  TSite* site = ShownSite;
  const TAvatar* avatar = Avatar();
  const bool wasVisible = Visible;
  if (site == nullptr) {
    Visible = false;
  } else if (avatar != nullptr && avatar->Site == site) {
    if (avatar->State == StateRevealing) {
      Visible = !site->EnterOnReveal;
      if (Visible) SetAlpha(SiteEmphasis() * avatar->Timer);
    } else if (avatar->State >= StateEntering && avatar->State <= StateSecondHalf) {
      Visible = false;
    }
  } else {
    Visible = site->Revealed && !site->Closed && (site->KeepAfterVisit || site->Count == 0);
    if (Visible) SetAlpha(SiteEmphasis());
  }
  Silent = site != nullptr && site->HiddenUntilEntered && !site->Entered;
  if (Visible && (!wasVisible || siteChanged)) {
    SetOffset(Vector(site->X, site->Y));
    const TRegion* before = PreviousRegion();
    ParamD = site->Special == SpecialWayBack && site->Destination != nullptr && site->Destination == before
                 ? WayBackIcon
                 : site->Icon;
    Main = site->MarkUntilVisited && site->Count == 0;
    TScene* current = SiteCurrentScene(site);
    PendingScene = current != nullptr && current->HasRequirements() ? current : nullptr;
  }
  if (PendingScene != nullptr) PendingMet = PendingScene->RequirementsMet();
  const bool idle = avatar == nullptr || avatar->State == StateIdle;
  if (GetPointer() == Pointers::Sites) {
    Enabled = idle;
    if (Visible && !Silent && Form != nullptr && (PendingScene == nullptr || PendingMet)) {
      Form->SetRecommended(this, site->Y < -360 ? 3 : 0);
    }
  } else {
    const TGuiControl* held = Form != nullptr ? Form->RecommendedControl : nullptr;
    Enabled = idle && (held == nullptr || held == this);
  }
  MarkDirty();
}

void TGuiControlSite::Render(bool Shown) {
  if (!Shown || Silent) {
    ReleaseAll();
    return;
  }
  const TVector base = Pressed ? Vector(Offset.X + 2, Offset.Y + 2) : Offset;
  if (BaseEffect == nullptr) {
    CreatePerformer(BaseEffect, Canvas, Layer + 3, "G2Site");
    if (BaseEffect != nullptr) BaseEffect->SetActive(true);
  }
  if (BaseEffect != nullptr) {
    BaseEffect->Position = base;
    BaseEffect->Area = Size;
    BaseEffect->Alpha = Alpha;
  }
  if (Main) {
    if (MainEffect == nullptr) {
      CreatePerformer(MainEffect, Canvas, Layer, "G2SiteMain");
      if (MainEffect != nullptr) MainEffect->SetActive(true);
    }
    if (MainEffect != nullptr) {
      MainEffect->Position = base;
      MainEffect->Area = Size;
      MainEffect->Alpha = Alpha;
    }
  } else {
    FreePerformer(MainEffect);
  }
  const TVector icon = Vector(base.X, base.Y - 2 * EvalCurve("0-1-0", SiteBobPhase()));
  CreateSprite(IconSprite, Canvas, Layer + 6);
  if (TSprite* s = IconSprite) {
    s->Position = icon;
    s->Size = Vector(50, 50);
    s->Color = IconTint;
    s->Color.A = Alpha;
    s->SetTextureName(0, ParamA);
    s->SetSegment(0, ParamD);
  }
  if (PendingScene != nullptr) {
    CreateSprite(BadgeSprite, Canvas, Layer + 7);
    if (TSprite* s = BadgeSprite) {
      s->Position = Vector(icon.X + 6.5f, icon.Y - 17);
      s->Size = Vector(26, 26);
      s->Color = PendingMet ? TColor4{0, 1, 0, Alpha} : TColor4{1, 0, 0, Alpha};
      s->SetTextureName(0, "T2IconsCustom");
      s->SetSegment(0, PendingMet ? BadgeMet : BadgeUnmet);
    }
  } else {
    FreeSprite(BadgeSprite);
  }
  if (Hovered) {
    CreateSprite(FocusSprite, Canvas, Layer + 9);
    if (TSprite* s = FocusSprite) {
      s->Position = base;
      s->Size = Size;
      s->Color.A = Alpha;
      s->SetTextureName(0, "G2SiteFocusor");
    }
  } else {
    FreeSprite(FocusSprite);
  }
}

}  // namespace tv
