#include "game/gui/GameGuiControls.h"

#include <cmath>

#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineTexts.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "game/gui/GameGuiHooks.h"

namespace tv {

namespace {

TColor4 Color4(TVector3 C, float A) { return {C.X, C.Y, C.Z, A}; }

// A control's picture sprite: its scale, tint, orientation, shading mode and second texture
// (ParamB at segment ParamE); the caller sets texture 0.
void ShowPicture(const TGuiControl& Control, TSprite& Sprite) {
  Sprite.Scale = Control.Scale;
  Sprite.Color = Color4(Control.Color, Control.Alpha);
  Sprite.Orientation = Control.Param1;
  Sprite.Mode = Control.Param3;
  Sprite.SetTextureName(1, Control.ParamB);
  Sprite.SetSegment(1, Control.ParamE);
}

// A sprite of the control: (re)creates it on the canvas and sets what every picture has.
void PlaceSprite(TSprite*& Sprite, TCanvas* Canvas, int32_t Order, TVector Position, TVector Size) {
  CreateSprite(Sprite, Canvas, Order);
  if (Sprite == nullptr) return;
  Sprite->Position = Position;
  Sprite->Size = Size;
}

void MakeText(TText*& Text, TCanvas* Canvas, int32_t Order, TVector Box, int32_t Font, int32_t Flags) {
  if (Text != nullptr && (Text->FontIndex != Font || Text->Flags != Flags || !VectorsEqual(Text->BoxSize, Box))) {
    FreeText(Text);
  }
  CreateText(Text, Canvas, Order, Box, Font, Flags);
}

void MakeSquare(TSquare*& Square, TCanvas* Canvas, int32_t Order, const std::string& Texture, bool Fill) {
  CreateSquare(Square, Canvas, Order, SquareBorderOf(Texture), Texture, Fill);
}

void ShowSquare(TSquare* Square, TVector Position, TVector Size, TVector3 Color, float Alpha) {
  if (Square == nullptr) return;
  Square->SetPosition(Position);
  Square->SetSize(Size);
  Square->SetColor(Color);
  Square->SetAlpha(Alpha);
}

void ShowText(TText* Text, const std::string& Caption, TVector Position, TVector3 Color, float Alpha) {
  if (Text == nullptr) return;
  Text->SetText(Caption);
  Text->SetPosition(Position);
  Text->SetColor(Color);
  Text->SetAlpha(Alpha);
}

float TextAlpha(bool Enabled) { return Enabled ? 1.0f : DisabledTextAlpha; }

}  // namespace

void PlayEffectsSound(const char* Name) { PlaySound(Name, false, SoundGroupEffects, nullptr); }

int32_t SquareBorderOf(const std::string& TextureName) {
  if (TextureName.size() < 10) return 0;
  const char a = TextureName[8];
  const char b = TextureName[9];
  if (a < '0' || a > '9' || b < '0' || b > '9') return 0;
  return (a - '0') * 10 + (b - '0');
}

const char* CustomButtonTexture(float Width) {
  if (Width < 100) return "G2Button60x60";
  if (Width < 250) return "G2Button200x60";
  return "G2Button300x60";
}

std::string CustomDownCaption(const std::string& Text) {
  // Byte 0x96 is a dash, byte 8 steps back over half of it so that dash and arrow read as one
  // bold arrow; 0xA0 is a non-breaking space.
  return std::string("\x96\x08>\xA0") + Text + std::string("\xA0\x96\x08<");
}

TVector FitKeepingAspect(TVector Box, float Aspect) {
  if (!(Aspect > 0) || !(Box.X > 0) || !(Box.Y > 0)) return {MaxF(Box.X, 0), MaxF(Box.Y, 0)};
  if (Box.X / Box.Y > Aspect) return {Box.Y * Aspect, Box.Y};
  return {Box.X, Box.X / Aspect};
}

// ---- TGuiControlButton ----------------------------------------------------------------------

void TGuiControlButton::AfterCreate() {
  Enabled = true;
  Color = GuiColors::ButtonRed;
}

TVector TGuiControlButton::PlatePosition() const { return Pressed ? AddS(Offset, PressedShift) : Offset; }

void TGuiControlButton::RenderFrame(bool Visible, TVector3 PlateColor) {
  if (!Visible) {
    FreeSquare(Plate);
    FreeSquare(Outline);
    return;
  }
  const TVector at = PlatePosition();
  MakeSquare(Plate, Canvas, Layer, "G2Square06Filled", true);
  ShowSquare(Plate, at, Size, PlateColor, Alpha);
  MakeSquare(Outline, Canvas, Layer + 9, "G2Square06Outline", false);
  ShowSquare(Outline, at, Size, Hovered ? GuiColors::HoverGold : GuiColors::OutlineGold, Alpha);
}

void TGuiControlButton::Render(bool Visible) {
  const TVector3 plate = Down ? GuiColors::PressedRed : (Enabled ? Color : GuiColors::Grey);
  RenderFrame(Visible, plate);
  if (!Visible) {
    FreeText(Caption);
    return;
  }
  MakeText(Caption, Canvas, Layer + 6, SubS(Size, 5), ParamF, ParamByte);
  ShowText(Caption, Down ? "> " + Text + " <" : Text, PlatePosition(), GuiColors::White, TextAlpha(Enabled) * Alpha);
}

// ---- TGuiControlCanvas ----------------------------------------------------------------------

TGuiControlCanvas::~TGuiControlCanvas() {
  FreeSprite(Sprite);
  FreeCanvas(Own);
}

void TGuiControlCanvas::AfterCreate() {
  CreateCanvas(Own, Layer, Size);
  if (Own == nullptr || Form == nullptr) return;
  // Every control added from now on draws into this canvas, placed relative to its centre.
  Form->Canvas = Own;
  Form->Origin = Add(Origin, Offset);
}

void TGuiControlCanvas::BeforeDestroy() {
  FreeSprite(Sprite);
  FreeCanvas(Own);
}

void TGuiControlCanvas::Render(bool Visible) {
  if (!Visible || Own == nullptr) {
    FreeSprite(Sprite);
    return;
  }
  PlaceSprite(Sprite, Canvas, Layer + PictureSpriteLayer, Offset, Size);
  if (Sprite == nullptr) return;
  ShowPicture(*this, *Sprite);
  Sprite->SetTexture(0, Own->Target.get());
  Sprite->SetSegment(0, 0);
}

// ---- TGuiControlScreenCover -----------------------------------------------------------------

void TGuiControlScreenCover::AfterCreate() {
  Color = GuiColors::Black;
  Alpha = 0.5f;
}

void TGuiControlScreenCover::Update() {
  if (Canvas != nullptr) SetSize(Canvas->Size);
}

void TGuiControlScreenCover::Render(bool Visible) {
  if (!Visible) {
    FreeSprite(Sprite);
    return;
  }
  const TVector size = Canvas != nullptr ? Canvas->Size : Size;
  // Sprites sit in canvas coordinates, whose centre is (0, 0).
  PlaceSprite(Sprite, Canvas, Layer - 1, Vector(0, 0), size);
  if (Sprite == nullptr) return;
  Sprite->Mode = FindShadingMode("OnlyTint");
  Sprite->Color = Color4(Color, Alpha);
}

// ---- TGuiControlPicture ---------------------------------------------------------------------

void TGuiControlPicture::Render(bool Visible) {
  if (!Visible) {
    FreeSprite(Sprite);
    return;
  }
  PlaceSprite(Sprite, Canvas, Layer + PictureSpriteLayer, Offset, Size);
  if (Sprite == nullptr) return;
  ShowPicture(*this, *Sprite);
  Sprite->SetTextureName(0, ParamA);
  Sprite->SetSegment(0, ParamD);
}

// ---- TGuiControlPlate and TGuiControlBorder -------------------------------------------------

void TGuiControlPlate::AfterCreate() {
  Color = GuiColors::Black;
  Alpha = 0.5f;
  ParamA = "G2Square09Filled";
}

void TGuiControlPlate::Render(bool Visible) {
  if (!Visible) {
    FreeSquare(Square);
    return;
  }
  MakeSquare(Square, Canvas, Layer, ParamA, WithFill());
  ShowSquare(Square, Offset, Size, Color, Alpha);
}

void TGuiControlBorder::AfterCreate() {
  TGuiControlPlate::AfterCreate();
  Color = GuiColors::White;
  Alpha = 1;
  ParamA = "G2Square09Outline";
}

// ---- TGuiControlEffect ----------------------------------------------------------------------

void TGuiControlEffect::Render(bool Visible) {
  if (!Visible) {
    FreePerformer(Performer);
    return;
  }
  if (Performer == nullptr) {
    CreatePerformer(Performer, Canvas, Layer + EffectSpriteLayer, ParamC);
    if (Performer == nullptr) return;
    Performer->SetActive(true);
  }
  Performer->Position = Offset;
  Performer->Area = Size;
  Performer->Alpha = Alpha;
}

// ---- TGuiControlLabel and TGuiControlLabelSuffix --------------------------------------------

void TGuiControlLabel::Render(bool Visible) {
  if (!Visible) {
    FreeText(Caption);
    return;
  }
  MakeText(Caption, Canvas, Layer + 6, Size, ParamF, ParamByte);
  ShowText(Caption, Shown(), Offset, Color, Alpha);
}

void TGuiControlLabelSuffix::SetSuffix(const std::string& Value) {
  if (Value == SuffixText) return;
  SuffixText = Value;
  MarkDirty();
}

// ---- TGuiControlInput -----------------------------------------------------------------------

namespace {
constexpr float CaretBlinkSeconds = 0.5f;
}

void TGuiControlInput::Update() {
  const std::string& typed = GuiInput::GetTextInput();
  if (typed != Text) {
    SetText(typed);
    // Typing shows the caret at once.
    BlinkTimer = 0;
    CaretOn = true;
  }
  BlinkTimer += ElapsedSeconds();
  if (BlinkTimer >= CaretBlinkSeconds) {
    BlinkTimer = std::fmod(BlinkTimer, CaretBlinkSeconds);
    CaretOn = !CaretOn;
  }
  PlaceCaret();
}

void TGuiControlInput::PlaceCaret() {
  if (Caret == nullptr || Caption == nullptr) return;
  const int32_t index = GuiInput::GetTextInputCursor();
  Caret->Visible = CaretOn;
  if (index == CaretIndex && !Dirty) return;
  CaretIndex = index;
  Caret->Position = Caption->CaretPosition(index);
}

void TGuiControlInput::Render(bool Visible) {
  if (!Visible) {
    FreeSquare(Fill);
    FreeSquare(Outline);
    FreeSprite(Caret);
    FreeText(Caption);
    return;
  }
  MakeSquare(Fill, Canvas, Layer, "G2Square06Filled", true);
  ShowSquare(Fill, Offset, Size, GuiColors::DarkBrown, Alpha);
  MakeSquare(Outline, Canvas, Layer + 9, "G2Square06Outline", false);
  ShowSquare(Outline, Offset, Size, GuiColors::OutlineGold, Alpha);
  MakeText(Caption, Canvas, Layer + 6, SubS(Size, 10), ParamF, ParamByte != 0 ? ParamByte : AlignLeft);
  ShowText(Caption, Text, Offset, Color, Alpha);
  const float line = TextsStarted() ? FontLineHeight(ParamF) : Size.Y - 10;
  PlaceSprite(Caret, Canvas, Layer + 5, Caret != nullptr ? Caret->Position : Offset, Vector(2, line));
  if (Caret != nullptr) {
    Caret->SetTextureName(0, "G2LineVertical");
    Caret->Color = Color4(GuiColors::OutlineGold, Alpha);
  }
  CaretIndex = -1;
  PlaceCaret();
}

// ---- TGuiControlButtonChoose ----------------------------------------------------------------

namespace {
constexpr float ChooseMargin = 5.5f;
}

TGuiControlButtonChoose::~TGuiControlButtonChoose() { ReleaseContent(); }

void TGuiControlButtonChoose::AfterCreate() { TGuiControlButton::AfterCreate(); }

void TGuiControlButtonChoose::ReleaseContent() {
  FreeSprite(Picture);
  FreePerformer(Performer);
  FreeCanvas(EffectCanvas);
}

void TGuiControlButtonChoose::Render(bool Visible) {
  const TVector3 plate = Down ? GuiColors::PressedRed : (Enabled ? Color : GuiColors::Grey);
  RenderFrame(Visible, plate);
  if (!Visible) {
    FreeText(Caption);
    ReleaseContent();
    return;
  }
  const TVector at = PlatePosition();
  const TVector box = SubS(Size, ChooseMargin);
  const float alpha = TextAlpha(Enabled) * Alpha;
  if (!ParamA.empty()) {
    FreeText(Caption);
    FreePerformer(Performer);
    FreeCanvas(EffectCanvas);
    PlaceSprite(Picture, Canvas, Layer + 3, at, box);
    if (Picture == nullptr) return;
    Picture->SetTextureName(0, ParamA);
    Picture->SetSegment(0, ParamD);
    Picture->SetTextureName(1, ParamB);
    Picture->SetSegment(1, ParamE);
    Picture->Size = FitKeepingAspect(box, SegmentAspect(Picture->GetTexture(0), ParamD));
    Picture->Color = Color4(GuiColors::White, alpha);
    Picture->Mode = Param3;
    return;
  }
  if (!Text.empty() || ParamC.empty()) {
    ReleaseContent();
    MakeText(Caption, Canvas, Layer + 6, box, ParamF, ParamByte);
    ShowText(Caption, Text, at, GuiColors::White, alpha);
    return;
  }
  // A particle effect, drawn into a small canvas of its own and shown fitted like a picture.
  FreeText(Caption);
  if (EffectCanvas == nullptr) {
    const TEffect* effect = GetEffect(ParamC);
    TVector area = effect != nullptr ? effect->Area : box;
    if (!(area.X > 0) || !(area.Y > 0)) area = box;
    CreateCanvas(EffectCanvas, Layer, area);
    if (EffectCanvas == nullptr) return;
    CreatePerformer(Performer, EffectCanvas, 0, ParamC);
    if (Performer != nullptr) {
      Performer->Area = area;
      Performer->SetActive(true);
    }
  }
  PlaceSprite(Picture, Canvas, Layer + 3, at, FitKeepingAspect(box, Ratio(EffectCanvas->Size)));
  if (Picture == nullptr) return;
  Picture->SetTexture(0, EffectCanvas->Target.get());
  Picture->SetSegment(0, 0);
  Picture->Color = Color4(GuiColors::White, alpha);
}

// ---- TGuiControlSounding --------------------------------------------------------------------

void TGuiControlSounding::OnMouseEnter() { PlayEffectsSound("G8ButtonFocus"); }

void TGuiControlSounding::OnClick() { PlayEffectsSound("G8ButtonClick"); }

// ---- TGuiControlButtonCustom ----------------------------------------------------------------

void TGuiControlButtonCustom::AfterCreate() {
  Enabled = true;
  ParamF = FontStyles::Label;
  ParamA = CustomButtonTexture(Size.X);
}

void TGuiControlButtonCustom::Render(bool Visible) {
  if (!Visible) {
    FreeSprite(Face);
    FreeSprite(Glow);
    FreeText(Caption);
    return;
  }
  PlaceSprite(Face, Canvas, Layer, Offset, Size);
  if (Face != nullptr) {
    Face->SetTextureName(0, ParamA);
    Face->SetSegment(0, Enabled ? 2 : 3);
    Face->Color = Color4(Down ? GuiColors::CustomDownTint : GuiColors::White, Alpha);
  }
  PlaceSprite(Glow, Canvas, Layer + 9, Offset, Size);
  if (Glow != nullptr) {
    Glow->SetTextureName(0, ParamA);
    Glow->SetSegment(0, Hovered ? 1 : 0);
    Glow->Color = Color4(GuiColors::White, Alpha);
  }
  MakeText(Caption, Canvas, Layer + 6, SubS(Size, 20), ParamF, ParamByte);
  ShowText(Caption, Down ? CustomDownCaption(Text) : Text, Offset, Color, TextAlpha(Enabled) * Alpha);
}

// ---- TGuiControlButtonLink ------------------------------------------------------------------

void TGuiControlButtonLink::AfterCreate() { Enabled = true; }

void TGuiControlButtonLink::Render(bool Visible) {
  if (!Visible) {
    FreeText(Caption);
    return;
  }
  MakeText(Caption, Canvas, Layer + 6, Size, ParamF, ParamByte);
  ShowText(Caption, Text, Pressed ? AddS(Offset, PressedShift) : Offset,
           Hovered ? GuiColors::LinkHoverGold : GuiColors::White, TextAlpha(Enabled) * Alpha);
}

// ---- TGuiControlRecommendedArrow ------------------------------------------------------------

namespace {
constexpr float ArrowFadeRate = 5;  // alpha per second
// The bob's two points for side 0; the other sides mirror them into the other corners.
constexpr TVector ArrowFar{-40, -40};
constexpr TVector ArrowNear{-30, -30};

TVector MirrorForSide(TVector V, int32_t Side) {
  switch (Side) {
    case 1: return {-V.X, V.Y};
    case 2: return {-V.X, -V.Y};
    case 3: return {V.X, -V.Y};
    default: return V;
  }
}
}  // namespace

void TGuiControlRecommendedArrow::AfterCreate() {
  SetSize(Vector(64, 64));
  Alpha = 0;
  ParamA = "G2Arrows";
  ParamC = "G2Arrows";
}

void TGuiControlRecommendedArrow::Update() {
  const float dt = ElapsedSeconds();
  const TGuiControl* target = Form != nullptr ? Form->RecommendedControl : nullptr;
  const bool wanted = Form != nullptr && Form->Active && target != nullptr && target->Visible && target->Enabled;
  if (wanted) {
    IsShowing = true;
    const int32_t side = Form->RecommendedSide;
    if (ParamD != side) {
      ParamD = side;
      MarkDirty();
    }
    Phase = Fraction(Phase + dt);
    const float t = EvalCurve("0-1-0", Phase);
    const TVector centre = Add(target->Origin, target->Offset);
    const TVector bob = LerpV(MirrorForSide(ArrowFar, side), MirrorForSide(ArrowNear, side), t);
    SetOffset(Sub(Add(centre, bob), Origin));
    SetAlpha(MinF(1, Alpha + ArrowFadeRate * dt));
    return;
  }
  if (!IsShowing) return;
  SetAlpha(MaxF(0, Alpha - ArrowFadeRate * dt));
  if (Alpha <= 0) {
    IsShowing = false;
    MarkDirty();
  }
}

void TGuiControlRecommendedArrow::Render(bool Visible) {
  if (!Visible || !IsShowing) {
    FreeSprite(Sprite);
    FreePerformer(Performer);
    return;
  }
  PlaceSprite(Sprite, Canvas, Layer + PictureSpriteLayer, Offset, Size);
  if (Sprite != nullptr) {
    Sprite->SetTextureName(0, ParamA);
    Sprite->SetSegment(0, ParamD);
    Sprite->Color = Color4(GuiColors::White, Alpha);
  }
  if (Performer == nullptr) {
    CreatePerformer(Performer, Canvas, Layer + EffectSpriteLayer, ParamC);
    if (Performer != nullptr) Performer->SetActive(true);
  }
  if (Performer != nullptr) {
    Performer->Position = Offset;
    Performer->Alpha = Alpha;
  }
}

}  // namespace tv
