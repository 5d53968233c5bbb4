#include "authoring/GameScenarioWriter.h"

#include <cassert>

#include "base/EngineClasses.h"
#include "game/GameFile.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

void Int(std::string& Out, int32_t V) { PutInt32(Out, V); }
void Float(std::string& Out, float V) { PutFloat(Out, V); }
void Byte(std::string& Out, uint8_t V) { PutByte(Out, V); }
void Str(std::string& Out, const std::string& S) { PutString(Out, S); }

// Checks that a record just written from At has the size the reader expects.
void Sized([[maybe_unused]] const std::string& Out, [[maybe_unused]] size_t At, [[maybe_unused]] int32_t Size) {
  assert(Out.size() - At == static_cast<size_t>(Size));
}

}  // namespace

int32_t TScenarioBuilder::Asset(TPoolClass Class, const std::string& Name) {
  auto& list = Pool[static_cast<size_t>(Class)];
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == Name) return static_cast<int32_t>(i + 1);
  }
  list.push_back(Name);
  return static_cast<int32_t>(list.size());
}

int32_t TScenarioBuilder::AddProp(const std::string& Name, int32_t Kind, int32_t InitialAmount) {
  TPropDef prop;
  prop.Name = Name;
  prop.Number = static_cast<int32_t>(Props.size()) + 1;
  prop.Kind = Kind;
  prop.InitialAmount = InitialAmount;
  Props.push_back(prop);
  return static_cast<int32_t>(Props.size());
}

int32_t TScenarioBuilder::AddRegion(const std::string& Name, int32_t Number) {
  TRegionDef region;
  region.Name = Name;
  region.Number = Number;
  RegionList.push_back(std::move(region));
  if (StartRegion == 0) StartRegion = static_cast<int32_t>(RegionList.size());
  return static_cast<int32_t>(RegionList.size());
}

int32_t TScenarioBuilder::AddSite(int32_t Region, const std::string& Name, int32_t Number) {
  TSiteDef site;
  site.Name = Name;
  site.Region = Region;
  site.Number = Number;
  Sites.push_back(std::move(site));
  return static_cast<int32_t>(Sites.size());
}

TSceneDef& TScenarioBuilder::AddScene(int32_t SiteHandle, int32_t Number, int32_t Kind) {
  TSceneDef scene;
  scene.Number = Number;
  scene.Kind = Kind;
  auto& scenes = Site(SiteHandle).Scenes;
  scenes.push_back(scene);
  return scenes.back();
}

int32_t TScenarioBuilder::AddHint(const std::string& Name, int32_t Number) {
  THintDef hint;
  hint.Name = Name;
  hint.Number = Number;
  HintList.push_back(std::move(hint));
  return static_cast<int32_t>(HintList.size());
}

int32_t TScenarioBuilder::AddAchievement(const std::string& Name, int32_t Number, int32_t Target) {
  TAchievementDef achievement;
  achievement.Name = Name;
  achievement.Number = Number;
  achievement.Target = Target;
  AchievementList.push_back(std::move(achievement));
  return static_cast<int32_t>(AchievementList.size());
}

