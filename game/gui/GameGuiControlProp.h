// Controls that draw a prop as a square icon on a tinted plate with a frame and its amount: an
// owned prop, a requirement with a met or unmet badge, a loss, a floating loss, a reward and a
// clickable reward. The base class draws; each subclass picks the colour saturation, the frame,
// the sign of the amount and its extras.
#pragma once

#include <string>

#include "engine/EngineGui.h"
#include "game/GameScene.h"

namespace tv {

class TSprite;
class TText;
class TPerformer;
class TProp;

// The plate tint of every prop control.
inline constexpr uint32_t PropPlateColor = 0xA27546;
inline constexpr float PropIconSize = 82;
inline constexpr float PropFrameSize = 90;

class TGuiControlProp : public TGuiControl {
 public:
  using TGuiControl::TGuiControl;
  ~TGuiControlProp() override;

  const TSceneSlot* Slot = nullptr;  // not owned: a scene slot or the inventory's own pair
  bool InBarter = false;
  TSprite* IconSprite = nullptr;
  TSprite* FrameSprite = nullptr;
  TText* AmountText = nullptr;

  // Stores the slot (loading its prop's picture) and marks the control dirty when it changes;
  // InBarter is stored in any case.
  void SetSlot(const TSceneSlot* NewSlot, bool NewInBarter);
  // Whether the amount is written: the prop is counted and (in a barter row, or not a single
  // unit, or more than one).
  bool ShowsAmount() const;

  void AfterCreate() override;
  void BeforeDestroy() override;
  void Render(bool Visible) override;

 protected:
  const TProp* ShownProp() const { return Slot != nullptr ? Slot->Prop : nullptr; }
  // The subclass's look.
  virtual float Saturation() const { return 1; }
  virtual int32_t FrameSegment() const { return 2; }  // below 0: no frame
  virtual std::string AmountCaption() const;
  virtual TVector AmountShift() const { return {0, 0}; }
  virtual float IconSize() const { return PropIconSize; }
  virtual bool WithPlate() const { return true; }
  // Moves everything drawn (a pressed button).
  virtual TVector DrawShift() const { return {0, 0}; }
  TVector DrawCenter() const { return {Offset.X + DrawShift().X, Offset.Y + DrawShift().Y}; }
  void ReleaseBase();
};

// A prop the hero owns, shown with its current amount.
class TGuiControlPropInventory : public TGuiControlProp {
 public:
  using TGuiControlProp::TGuiControlProp;
  void SetProp(TProp* Prop);

 private:
  TSceneSlot Own;
};

class TGuiControlPropRequirement : public TGuiControlProp {
 public:
  using TGuiControlProp::TGuiControlProp;
  ~TGuiControlPropRequirement() override;
  void BeforeDestroy() override;
  void Render(bool Visible) override;
  // Whether the hero holds enough (the green badge).
  bool Met() const;
  TSprite* BadgeSprite = nullptr;
};

class TGuiControlPropLoss : public TGuiControlProp {
 public:
  using TGuiControlProp::TGuiControlProp;

 protected:
  float Saturation() const override { return 0.33f; }
  int32_t FrameSegment() const override { return 1; }
  std::string AmountCaption() const override;
};

class TGuiControlPropLossFloat : public TGuiControlPropLoss {
 public:
  using TGuiControlPropLoss::TGuiControlPropLoss;

 protected:
  int32_t FrameSegment() const override { return -1; }
  TVector AmountShift() const override { return {-10, -10}; }
  float IconSize() const override { return 60; }
  bool WithPlate() const override { return false; }
};

class TGuiControlPropReward : public TGuiControlProp {
 public:
  using TGuiControlProp::TGuiControlProp;
  ~TGuiControlPropReward() override;
  void BeforeDestroy() override;
  void Render(bool Visible) override;
  // Off for a trade the player cannot afford: a reward out of reach does not sparkle.
  void SetSparkling(bool On);
  TPerformer* RewardEffect = nullptr;

 protected:
  int32_t FrameSegment() const override { return 3; }
  std::string AmountCaption() const override;

 private:
  bool Sparkling = true;
};

// A reward the player clicks to take: it moves while pressed and glows under the mouse.
class TGuiControlPropRewardClick : public TGuiControlPropReward {
 public:
  using TGuiControlPropReward::TGuiControlPropReward;
  void OnMouseEnter() override;
  void OnClick() override;
  void Render(bool Visible) override;
  bool TakesFocus() const override { return true; }

 protected:
  TVector DrawShift() const override;
};

}  // namespace tv
