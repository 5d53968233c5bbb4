#include "game/gui/GameGuiFormPlay.h"

#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineTexts.h"
#include "game/GameAvatar.h"
#include "game/GamePlayLayout.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameSite.h"
#include "game/gui/GameGuiControlMap.h"
#include "game/gui/GameGuiControlSite.h"
#include "game/gui/GameGuiControls.h"
#include "game/GameScreenNames.h"

namespace tv {

namespace {

constexpr float IconMargin = PlayIconMargin;
constexpr float IconSlide = PlayIconSlide;
constexpr float HalfWidth = PlayHalfWidth;
constexpr float HalfHeight = PlayHalfHeight;
constexpr float IconSlideRate = 2;  // a full slide in half a second
constexpr float IconEnableLevel = 0.05f;
constexpr float DimEmphasis = 0.4f;

}  // namespace

void TGuiFormPlay::OnShow() {
  TRegion* region = CurrentRegion();
  if (region != nullptr) region->Preload();
  IconsShown = 0;

  AddControl<TGuiControlPicture>(990, PropTexture, "G2Border1600x900");

  if (IsDebugMode()) {
    Place(PlaceWidth, 140, PlaceHeightKeepBottom, 30);
    AddControl<TGuiControlButton>(1010, PropName, "Undo", PropText, "UNDO", PropHintText, "Undo last game action",
                                  PropHintName, gui::HintStyleDefault);
    Place(PlaceRestore, 0);
  }

  MapOpen = region != nullptr && region == MapRegion();

  Place(PlaceWidth, 1560, PlaceHeight, 860);
  MapControl = AddControl<TGuiControlMap>(-100, PropName, "Map");
  MapControl->SetRegion(region);
  if (MapOpen) {
    MapControl->RevealAll();
  } else {
    MapControl->RevealVisited();
  }

  if (region != nullptr) {
    for (TItem* item : *region->Sites) {
      auto* site = static_cast<TSite*>(item);
      auto* control = AddControl<TGuiControlSite>(-40, PropName, site->Name, PropGroup, "SiteControl");
      control->SetSite(site);
      control->SetProperty(PropHintTextKey, site->Caption != nullptr ? site->Caption->Name : std::string());
    }
  }

  SetSiteEmphasis(0);

  const auto icon = [this](const char* Name, int32_t WidthOp, int32_t HeightOp, int32_t Font, const char* Key,
                           const char* Hint, TGuiKeySlot Slot) {
    Place(PlaceRestore, 0, WidthOp, PlayIconSize, HeightOp, PlayIconSize);
    auto* control =
        AddControl<TGuiControlButtonCustom>(0, PropName, Name, PropFont, Font, PropTextKey, Key, PropHintTextKey, Hint);
    KeyControls[Slot] = control;
    return control;
  };
  ExitIcon = icon("ExitIcon", PlaceWidthKeepRight, PlaceHeightKeepTop, FontStyles::Medium, "IconExit", "HintExit",
                  KeySlotCancel);
  HintIcon = icon("HintIcon", PlaceWidthKeepRight, PlaceHeightKeepBottom, FontStyles::Title, "IconHint", "HintHint",
                  KeySlotHint);
  InventoryIcon = icon("InventoryIcon", PlaceWidthKeepLeft, PlaceHeightKeepBottom, FontStyles::Title, "IconInventory",
                       "HintInventory", KeySlotInventory);
  MapIcon = icon("MapIcon", PlaceWidthKeepLeft, PlaceHeightKeepTop, FontStyles::Title, "IconMap",
                 MapOpen ? "HintMap2" : "HintMap1", KeySlotMap);
  Place(PlaceRestore, 0);
  PlaceIcons();

  AddControl<TGuiControlRecommendedArrow>(1000, PropName, "Arrow");

  if (MapOpen) PlayEffectsSound("G8MapOpen");
}

void TGuiFormPlay::OnHide() {
  MapControl = nullptr;
  ExitIcon = HintIcon = InventoryIcon = MapIcon = nullptr;
}

void TGuiFormPlay::PlaceIcons() {
  const float e = IconSlide * IconsShown;
  const bool enabled = IconsShown > IconEnableLevel;
  const float m = IconMargin;
  if (ExitIcon != nullptr) {
    ExitIcon->SetOffset(Sub(Vector(HalfWidth - m - e, -HalfHeight + m + e), ExitIcon->Origin));
    ExitIcon->Enabled = enabled;
  }
  const struct {
    TGuiControlButtonCustom* Icon;
    int32_t Button;
    float X;
    float Y;
  } corners[] = {
      {HintIcon, Buttons::Hint, 1, 1}, {InventoryIcon, Buttons::Inventory, -1, 1}, {MapIcon, Buttons::Map, -1, -1}};
  for (const auto& c : corners) {
    if (c.Icon == nullptr) continue;
    const bool unlocked = IsUnlocked(c.Button);
    const float slide = unlocked ? e : 0;
    const TVector centre = Vector(c.X * (HalfWidth - m - slide), c.Y * (HalfHeight - m - slide));
    c.Icon->SetOffset(Sub(centre, c.Icon->Origin));
    const bool usable = unlocked && enabled;
    if (c.Icon->Enabled != usable) {
      c.Icon->Enabled = usable;
      c.Icon->MarkDirty();
    }
  }
  if (ExitIcon != nullptr) ExitIcon->MarkDirty();
}

void TGuiFormPlay::OnUpdate() {
  TAvatar* avatar = Avatar();
  if (avatar != nullptr) avatar->Update(Active);
  if (!Shown) return;  // the step switched or rebuilt the screen

  const int32_t pointer = GetPointer();
  TGuiControl* const pointed[] = {HintIcon, InventoryIcon, MapIcon};
  if (PointsAtIcon(pointer)) {
    SetRecommended(pointed[pointer - Pointers::HintIcon], pointer - Pointers::HintIcon);
  } else {
    SetRecommended(nullptr, 0);
  }

  const float step = IconSlideRate * ElapsedSeconds();
  const bool busy = avatar != nullptr && avatar->State != StateIdle;
  if (!Active || busy) {
    IconsShown = MaxF(0, IconsShown - step);
  } else {
    IconsShown = MinF(1, IconsShown + step);
  }
  SetSiteEmphasis(RecommendedControl != nullptr ? DimEmphasis : DimEmphasis + (1 - DimEmphasis) * IconsShown);
  PlaceIcons();

  if (IsDebugMode()) {
    if (TGuiControl* undo = FindControl("Undo")) {
      const bool visible = IconsShown > IconEnableLevel;
      if (undo->Visible != visible) {
        undo->Visible = visible;
        undo->MarkDirty();
      }
    }
  }

  TRegion* region = CurrentRegion();
  if (region != nullptr && region->Music != nullptr && GroupEnabled(SoundGroupMusic)) QueueMusic(region->Music->Name);
}

void TGuiFormPlay::OnClick() {
  TGuiControl* sender = Sender;
  if (sender == nullptr) return;
  TAvatar* avatar = Avatar();
  if (sender->Group == "SiteControl") {
    auto* site = static_cast<TGuiControlSite*>(sender);
    if (avatar != nullptr && site->SiteRef != nullptr) avatar->PlaceInSite(site->SiteRef, true);
  } else if (sender == HintIcon) {
    ShowDialog(gui::DialogHint);
  } else if (sender == InventoryIcon) {
    ShowDialog(gui::DialogInventory);
  } else if (sender == MapIcon) {
    if (avatar == nullptr) return;
    if (MapOpen) {
      if (avatar->State == StateIdle && PreviousRegion() != nullptr) PlayEffectsSound("G8MapClose");
      avatar->TravelTo(PreviousRegion());
    } else {
      avatar->TravelTo(MapRegion());
    }
  } else if (sender == ExitIcon) {
    ShowDialog(gui::DialogQueryCustom, {.MessageKey = "QueryExitToMenu", .OnDone = [] {
                                          SwitchForm(gui::FormMenu, gui::TransitionFade, [] { SavePlayers(); });
                                        }});
  } else if (IsDebugMode() && sender->Name == "Undo") {
    ShowForm("");
    Undo();
    Rebuild();
    ShowForm(gui::FormPlay);
  }
}

void TGuiFormPlay::OnCommand() {
  if (CommandText != gui::CommandPlaySceneExecutionEffects) return;
  if (MapControl != nullptr) MapControl->PlaySceneEffects(static_cast<TScene*>(CommandData));
}

}  // namespace tv