std::string TScenarioBuilder::Build() const {
  // Sites in file order: region by region, in creation order within a region; sites of regions
  // that do not exist go last (and make the file invalid, as they would in any file).
  std::vector<int32_t> order;
  for (size_t r = 1; r <= RegionList.size(); ++r) {
    for (size_t s = 0; s < Sites.size(); ++s) {
      if (Sites[s].Region == static_cast<int32_t>(r)) order.push_back(static_cast<int32_t>(s + 1));
    }
  }
  for (size_t s = 0; s < Sites.size(); ++s) {
    if (Sites[s].Region < 1 || Sites[s].Region > static_cast<int32_t>(RegionList.size())) {
      order.push_back(static_cast<int32_t>(s + 1));
    }
  }
  std::vector<int32_t> position(Sites.size() + 1, 0);
  for (size_t i = 0; i < order.size(); ++i) position[static_cast<size_t>(order[i])] = static_cast<int32_t>(i + 1);
  auto site = [&](int32_t Handle) {
    return (Handle >= 1 && Handle <= static_cast<int32_t>(Sites.size())) ? position[static_cast<size_t>(Handle)]
                                                                         : Handle;
  };

  std::string out;
  for (const auto& list : Pool) {
    Int(out, static_cast<int32_t>(list.size()));
    for (const std::string& name : list) Str(out, name);
  }
  Int(out, static_cast<int32_t>(Props.size()));
  for (const TPropDef& p : Props) {
    Str(out, p.Name);
    const size_t at = out.size();
    Int(out, p.Number);
    Int(out, p.Kind);
    Byte(out, p.SingleUnit ? 1 : 0);
    Int(out, p.Picture);
    Int(out, p.Frame);
    Int(out, p.Caption);
    Int(out, p.InitialAmount);
    Sized(out, at, PropRecordSize);
  }
  Int(out, static_cast<int32_t>(RegionList.size()));
  for (const TRegionDef& r : RegionList) Str(out, r.Name);
  Int(out, static_cast<int32_t>(order.size()));
  for (int32_t handle : order) Str(out, Sites[static_cast<size_t>(handle - 1)].Name);
  Int(out, static_cast<int32_t>(HintList.size()));
  for (const THintDef& h : HintList) Str(out, h.Name);
  Int(out, static_cast<int32_t>(AchievementList.size()));
  for (const TAchievementDef& a : AchievementList) Str(out, a.Name);

  for (size_t r = 1; r <= RegionList.size(); ++r) {
    int32_t n = 0;
    for (const TSiteDef& s : Sites) n += s.Region == static_cast<int32_t>(r) ? 1 : 0;
    Int(out, n);
    for (const TSiteDef& s : Sites) {
      if (s.Region != static_cast<int32_t>(r)) continue;
      const size_t at = out.size();
      Int(out, s.Number);
      Float(out, s.X);
      Float(out, s.Y);
      Int(out, s.LayoutA);
      Int(out, s.LayoutB);
      Int(out, s.Icon);
      Int(out, s.Caption);
      Byte(out, s.HiddenUntilEntered ? 1 : 0);
      Byte(out, s.EnterOnReveal ? 1 : 0);
      Byte(out, s.KeepAfterVisit ? 1 : 0);
      Byte(out, s.MarkUntilVisited ? 1 : 0);
      Byte(out, s.Ending ? 1 : 0);
      Int(out, s.Special);
      Int(out, s.Destination);
      Int(out, s.RegionMusic);
      Int(out, site(s.NeedsRevealed));
      Int(out, site(s.NeedsEntered));
      for (int32_t v : s.NeedsVisited) Int(out, site(v));
      for (const TSlotDef& need : s.Needs) {
        Int(out, need.Prop);
        Int(out, need.Amount);
      }
      Int(out, s.RevealGroup);
      for (uint8_t b : s.RevealTiles) Byte(out, b);
      Int(out, site(s.DisappearsAfter));
      Int(out, s.Hint);
      Int(out, site(s.NextGuide));
      Int(out, static_cast<int32_t>(s.Scenes.size()));
      Sized(out, at, SiteRecordSize);
      for (const TSceneDef& c : s.Scenes) {
        const size_t sceneAt = out.size();
        Int(out, c.Number);
        Byte(out, c.Repeatable ? 1 : 0);
        Byte(out, c.LeavesSite ? 1 : 0);
        Byte(out, c.Flag3 ? 1 : 0);
        Float(out, c.DialogX);
        Float(out, c.DialogY);
        Int(out, c.Kind);
        Int(out, c.Music);
        Int(out, c.Sound);
        Int(out, c.Illustration);
        Int(out, c.IllustrationFrame);
        for (const TSlotDef& slot : c.Left) {
          Int(out, slot.Prop);
          Int(out, slot.Amount);
        }
        for (const TSlotDef& slot : c.Right) {
          Int(out, slot.Prop);
          Int(out, slot.Amount);
        }
        Int(out, c.Achievement);
        Int(out, c.AchievementAmount);
        Float(out, c.Duration);
        Int(out, c.ExecutionSound);
        Int(out, c.Effector);
        Int(out, c.ExecutionValue);
        for (int32_t g : c.Groups) Int(out, g);
        Sized(out, sceneAt, SceneRecordSize);
      }
    }
  }
  for (const TRegionDef& r : RegionList) {
    const size_t at = out.size();
    Int(out, r.Number);
    Int(out, r.Picture);
    Int(out, r.Caption);
    Int(out, r.InitialMusic);
    Byte(out, r.Flag ? 1 : 0);
    Sized(out, at, RegionRecordSize);
    for (const auto& tile : r.Tiles) {
      Int(out, tile[0]);
      Int(out, tile[1]);
    }
    Int(out, static_cast<int32_t>(r.Plots.size()));
    for (const TPlotDef& p : r.Plots) {
      const size_t plotAt = out.size();
      Int(out, p.Figure);
      Int(out, p.Group);
      Float(out, p.X);
      Float(out, p.Y);
      Int(out, p.ParamA);
      Int(out, p.ParamB);
      Int(out, p.Sound);
      Byte(out, p.ByteA);
      Byte(out, p.Layer);
      Byte(out, p.Visible ? 1 : 0);
      Byte(out, 0);
      Sized(out, plotAt, PlotRecordSize);
    }
  }
  Int(out, MenuRegion);
  Int(out, StartRegion);
  Int(out, MapRegion);
  for (const THintDef& h : HintList) {
    const size_t at = out.size();
    Int(out, h.Number);
    Int(out, h.Goal);
    Int(out, h.NeedsProp);
    Int(out, h.NeedsAmount);
    Int(out, site(h.UntilVisited));
    Int(out, site(h.AfterVisited));
    Int(out, site(h.UntilEntered));
    Int(out, h.OutsideRegion);
    for (int32_t sub : h.SubHints) Int(out, sub);
    for (int32_t amount : h.SubAmounts) Int(out, amount);
    Byte(out, h.RouteOnly ? 1 : 0);
    Byte(out, h.ShowNeed ? 1 : 0);
    Sized(out, at, HintRecordSize);
  }
  Int(out, site(GuideStart));
  for (const TAchievementDef& a : AchievementList) {
    const size_t at = out.size();
    Int(out, a.Number);
    Int(out, a.Value);
    Int(out, a.Caption);
    Byte(out, a.Hidden ? 1 : 0);
    Int(out, a.Target);
    Int(out, a.Prop);
    Int(out, a.Parent);
    Int(out, a.Prerequisite);
    Sized(out, at, AchievementRecordSize);
  }
  Int(out, NextNumber);
  return out;
}

void TScenarioBuilder::WriteTo(const std::string& Path) const {
  const std::string bytes = Build();
  TFileStream file(Path, TFileStream::Mode::Create);
  if (!file.IsOpen() || !file.Write(bytes)) throw EError("Unable to write file \"" + Path + "\"");
}

}  // namespace tv
