// "scenario graph": the story as a Graphviz graph: regions as boxes holding their sites, the
// conditions that reveal each site, the guide chain, travel between regions and closings.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "tools/ToolCommands.h"
#include "tools/ToolScenario.h"

namespace tv::tool {
namespace {

int RunGraph(const TArgs& Args);

const TToolCommand GraphCommand{
    "scenario graph", "SRC...|S0Scenario.dat -o FILE.dot",
    "draws the story as a Graphviz graph (regions, sites, reveal conditions, guide chain, travel); also writes "
    "FILE.svg when Graphviz's dot is installed",
    RunGraph};

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

std::string GraphDot(const TScenarioInput& Input) {
  const TScenarioBuilder& s = Input.Scenario;
  auto propName = [&](int32_t R) {
    if (R <= 0 || static_cast<size_t>(R) > s.Props.size()) return std::string("?");
    return Input.FromSource && static_cast<size_t>(R) <= Input.Places.Props.size() ? Input.Places.Props[static_cast<size_t>(R - 1)].Id
                                                                                 : s.Props[static_cast<size_t>(R - 1)].Name;
  };
  auto siteName = [&](size_t Handle) {
    return Input.FromSource && Handle <= Input.Places.Sites.size() ? Input.Places.Sites[Handle - 1].Id : s.Sites[Handle - 1].Name;
  };
  auto regionName = [&](size_t R) {
    return Input.FromSource && R <= Input.Places.Regions.size() ? Input.Places.Regions[R - 1].Id : s.RegionList[R - 1].Name;
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
      out += "  s" + std::to_string(From) + " -> " + me + (Label[0] != '\0' ? std::string(" [label=\"") + Label + "\"]" : "") + ";\n";
    };
    for (int32_t v : site.NeedsVisited) reveal(v, "");
    reveal(site.NeedsRevealed, "revealed");
    reveal(site.NeedsEntered, "entered");
    if (validSite(site.NextGuide)) {
      out += "  " + me + " -> s" + std::to_string(site.NextGuide) +
             " [color=\"#2a6fdb\", penwidth=2.5, constraint=false, arrowsize=0.8];\n";
    }
    if (validRegion(site.Destination)) {
      out += "  " + me + " -> r" + std::to_string(site.Destination) + " [lhead=cluster_r" + std::to_string(site.Destination) +
             ", color=\"#888888\", style=dashed, label=\"travel\"];\n";
    }
    if (site.Special == 3 && validRegion(s.MapRegion)) {
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

int RunGraph(const TArgs& Args) {
  std::vector<std::string> inputs;
  std::string output;
  for (size_t i = 0; i < Args.size(); ++i) {
    if (Args[i] == "-o") {
      if (++i >= Args.size()) return UsageError(GraphCommand, "-o needs a file name");
      output = Args[i];
    } else if (!Args[i].empty() && Args[i][0] == '-') {
      return UsageError(GraphCommand, "unknown option \"" + Args[i] + "\"");
    } else {
      inputs.push_back(Args[i]);
    }
  }
  if (inputs.empty()) return UsageError(GraphCommand, "name the scenario's source files or its scenario file");
  if (output.empty()) return UsageError(GraphCommand, "name the output with -o FILE.dot");
  const TScenarioInput input = LoadScenarioInput(inputs);
  PrintDiagnostics(input.Diagnostics);
  if (!input.Ok) {
    std::fprintf(stderr, "tolvaren-tool scenario graph: the scenario cannot be read\n");
    return 1;
  }
  std::string why;
  if (!WriteFileReplacing(output, GraphDot(input), why)) {
    std::fprintf(stderr, "tolvaren-tool scenario graph: %s\n", why.c_str());
    return 1;
  }
  // A picture as well, when Graphviz is there to draw it.
  if (std::system("command -v dot >/dev/null 2>&1") == 0) {
    const std::string svg = std::filesystem::path(output).replace_extension(".svg").string();
    auto quote = [](const std::string& Path) {
      std::string q = "'";
      for (const char c : Path) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
      return q + "'";
    };
    if (std::system(("dot -Tsvg " + quote(output) + " -o " + quote(svg)).c_str()) != 0) {
      std::fprintf(stderr, "tolvaren-tool scenario graph: dot could not draw %s\n", output.c_str());
      return 1;
    }
  }
  return 0;
}

TV_TOOL_COMMAND(GraphCommand);

}  // namespace
}  // namespace tv::tool
