// The scenario file as plain records: what the scenario compiler produces, what tests build in a
// few readable lines, and what the decompiler reads back. Build() lays the records out exactly as
// the game reads them (game/GameScenarioRecords.h holds the records and the one reader of the
// file, which does not judge them: the loader and the linter judge).
//
// References are 1-based as in the file: assets by their position in their pool list (Asset()
// adds a name once and returns its position), props, regions, hints and achievements by their
// position of creation, sites by their handle (the order of AddSite). Build() writes sites region
// by region, so a site's position in the file may differ from its handle; references to sites are
// translated. Any reference beyond what was created is written unchanged, which lets tests write
// broken files on purpose. 0 means none.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "game/GameScenarioRecords.h"

namespace tv {

// The authoring tools' names for the pool's classes and the map's sizes.
using TPoolClass = TAssetClass;
constexpr int PoolClassCount = AssetClassCount;
constexpr int MapTiles = MapTileCount;  // 195
constexpr int RevealTileBytes = RevealTilesSize;

class TScenarioBuilder : public TScenarioRecords {
 public:
  TScenarioBuilder() = default;
  // The records of a file read back (ReadScenarioRecords), to edit or to write again.
  TScenarioBuilder(TScenarioRecords Records)  // implicit: a file read back is a builder
      : TScenarioRecords(std::move(Records)) {}

  // The position of Name in its pool list, added at the end when missing.
  int32_t Asset(TPoolClass Class, const std::string& Name);

  // Each Add returns the new object's reference; the Def accessors stay valid for the builder's life.
  int32_t AddProp(const std::string& Name, int32_t Kind = 0, int32_t InitialAmount = 0);
  int32_t AddRegion(const std::string& Name, int32_t Number);
  int32_t AddSite(int32_t Region, const std::string& Name, int32_t Number);
  TSceneDef& AddScene(int32_t Site, int32_t Number, int32_t Kind);
  int32_t AddHint(const std::string& Name, int32_t Number);
  int32_t AddAchievement(const std::string& Name, int32_t Number, int32_t Target);

  TPropDef& Prop(int32_t Ref) { return Props.at(static_cast<size_t>(Ref - 1)); }
  TRegionDef& Region(int32_t Ref) { return RegionList.at(static_cast<size_t>(Ref - 1)); }
  TSiteDef& Site(int32_t Handle) { return Sites.at(static_cast<size_t>(Handle - 1)); }
  THintDef& Hint(int32_t Ref) { return HintList.at(static_cast<size_t>(Ref - 1)); }
  TAchievementDef& Achievement(int32_t Ref) { return AchievementList.at(static_cast<size_t>(Ref - 1)); }

  // The file's bytes.
  std::string Build() const;
  // Writes the bytes to Path; fails with EError naming the path.
  void WriteTo(const std::string& Path) const;
};

// ReadScenarioRecords (game/GameScenarioRecords.h) reads a file back into records whose site
// handles are the sites' positions in the file: Build() of the result gives the same bytes back,
// apart from bytes the game never reads (anything after NextNumber, the unused byte of each plot
// record, and Boolean bytes other than 0 and 1, which come back as 1; the reader's notes list them).

// The names of the pool classes as the file lists them: "picture", "effector", "sound", "terrain",
// "water", "figure", "caption", "group".
inline const char* PoolClassName(TPoolClass Class) { return AssetClassName(Class); }

}  // namespace tv
