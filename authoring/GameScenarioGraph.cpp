#include "authoring/GameScenarioGraph.h"

#include <set>

#include "game/GameSite.h"

namespace tv {

namespace {

std::string Escape(const std::string& Text) {
  std::string out;
  for (const char c : Text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

std::string ScenarioGraphDot(const TScenarioBuilder& Scenario, const TScenarioSourceMap* Places) {
  const TScenarioBuilder& s = Scenario;
  auto propName = [&](int32_t R) {
    if (R <= 0 || static_cast<size_t>(R) > s.Props.size()) return std::string("?");
    return Places != nullptr && static_cast<size_t>(R) <= Places->Props.size()
               ? Places->Props[static_cast<size_t>(R - 1)].Id
               : s.Props[static_cast<size_t>(R - 1)].Name;
  };
  auto siteName = [&](size_t Handle) {
    return Places != nullptr && Handle <= Places->Sites.size() ? Places->Sites[Handle - 1].Id
                                                               : s.Sites[Handle - 1].Name;
  };
  auto regionName = [&](size_t R) {
    return Places != nullptr && R <= Places->Regions.size() ? Places->Regions[R - 1].Id : s.RegionList[R - 1].Name;
  };
  auto validSite = [&](int32_t H) { return H > 0 && static_cast<size_t>(H) <= s.Sites.size(); };
  auto validRegion = [&](int32_t R) { return R > 0 && static_cast<size_t>(R) <= s.RegionList.size(); };

  std::string out =
      "digraph scenario {\n"
      "  graph [rankdir=LR, compound=true, fontname=\"Helvetica\", fontsize=18, newrank=true,\n"
      "         label=\"black: revealed after   blue, bold: guide chain   grey, dashed: travel   red, dotted: "
      "closes\\ndouble border: ending   bold border: enters on reveal   dashed border: hidden until entered\", "
      "labelloc=b];\n"
      "  node [fontname=\"Helvetica\", fontsize=11, shape=box, style=\"rounded,filled\", fillcolor=\"#ffffff\"];\n"
      "  edge [fontname=\"Helvetica\", fontsize=9];\n";
  for (size_t r = 1; r <= s.RegionList.size(); ++r) {
    const TRegionDef& region = s.RegionList[r - 1];
    std::string roles;
    if (static_cast<int32_t>(r) == s.StartRegion) roles += ", start";
    if (static_cast<int32_t>(r) == s.MapRegion) roles += ", map";
    if (static_cast<int32_t>(r) == s.MenuRegion) roles += ", menu";
    out += "  subgraph cluster_r" + std::to_string(r) + " {\n    label=\"" + Escape(regionName(r)) + " (" +
           std::to_string(region.Number) + roles + ")\"; style=\"rounded,filled\"; fillcolor=\"" +
           (static_cast<int32_t>(r) == s.StartRegion ? "#e3f0d8" : "#eef2f8") + "\"; fontsize=16;\n";
    out += "    r" + std::to_string(r) + " [shape=point, style=invis, width=0];\n";
    for (size_t h = 1; h <= s.Sites.size(); ++h) {
      const TSiteDef& site = s.Sites[h - 1];
      if (site.Region != static_cast<int32_t>(r)) continue;
      std::string label = siteName(h) + " (" + std::to_string(site.Number) + ")";
      std::string details;
      for (const TSlotDef& need : site.Needs) {
        if (need.Prop > 0) details += "\nneeds " + std::to_string(need.Amount) + " " + propName(need.Prop);
      }
      if (site.Special != 0) {
        const char* name = SpecialCodeName(site.Special);
        details += "\n" + (*name != '\0' ? std::string(name) : "special " + std::to_string(site.Special));
      }
      if (site.RegionMusic > 0) details += "\nchanges the music";
      details += "\n" + std::to_string(site.Scenes.size()) + " scene" + (site.Scenes.size() == 1 ? "" : "s");
      std::string style = "rounded,filled";
      if (site.HiddenUntilEntered) style += ",dashed";
      if (site.EnterOnReveal) style += ",bold";
      out += "    s" + std::to_string(h) + " [label=\"" + Escape(label + details) + "\", style=\"" + style + "\"" +
             (site.Ending ? ", peripheries=2, fillcolor=\"#ffe9a8\"" : "") +
             (static_cast<int32_t>(h) == s.GuideStart ? ", color=\"#2a6fdb\"" : "") + "];\n";
    }
    out += "  }\n";
  }
  for (size_t h = 1; h <= s.Sites.size(); ++h) {
    const TSiteDef& site = s.Sites[h - 1];
    const std::string me = "s" + std::to_string(h);
    std::set<int32_t> drawn;
    auto reveal = [&](int32_t From, const char* Label) {
      if (!validSite(From) || !drawn.insert(From).second) return;
      out += "  s" + std::to_string(From) + " -> " + me +
             (Label[0] != '\0' ? std::string(" [label=\"") + Label + "\"]" : "") + ";\n";
    };
    for (int32_t v : site.NeedsVisited) reveal(v, "");
    reveal(site.NeedsRevealed, "revealed");
    reveal(site.NeedsEntered, "entered");
    if (validSite(site.NextGuide)) {
      out += "  " + me + " -> s" + std::to_string(site.NextGuide) +
             " [color=\"#2a6fdb\", penwidth=2.5, constraint=false, arrowsize=0.8];\n";
    }
    if (validRegion(site.Destination)) {
      out += "  " + me + " -> r" + std::to_string(site.Destination) + " [lhead=cluster_r" +
             std::to_string(site.Destination) + ", color=\"#888888\", style=dashed, label=\"travel\"];\n";
    }
    if (site.Special == SpecialUnlockMap && validRegion(s.MapRegion)) {
      out += "  " + me + " -> r" + std::to_string(s.MapRegion) + " [lhead=cluster_r" + std::to_string(s.MapRegion) +
             ", color=\"#888888\", style=dashed, label=\"opens the map\"];\n";
    }
    if (validSite(site.DisappearsAfter)) {
      out += "  s" + std::to_string(site.DisappearsAfter) + " -> " + me +
             " [color=\"#c0392b\", style=dotted, constraint=false, label=\"closes\"];\n";
    }
  }
  return out + "}\n";
}

}  // namespace tv
