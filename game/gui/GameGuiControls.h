// The game's ordinary controls: buttons of three looks, labels, pictures, plates and borders, a
// dimming cover, particle effects, a text input line, an off-screen canvas that groups the controls
// added after it, and the arrow that points the player at the recommended control.
//
// Each control builds its sprites, texts and squares in Render(true) and releases them in
// Render(false). The framework's generic parameter slots carry the look; screens set them by the
// names below, and each class says which of them it reads.
#pragma once

#include <string>

#include "base/AppNumeric.h"
#include "engine/EngineGui.h"

namespace tv {

class TCanvas;
class TSprite;
class TSquare;
class TText;
class TPerformer;

// Where a control draws, above its own layer: pictures at +3, particle effects at +12. A glow meant
// to lie behind a picture needs a layer offset at least 10 below the picture's.
inline constexpr int32_t PictureSpriteLayer = 3;
inline constexpr int32_t EffectSpriteLayer = 12;

// The framework's parameter slots by what the game's controls read from them.
inline constexpr TGuiProperty PropTexture = PropParamA;         // the main texture's name
inline constexpr TGuiProperty PropSegment = PropParamD;         // the main texture's segment
inline constexpr TGuiProperty PropOverlayTexture = PropParamB;  // a second texture, drawn with the first
inline constexpr TGuiProperty PropOverlaySegment = PropParamE;  // the second texture's segment
inline constexpr TGuiProperty PropEmitter = PropParamC;         // a particle emitter's name
inline constexpr TGuiProperty PropOrientation = PropParam1;     // the sprite's orientation
inline constexpr TGuiProperty PropShadingMode = PropParam3;     // the sprite's shading mode
inline constexpr TGuiProperty PropFont = PropParamF;            // the text's font style (FontStyles)
inline constexpr TGuiProperty PropTextLayout = PropParamByte;   // the text's layout flags (WordWrap, AlignTop, ...)

// Plays a sound of the effects group by name, once (button clicks, dialog sounds).
void PlayEffectsSound(const char* Name);

// Colours of the game's controls.
namespace GuiColors {
inline constexpr TVector3 White{1, 1, 1};
inline constexpr TVector3 Black{0, 0, 0};
inline constexpr TVector3 Grey{0.5f, 0.5f, 0.5f};
inline constexpr TVector3 DarkBrown{0.2f, 0.1333f, 0.0667f};
inline constexpr TVector3 ButtonRed{0.4f, 0, 0};
inline constexpr TVector3 PressedRed{0.8f, 0, 0};
inline constexpr TVector3 OutlineGold{0.6667f, 0.4667f, 0};
inline constexpr TVector3 HoverGold{1, 0.8f, 0.2f};
inline constexpr TVector3 LinkHoverGold{1, 0.85f, 0.1f};
inline constexpr TVector3 CustomDownTint{0.8f, 0.6f, 0.4f};
}  // namespace GuiColors

// How far a pressed control moves, and the alpha of a disabled control's text.
inline constexpr float PressedShift = 2;
inline constexpr float DisabledTextAlpha = 0.5f;

// The border width of a framed-square texture: its name's characters 9 and 10 ("G2Square06Filled"
// has 6, "G2Square28Border" 28); 0 when they are not two digits.
int32_t SquareBorderOf(const std::string& TextureName);
// The texture of a custom button of that width: "G2Button60x60" below 100, "G2Button200x60" below
// 250, "G2Button300x60" otherwise.
const char* CustomButtonTexture(float Width);
// The caption of a custom button that is down: the text between two bold arrows.
std::string CustomDownCaption(const std::string& Text);
// The largest box of Aspect (width / height) that fits into Box, centred.
TVector FitKeepingAspect(TVector Box, float Aspect);

// The family's model member: a framed plate, a caption and an outline. Reads PropFont and
// PropTextLayout.
class TGuiControlButton : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  void AfterCreate() override;
  void Render(bool Visible) override;
  bool TakesFocus() const override { return true; }

 protected:
  TVector PlatePosition() const;
  void RenderFrame(bool Visible, TVector3 PlateColor);
  TSquare* Plate = nullptr;
  TSquare* Outline = nullptr;
  TText* Caption = nullptr;
};

// An off-screen canvas that every control added after it draws into, shown by one sprite.
class TGuiControlCanvas : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  ~TGuiControlCanvas() override;
  void AfterCreate() override;
  void BeforeDestroy() override;
  void Render(bool Visible) override;
  TCanvas* Target() const { return Own; }

 private:
  TCanvas* Own = nullptr;
  TSprite* Sprite = nullptr;
};

