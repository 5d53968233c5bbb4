#include "game/gui/GameGuiDialogScene.h"

#include <algorithm>
#include <cmath>

#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "game/GameAvatar.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameSite.h"
#include "game/gui/GameGuiControlProp.h"
#include "game/GameScreenNames.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogBase.h"

namespace tv {

namespace {

constexpr int32_t LegendFont = FontStyles::Label;
constexpr float LineUnit = 32;
constexpr float Gap = 20;
constexpr float ItemWidth = 90;
constexpr float ButtonSize = 60;
constexpr float FramePadding = 40;  // 20 on each side
constexpr float PlainPadding = 16;  // 8 on each side
constexpr float RowLegendHeight = 100;
// The frame's border reaches further in than its padding: the legend above prop rows, which fills
// its box once it runs to four lines, starts this much lower so that its first line stays clear.
constexpr float RowLegendInset = 8;
// Barter rows: count label, prop A, trade button, prop B, count label; two columns above four rows.
constexpr float BarterRowHeight = 100;
constexpr float BarterCountWidth = 80;
constexpr float BarterCountWidthSingle = 170;
constexpr int32_t BarterRowsPerColumn = 4;
constexpr float BarterColumnGap = 40;
// Above each column of rows, headings name what the counts and the two props are: what the player
// has, gives and gets.
constexpr float BarterHeadingHeight = 34;
constexpr int32_t BarterHeadingFont = FontStyles::Small;
constexpr float BarterHeadingMargin = 8;
constexpr float BarterRowGap = 10;
constexpr float BarterOuterMargin = 16;
constexpr float SkipWidth = 100;
constexpr float SkipHeight = 40;
constexpr float ArrowSize = 64;
// Entrances: the floating loss drops into place, the floating reward pops.
constexpr float FloatingLossLift = 40;
constexpr float FloatingRewardPop = 1.25f;
constexpr float GivingTime = 0.08f;
constexpr float ReceivingTime = 0.05f;
constexpr float SettlingTime = 0.12f;
constexpr float GivingDrop = 4;
constexpr float ReceivingRise = 3;
constexpr float ReadingSecondsPerCharacter = 0.14f;

TVector ScreenSize(const TGuiForm& Form) {
  if (Form.Canvas != nullptr && Form.Canvas->Size.X > 0) return Form.Canvas->Size;
  return {DesignWidth, DesignHeight};
}

// The control of that name, without touching the form's Sender.
TGuiControl* ControlNamed(TGuiForm& Form, const std::string& Name) {
  for (TItem* item : Form.Controls) {
    auto* control = static_cast<TGuiControl*>(item);
    if (control->Name == Name) return control;
  }
  return nullptr;
}

void SetEnabled(TGuiControl* Control, bool Value) {
  if (Control == nullptr || Control->Enabled == Value) return;
  Control->Enabled = Value;
  Control->MarkDirty();
}

void SetHint(TGuiControl* Control, const std::string& Text) {
  if (Control != nullptr && Control->HintText != Text) Control->SetProperty(PropHintText, Text);
}

int32_t LinesIn(float Height) { return static_cast<int32_t>(std::floor(std::max(0.0f, Height) / LineUnit)); }

}  // namespace

TLegendBox LayoutLegend(const std::string& Text, int32_t FontIndex, float Width, int32_t MaxLines) {
  TLegendBox box;
  for (float extra : {0.0f, 100.0f, 200.0f, 300.0f}) {
    TVector size;
    int32_t lines = 0;
    if (TextsStarted()) {
      MeasureText(Text, FontIndex, Width + extra, size, lines);
    } else {
      lines = Text.empty() ? 0 : 1;
      size = {Width + extra, LineUnit};
    }
    box.Width = Width + extra;
    box.Lines = lines;
    box.Height = std::max(size.Y, static_cast<float>(lines) * LineUnit);
    if (lines <= MaxLines) return box;
  }
  box.Fits = false;
  box.Height = static_cast<float>(MaxLines) * LineUnit;
  return box;
}

namespace {

// The width of a heading's one line (a fallback before the fonts are loaded).
float HeadingWidth(const char* Key) {
  if (!TextsStarted()) return BarterCountWidth;
  TVector size;
  int32_t lines = 0;
  MeasureText(GetText(Key), BarterHeadingFont, 1000, size, lines);
  return size.X;
}

// A row's count column: wide enough for "You have: N" in a single row, else for the column's
// heading with a margin, so that the heading keeps clear of the frame and of the neighbouring
// prop's heading.
float BarterCountColumn(int32_t Kind) {
  if (Kind == SceneKinds::Barter1) return BarterCountWidthSingle;
  return std::max(BarterCountWidth, HeadingWidth("LabelBarterHave") + 2 * BarterHeadingMargin);
}

// The room between a row's cells: tighter when several rows bring their headings, so that two
// columns of rows with their headings still fit a 1280-wide screen.
float BarterGap(int32_t Kind) { return Kind == SceneKinds::Barter1 ? Gap : BarterRowGap; }

}  // namespace

std::string TGuiDialogScene::LegendKey() const {
  const std::string key = Scene->LegendKey();
  if (TextExists(key) || !IsRowKind(Scene->Kind)) return key;
  if (Site != nullptr && Site->Caption != nullptr) return Site->Caption->Name;
  return key;
}

void TGuiDialogScene::OnShow() {
  // 1. The scene and its site.
  Scene = static_cast<TScene*>(Data);
  Sheet = nullptr;
  AutoAccept = false;
  AutoAcceptTime = 0;
  BarterPhase = TBarterPhase::Idle;
  BarterRows = 0;
  SetRecommended(nullptr, 0);
  if (Scene == nullptr) return;
  Site = Scene->Site;
  const int32_t kind = Scene->Kind;
  const TSceneKindInfo& info = SceneKind(kind);
  const bool framed = info.Flags[SceneFlagWindow] != 0;
  BarterRows = BarterRowsOf(kind);
  TCanvas* screenCanvas = Canvas;
  const TVector screenOrigin = Origin;

  // 2. The usable area.
  const TVector screen = ScreenSize(*this);
  const float margin = IsFloatingKind(kind) ? 24.0f : 84.0f;
  Usable = {0, 0, std::max(0.0f, screen.X - 2 * margin), std::max(0.0f, screen.Y - 2 * margin)};

  // 3. The content's size.
  const std::string legend = GetText(LegendKey());
  const float padding = framed ? FramePadding : PlainPadding;
  const float buttonRow = framed ? Gap + ButtonSize : 0;
  const float room = Usable.H - padding - buttonRow;
  TVector picture{0, 0};
  if ((info.Flags[SceneFlagIllustration] != 0) && Scene->Illustration != nullptr) {
    if (!Scene->Illustration->Loaded) Scene->Illustration->Load();
    if (Scene->Illustration->Texture != nullptr)
      picture = SegmentSize(Scene->Illustration->Texture, Scene->IllustrationFrame);
  }
  float contentW = 0;
  float contentH = 0;
  TLegendBox text;
  int32_t items = 0;
  if (IsRequirementKind(kind) || IsLossKind(kind)) {
    for (int32_t i = 0; i < LeftSlots(kind); ++i) items += Scene->Left[i].Prop != nullptr ? 1 : 0;
  } else if (IsRewardKind(kind) && !IsFloatingKind(kind)) {
    for (int32_t i = 0; i < RightSlots(kind); ++i) items += Scene->Right[i].Prop != nullptr ? 1 : 0;
  }
  const int32_t columns = BarterRows > BarterRowsPerColumn ? 2 : 1;
  const int32_t rowsPerColumn = (BarterRows + columns - 1) / std::max(1, columns);
  const float countWidth = BarterCountColumn(kind);
  const float barterRowWidth = 2 * countWidth + 2 * ItemWidth + ButtonSize + 4 * BarterGap(kind);
  switch (kind) {
    case SceneKinds::FloatingText:
      text = LayoutLegend(legend, LegendFont, 400, std::max(10, LinesIn(room)));
      contentW = text.Width;
      contentH = text.Height;
      AutoAccept = true;
      AutoAcceptTime = ReadingSecondsPerCharacter * static_cast<float>(legend.size());
      break;
    case SceneKinds::Text:
    case SceneKinds::TextStop:
      text = LayoutLegend(legend, LegendFont, 420, std::max(10, LinesIn(room)));
      text.Height = std::max(text.Height, 120.0f);
      contentW = text.Width;
      contentH = text.Height;
      break;
    case SceneKinds::Illustration:
      contentW = picture.X;
      contentH = picture.Y;
      break;
    case SceneKinds::IllustratedTextTop:
      text =
          LayoutLegend(legend, LegendFont, std::max(420.0f, picture.X), std::max(2, LinesIn(room - picture.Y - Gap)));
      text.Height = std::max(text.Height, 100.0f);
      contentW = std::max(text.Width, picture.X);
      contentH = picture.Y + Gap + text.Height;
      break;
    case SceneKinds::IllustratedTextLeft:
      text = LayoutLegend(legend, LegendFont, 360, std::max(5, LinesIn(room)));
      contentW = picture.X + Gap + text.Width;
      contentH = std::max(picture.Y, text.Height);
      break;
    case SceneKinds::FloatingLoss:
      contentW = contentH = 56;
      AutoAccept = true;
      AutoAcceptTime = 0;
      break;
    case SceneKinds::FloatingReward: contentW = contentH = 140; break;
    default:
      if (IsRowKind(kind)) {
        const float rowsW = Scene->IsBarter() ? static_cast<float>(columns) * barterRowWidth +
                                                    static_cast<float>(columns - 1) * BarterColumnGap
                                              : (ItemWidth + Gap) * static_cast<float>(items) - Gap;
        const float rowsH = Scene->IsBarter()
                                ? BarterHeadingHeight + static_cast<float>(rowsPerColumn) * BarterRowHeight - 10
                                : ItemWidth;
        // Several barter rows keep a margin from the frame where the screen has room for it.
        const float rowsMargin = Scene->IsBarter() && kind != SceneKinds::Barter1
                                     ? std::clamp(Usable.W - padding - rowsW, 0.0f, 2 * BarterOuterMargin)
                                     : 0.0f;
        contentW = std::max(320.0f, rowsW + rowsMargin);
        text = LayoutLegend(legend, LegendFont, contentW, std::max(2, LinesIn(room - rowsH - Gap - RowLegendInset)));
        text.Height = std::max(text.Height, RowLegendHeight);
        contentW = std::max(contentW, text.Width);
        contentH = RowLegendInset + text.Height + Gap + rowsH;
      }
      break;
  }

  // A preview in place is looked at for as long as it is wanted.
  if (Value == ScenePreviewInPlace) AutoAccept = false;

  // 4. The button row and the frame's padding.
  const float width = contentW + padding;
  const float height = contentH + padding + buttonRow;

  // 5. The position: at the scene's place (or the screen's centre for a preview), a framed
  // dialog raised to stand above the site, then moved inside the usable area.
  float cx = 0;
  float cy = 0;
  if (Value == 0 || Value == ScenePreviewInPlace) {
    cx = std::round(Scene->DialogX);
    cy = std::round(Scene->DialogY);
    if (framed) cy -= height / 2;
  }
  auto inside = [](float C, float Size, float Area) {
    const float half = (Area - Size) / 2;
    if (half <= 0) return 0.0f;
    return std::clamp(C, -half, half);
  };
  cx = inside(cx, width, Usable.W);
  cy = inside(cy, height, Usable.H);
  Box = {cx, cy, width, height};

  // 6. The sheet everything is drawn on.
  PlaceBox(*this, cx, cy, width, height);
  Sheet = AddControl<TGuiControlCanvas>(0);
  SheetRestY = Sheet->Offset.Y;

  // 7. Plate and border of framed kinds.
  if (framed) {
    AddControl<TGuiControlPlate>(-1000, PropColor, 0x302010, PropAlpha, 0.66f);
    AddControl<TGuiControlBorder>(-980, PropTexture, "G2Square28Border");
    Place(PlaceGrow, -FramePadding, PlaceSave, 0);
  } else {
    Place(PlaceGrow, -PlainPadding);
  }
  const TGuiRect inner = PlaceRect;

  // 8. The content.
  BuildContent(inner, contentH, text.Width, text.Height);

  // 9. The buttons.
  if (framed) {
    Place(PlaceRestore, 0);
    BuildButtons(PlaceRect);
    PlayEffectsSound("G8SceneDialogOpen");
  }

  // 10. The arrow, on the screen's canvas so that it is not clipped by the sheet.
  if (RecommendedControl != nullptr) {
    Canvas = screenCanvas;
    Origin = screenOrigin;
    PlaceBox(*this, 0, 0, ArrowSize, ArrowSize);
    AddControl<TGuiControlRecommendedArrow>(1000);
  }
  BarterPhase = TBarterPhase::Idle;
  RefreshBarter();
  Activated = false;
}

void TGuiDialogScene::BuildContent(TGuiRect Inner, float ContentHeight, float LegendWidth, float LegendHeight) {
  const int32_t kind = Scene->Kind;
  const float top = Inner.Y - Inner.H / 2;
  const float cx = Inner.X;
  const std::string key = LegendKey();
  auto label = [&](float X, float Y, float W, float H) {
    PlaceBox(*this, X, Y, W, H);
    return AddControl<TGuiControlLabel>(10, PropFont, LegendFont, PropTextLayout, WordWrap, PropTextKey, key);
  };
  auto picture = [&](float X, float Y, float W, float H) {
    PlaceBox(*this, X, Y, W, H);
    AddControl<TGuiControlPicture>(5, PropTexture, Scene->Illustration != nullptr ? Scene->Illustration->Name : "",
                                   PropSegment, Scene->IllustrationFrame);
  };
  TVector pic{0, 0};
  if (Scene->Illustration != nullptr && Scene->Illustration->Texture != nullptr) {
    pic = SegmentSize(Scene->Illustration->Texture, Scene->IllustrationFrame);
  }
  switch (kind) {
    case SceneKinds::FloatingText:
      PlaceBox(*this, Inner.X, Inner.Y, Inner.W, Inner.H);
      AddControl<TGuiControlButtonLink>(10, PropName, "Accept", PropFont, LegendFont, PropTextLayout, WordWrap,
                                        PropTextKey, key);
      return;
    case SceneKinds::Text:
    case SceneKinds::TextStop: label(cx, top + ContentHeight / 2, LegendWidth, ContentHeight); return;
    case SceneKinds::Illustration: picture(cx, top + ContentHeight / 2, pic.X, pic.Y); return;
    case SceneKinds::IllustratedTextTop:
      picture(cx, top + pic.Y / 2, pic.X, pic.Y);
      label(cx, top + pic.Y + Gap + LegendHeight / 2, LegendWidth, LegendHeight);
      return;
    case SceneKinds::IllustratedTextLeft: {
      const float left = cx - (pic.X + Gap + LegendWidth) / 2;
      picture(left + pic.X / 2, top + ContentHeight / 2, pic.X, pic.Y);
      label(left + pic.X + Gap + LegendWidth / 2, top + ContentHeight / 2, LegendWidth, ContentHeight);
      return;
    }
    case SceneKinds::FloatingLoss: {
      PlaceBox(*this, Inner.X, Inner.Y, Inner.W, Inner.H);
      auto* loss = AddControl<TGuiControlPropLossFloat>(10, PropName, "Accept");
      loss->SetSlot(&Scene->Left[0], false);
      if (Scene->Left[0].Prop != nullptr) SetHint(loss, Scene->Left[0].Prop->LossLabel(Scene->Left[0].Amount));
      return;
    }
    case SceneKinds::FloatingReward: {
      PlaceBox(*this, Inner.X, Inner.Y, Inner.W, Inner.H);
      auto* reward = AddControl<TGuiControlPropRewardClick>(10, PropName, "Accept");
      reward->SetSlot(&Scene->Right[0], false);
      if (Scene->Right[0].Prop != nullptr) SetHint(reward, Scene->Right[0].Prop->RewardLabel(Scene->Right[0].Amount));
      if (Site != nullptr && Site->Special == SpecialArrowReward) SetRecommended(reward, 0);
      PlayEffectsSound("G8RewardPop");
      return;
    }
    default: break;
  }
  if (!IsRowKind(kind)) return;
  label(cx, top + RowLegendInset + LegendHeight / 2, Inner.W, LegendHeight);
  const float rowsTop = top + RowLegendInset + LegendHeight + Gap;

  if (!Scene->IsBarter()) {
    const bool rewards = Scene->IsReward();
    TSceneSlot* slots = rewards ? Scene->Right : Scene->Left;
    const int32_t count = rewards ? RightSlots(kind) : LeftSlots(kind);
    int32_t items = 0;
    for (int32_t i = 0; i < count; ++i) items += slots[i].Prop != nullptr ? 1 : 0;
    float x = cx - ((ItemWidth + Gap) * static_cast<float>(items) - Gap) / 2 + ItemWidth / 2;
    const float y = rowsTop + ItemWidth / 2;
    for (int32_t i = 0; i < count; ++i) {
      TSceneSlot& slot = slots[i];
      if (slot.Prop == nullptr) continue;
      PlaceBox(*this, x, y, ItemWidth, ItemWidth);
      TGuiControlProp* control = nullptr;
      std::string hint;
      if (Scene->HasRequirements()) {
        control = AddControl<TGuiControlPropRequirement>(10);
        hint = slot.Prop->RequirementLabel(slot.Amount);
      } else if (rewards) {
        control = AddControl<TGuiControlPropReward>(10);
        hint = slot.Prop->RewardLabel(slot.Amount);
      } else {
        control = AddControl<TGuiControlPropLoss>(10);
        hint = slot.Prop->LossLabel(slot.Amount);
      }
      control->SetProperty(PropName, "Prop" + std::to_string(i + 1));
      control->SetSlot(&slot, false);
      SetHint(control, hint);
      x += ItemWidth + Gap;
    }
    return;
  }

  // Barter rows.
  const int32_t columns = BarterRows > BarterRowsPerColumn ? 2 : 1;
  const int32_t rowsPerColumn = (BarterRows + columns - 1) / columns;
  const float countWidth = BarterCountColumn(kind);
  const float gap = BarterGap(kind);
  const float rowWidth = 2 * countWidth + 2 * ItemWidth + ButtonSize + 4 * gap;
  const float allWidth = static_cast<float>(columns) * rowWidth + static_cast<float>(columns - 1) * BarterColumnGap;
  // A single row's counts say "You have: N" themselves; several rows share the column's heading.
  const bool single = kind == SceneKinds::Barter1;
  auto heading = [&](const std::string& Name, float X, float Width, const char* Key) {
    PlaceBox(*this, X, rowsTop + BarterHeadingHeight / 2, Width, BarterHeadingHeight);
    AddControl<TGuiControlLabel>(10, PropName, Name, PropTextKey, Key, PropFont, BarterHeadingFont);
  };
  for (int32_t column = 0; column < columns; ++column) {
    const float left = cx - allWidth / 2 + static_cast<float>(column) * (rowWidth + BarterColumnGap);
    const float propA = left + countWidth + gap + ItemWidth / 2;
    const float propB = propA + ItemWidth + 2 * gap + ButtonSize;
    const float headingWidth = ItemWidth + gap + ButtonSize;
    const std::string c = std::to_string(column + 1);
    if (!single) heading("BarterHeadHaveA" + c, left + countWidth / 2, countWidth, "LabelBarterHave");
    heading("BarterHeadGive" + c, propA, headingWidth, "LabelBarterGive");
    heading("BarterHeadGet" + c, propB, headingWidth, "LabelBarterGet");
    if (!single)
      heading("BarterHeadHaveB" + c, propB + ItemWidth / 2 + gap + countWidth / 2, countWidth, "LabelBarterHave");
  }
  bool first = true;
  for (int32_t i = 1; i <= BarterRows; ++i) {
    TSceneSlot& left = Scene->Left[i - 1];
    TSceneSlot& right = Scene->Right[i - 1];
    if (left.Prop == nullptr || right.Prop == nullptr) continue;
    const int32_t column = (i - 1) / rowsPerColumn;
    const int32_t row = (i - 1) % rowsPerColumn;
    float x = cx - allWidth / 2 + static_cast<float>(column) * (rowWidth + BarterColumnGap);
    const float y = rowsTop + BarterHeadingHeight + static_cast<float>(row) * BarterRowHeight + ItemWidth / 2;
    const std::string n = std::to_string(i);
    PlaceBox(*this, x + countWidth / 2, y, countWidth, ItemWidth);
    AddControl<TGuiControlLabel>(10, PropName, "BarterCountA" + n, PropFont, LegendFont, PropTextLayout, WordWrap);
    x += countWidth + gap;
    PlaceBox(*this, x + ItemWidth / 2, y, ItemWidth, ItemWidth);
    AddControl<TGuiControlPropLoss>(10, PropName, "BarterPropA" + n)->SetSlot(&left, true);
    x += ItemWidth + gap;
    PlaceBox(*this, x + ButtonSize / 2, y, ButtonSize, ButtonSize);
    auto* perform = AddControl<TGuiControlButtonCustom>(10, PropName, "BarterPerf" + n, PropTextKey, "IconBarter",
                                                        PropHintTextKey, "HintBarter");
    if (first && Site != nullptr && Site->Special == SpecialArrowBarter) SetRecommended(perform, 0);
    first = false;
    x += ButtonSize + gap;
    PlaceBox(*this, x + ItemWidth / 2, y, ItemWidth, ItemWidth);
    AddControl<TGuiControlPropReward>(10, PropName, "BarterPropB" + n)->SetSlot(&right, true);
    x += ItemWidth + gap;
    PlaceBox(*this, x + countWidth / 2, y, countWidth, ItemWidth);
    AddControl<TGuiControlLabel>(10, PropName, "BarterCountB" + n, PropFont, LegendFont, PropTextLayout, WordWrap);
  }
  if (!IsPreview()) Scene->BeginBarter();
}

void TGuiDialogScene::BuildButtons(TGuiRect Inner) {
  const TSceneKindInfo& info = SceneKind(Scene->Kind);
  const bool accept = info.Flags[SceneFlagAccept] != 0;
  const bool cancel = info.Flags[SceneFlagDecline] != 0;
  const bool met = Scene->RequirementsMet();
  const int32_t special = Site != nullptr ? Site->Special : 0;
  const float y = Inner.Y + Inner.H / 2 - ButtonSize / 2;
  if (IsDebugMode() && accept && !met) {
    PlaceBox(*this, Inner.X - Inner.W / 2 + SkipWidth / 2, y, SkipWidth, SkipHeight);
    AddControl<TGuiControlButton>(10, PropName, "Skip", PropText, "SKIP", PropHintText,
                                  "Force to skip the requirements", PropHintName, gui::HintStyleDefault);
  }
  if (cancel) {
    PlaceBox(*this, Inner.X - (accept ? (ButtonSize + Gap) / 2 : 0), y, ButtonSize, ButtonSize);
    auto* button = AddControl<TGuiControlButtonCustom>(10, PropName, "Cancel", PropTextKey, "IconCancel");
    if (special == SpecialArrowRequirements && Scene->HasRequirements() && !met) SetRecommended(button, 1);
  }
  if (accept) {
    PlaceBox(*this, Inner.X + (cancel ? (ButtonSize + Gap) / 2 : 0), y, ButtonSize, ButtonSize);
    auto* button = AddControl<TGuiControlButtonCustom>(10, PropName, "Accept", PropTextKey, "IconAccept");
    button->SetProperty(PropEnabled, met);
    if (met && ((special == SpecialArrowRequirements && Scene->HasRequirements()) ||
                (special == SpecialArrowAccept && !Scene->HasRequirements()))) {
      SetRecommended(button, 0);
    }
  }
}

void TGuiDialogScene::OnHide() {
  Sheet = nullptr;
  BarterPhase = TBarterPhase::Idle;
}

void TGuiDialogScene::RefreshBarter() {
  if (Scene == nullptr || !Scene->IsBarter()) return;
  const bool single = Scene->Kind == SceneKinds::Barter1;
  auto count = [&](const TProp* Prop) {
    const int32_t amount = IsPreview() ? Prop->Amount : Prop->AmountBefore;
    if (!single) return FormatInteger(amount);
    return GetText("LabelIHave") + GetColonPrefix() + ": " + FormatInteger(amount);
  };
  for (int32_t i = 1; i <= BarterRows; ++i) {
    const TSceneSlot& left = Scene->Left[i - 1];
    const TSceneSlot& right = Scene->Right[i - 1];
    if (left.Prop == nullptr || right.Prop == nullptr) continue;
    const std::string n = std::to_string(i);
    if (TGuiControl* a = ControlNamed(*this, "BarterCountA" + n)) a->SetText(count(left.Prop));
    if (TGuiControl* b = ControlNamed(*this, "BarterCountB" + n)) b->SetText(count(right.Prop));
    SetHint(ControlNamed(*this, "BarterPropA" + n), left.Prop->CostLabel(left.Amount));
    SetHint(ControlNamed(*this, "BarterPropB" + n), right.Prop->PurchaseLabel(right.Amount));
    const bool animating = BarterPhase != TBarterPhase::Idle && BarterRow == i;
    const bool pays = IsPreview() ? left.Prop->Amount >= left.Amount : Scene->CanTrade(i);
    SetEnabled(ControlNamed(*this, "BarterPerf" + n), !animating && pays);
    // The reward of a row out of reach does not sparkle.
    if (auto* reward = dynamic_cast<TGuiControlPropReward*>(ControlNamed(*this, "BarterPropB" + n)))
      reward->SetSparkling(pays);
  }
}

void TGuiDialogScene::StepBarter(float Dt) {
  if (BarterPhase == TBarterPhase::Idle || Scene == nullptr) return;
  const std::string n = std::to_string(BarterRow);
  TGuiControl* a = ControlNamed(*this, "BarterPropA" + n);
  TGuiControl* b = ControlNamed(*this, "BarterPropB" + n);
  const float length = BarterPhase == TBarterPhase::Giving
                           ? GivingTime
                           : (BarterPhase == TBarterPhase::Receiving ? ReceivingTime : SettlingTime);
  BarterTime = std::min(1.0f, BarterTime + Dt / length);
  const float t = BarterTime;
  if (BarterPhase == TBarterPhase::Giving) {
    if (a != nullptr) a->SetOffsetY(BarterBaseA + GivingDrop * t);
  } else if (BarterPhase == TBarterPhase::Receiving) {
    if (a != nullptr) a->SetOffsetY(BarterBaseA + GivingDrop * (1 - t));
    if (b != nullptr) b->SetOffsetY(BarterBaseB - ReceivingRise * t);
  } else {
    if (b != nullptr) b->SetOffsetY(BarterBaseB - ReceivingRise * (1 - t));
  }
  if (BarterTime < 1) return;
  BarterTime = 0;
  // A preview shows the movement but trades nothing.
  const bool trade = !IsPreview();
  if (BarterPhase == TBarterPhase::Giving) {
    if (trade) Scene->TradeGive(BarterRow);
    BarterPhase = TBarterPhase::Receiving;
  } else if (BarterPhase == TBarterPhase::Receiving) {
    if (trade) Scene->TradeReceive(BarterRow);
    BarterPhase = TBarterPhase::Settling;
  } else {
    if (trade) Scene->TradeCount(BarterRow);
    BarterPhase = TBarterPhase::Idle;
    if (a != nullptr) a->SetOffsetY(BarterBaseA);
    if (b != nullptr) b->SetOffsetY(BarterBaseB);
  }
  RefreshBarter();
}

void TGuiDialogScene::FinishBarter() {
  for (int32_t guard = 0; BarterPhase != TBarterPhase::Idle && guard < 4; ++guard) StepBarter(1.0f);
}

void TGuiDialogScene::OnActivate() {
  if (Activated) return;
  Activated = true;
  if (Scene != nullptr && Scene->IsReward()) PlayEffectsSound("G8Reward");
}

void TGuiDialogScene::OnUpdate() {
  const float dt = ElapsedSeconds();
  if (BarterPhase != TBarterPhase::Idle) StepBarter(dt);
  if (AutoAccept && FadeState == TFadeState::Shown) {
    AutoAcceptTime -= dt;
    if (AutoAcceptTime <= 0) {
      AutoAccept = false;
      Sender = ControlNamed(*this, "Accept");
      OnClick();
    }
  }
}

void TGuiDialogScene::OnRender() {
  if (Sheet == nullptr || Scene == nullptr) return;
  const int32_t kind = Scene->Kind;
  const float a = FadeAlpha;
  float alpha = 0;
  float y = SheetRestY;
  float scale = 1;
  switch (FadeState) {
    case TFadeState::FadingIn:
      if (kind == SceneKinds::FloatingLoss) {
        alpha = EvalCurve("0-1-1-1", a);
        y = SheetRestY - FloatingLossLift * (1 - EvalCurve("0-4-7-9-1", a));
      } else if (kind == SceneKinds::FloatingReward) {
        scale = 1 + (FloatingRewardPop - 1) * EvalCurve("0-1-6-0", a);
        alpha = EvalCurve("0-1-1", a);
      } else {
        alpha = a;
      }
      break;
    case TFadeState::Shown: alpha = 1; break;
    case TFadeState::FadingOut: alpha = kind == SceneKinds::FloatingLoss ? EvalCurve("0-7-1", a) : a; break;
    case TFadeState::Hidden: alpha = 0; break;
  }
  Sheet->SetAlpha(alpha);
  Sheet->SetOffsetY(y);
  Sheet->SetScale(scale);
}

void TGuiDialogScene::OnClick() {
  if (Sender == nullptr || Scene == nullptr || FadeState == TFadeState::FadingOut || FadeState == TFadeState::Hidden)
    return;
  const std::string name = Sender->Name;
  if (name == "Cancel") {
    FinishBarter();
    if (!IsPreview() && Avatar() != nullptr) Avatar()->DeclineScene();
    HideDialog(this);
  } else if (name == "Accept" || name == "Skip") {
    FinishBarter();
    if (!IsPreview() && Avatar() != nullptr) Avatar()->AcceptScene();
    HideDialog(this);
  } else if (name.rfind("BarterPerf", 0) == 0) {
    const int32_t row = std::atoi(name.c_str() + 10);
    FinishBarter();
    if (row < 1 || row > BarterRows) return;
    const TSceneSlot& left = Scene->Left[row - 1];
    const bool pays = IsPreview() ? (left.Prop != nullptr && left.Prop->Amount >= left.Amount) : Scene->CanTrade(row);
    if (!pays) {
      RefreshBarter();
      return;
    }
    const std::string n = std::to_string(row);
    TGuiControl* a = ControlNamed(*this, "BarterPropA" + n);
    TGuiControl* b = ControlNamed(*this, "BarterPropB" + n);
    BarterRow = row;
    BarterPhase = TBarterPhase::Giving;
    BarterTime = 0;
    BarterBaseA = a != nullptr ? a->Offset.Y : 0;
    BarterBaseB = b != nullptr ? b->Offset.Y : 0;
    RefreshBarter();
  }
}

}  // namespace tv