// Dims everything beneath it over the whole canvas.
class TGuiControlScreenCover : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  void AfterCreate() override;
  void Update() override;
  void Render(bool Visible) override;

 private:
  TSprite* Sprite = nullptr;
};

// A picture: PropTexture at PropSegment, with PropOverlayTexture at PropOverlaySegment over it,
// PropOrientation and PropShadingMode.
class TGuiControlPicture : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  void Render(bool Visible) override;

 private:
  TSprite* Sprite = nullptr;
};

// A half-transparent black framed box; PropTexture is the framed-square texture.
class TGuiControlPlate : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  void AfterCreate() override;
  void Render(bool Visible) override;

 protected:
  virtual bool WithFill() const { return true; }
  TSquare* Square = nullptr;
};

// The plate's frame without its fill.
class TGuiControlBorder : public TGuiControlPlate {
 public:
  using TGuiControlPlate::TGuiControlPlate;
  void AfterCreate() override;

 protected:
  bool WithFill() const override { return false; }
};

// The particle emitter PropEmitter.
class TGuiControlEffect : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  void Render(bool Visible) override;

 private:
  TPerformer* Performer = nullptr;
};

// A text in PropFont, laid out by PropTextLayout.
class TGuiControlLabel : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  void Render(bool Visible) override;

 protected:
  virtual std::string Shown() const { return Text; }
  TText* Caption = nullptr;
};

// A label showing its text followed by a suffix (a number, a version).
class TGuiControlLabelSuffix : public TGuiControlLabel {
 public:
  using TGuiControlLabel::TGuiControlLabel;
  void SetSuffix(const std::string& Value);
  const std::string& Suffix() const { return SuffixText; }

 protected:
  std::string Shown() const override { return Text + SuffixText; }

 private:
  std::string SuffixText;
};

// The line being typed, with a blinking caret at the typing position; in PropFont, left-aligned
// unless PropTextLayout says otherwise.
class TGuiControlInput : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  void Update() override;
  void Render(bool Visible) override;
  // Whether the caret is drawn in this frame.
  bool CaretShown() const { return CaretOn; }

 private:
  void PlaceCaret();
  TSquare* Fill = nullptr;
  TSquare* Outline = nullptr;
  TSprite* Caret = nullptr;
  TText* Caption = nullptr;
  float BlinkTimer = 0;
  bool CaretOn = true;
  int32_t CaretIndex = -1;
};

// A button showing a picture (PropTexture at PropSegment, the overlay, PropShadingMode), else its
// caption (PropFont, PropTextLayout), else a particle effect (PropEmitter), fitted into its box.
class TGuiControlButtonChoose : public TGuiControlButton {
 public:
  using TGuiControlButton::TGuiControlButton;
  ~TGuiControlButtonChoose() override;
  void AfterCreate() override;
  void Render(bool Visible) override;

 private:
  void ReleaseContent();
  TSprite* Picture = nullptr;
  TCanvas* EffectCanvas = nullptr;
  TPerformer* Performer = nullptr;
};

// A control that sounds like a button: the focus sound when the mouse enters, the click sound.
class TGuiControlSounding : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  void OnMouseEnter() override;
  void OnClick() override;
  bool TakesFocus() const override { return true; }
};

// The game's big buttons: a picture of one of three widths with a hover glow and sounds; the
// caption in PropFont (the label style unless set).
class TGuiControlButtonCustom : public TGuiControlSounding {
 public:
  using TGuiControlSounding::TGuiControlSounding;
  void AfterCreate() override;
  void Render(bool Visible) override;

 private:
  TSprite* Face = nullptr;
  TSprite* Glow = nullptr;
  TText* Caption = nullptr;
};

// A bare caption that lights up under the mouse, in PropFont laid out by PropTextLayout.
class TGuiControlButtonLink : public TGuiControlSounding {
 public:
  using TGuiControlSounding::TGuiControlSounding;
  void AfterCreate() override;
  void Render(bool Visible) override;

 private:
  TText* Caption = nullptr;
};

// Points at the form's recommended control from one of its corners, bobbing, and fades in and out.
class TGuiControlRecommendedArrow : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  void AfterCreate() override;
  void Update() override;
  void Render(bool Visible) override;
  bool Showing() const { return IsShowing; }

 private:
  TSprite* Sprite = nullptr;
  TPerformer* Performer = nullptr;
  float Phase = 0;
  bool IsShowing = false;
};

}  // namespace tv
