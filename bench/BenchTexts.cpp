// Text layout: a 300-character wrapped paragraph set and laid out every frame, with the heap
// allocations it makes counted (there should be none once the caches are warm).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/AppFolders.h"
#include "engine/EngineTexts.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "platform/PlatformSystem.h"

#include "BenchAllocations.h"

namespace tv {
namespace {

// Segment sizes like the baked fonts': 48-pixel cells, glyphs 14 to 30 pixels wide.
std::vector<TVector> Glyphs() {
  std::vector<TVector> g(256);
  for (int c = 0; c < 256; ++c) g[static_cast<size_t>(c)] = {static_cast<float>(14 + (c * 7) % 17), 48};
  g[32] = {15, 48};
  g[8] = {11, 48};
  return g;
}

// Two different paragraphs of 300 bytes, so that every SetText lays out afresh.
std::string Paragraph(char Salt) {
  const std::string words[] = {"the",     "caravan", "reached", "a",   "quiet", "harbour", "where",
                               "traders", "weighed", "amber",   "and", "salt",  "before",  "dawn"};
  std::string text;
  for (size_t i = 0; text.size() < 300; ++i) {
    if (!text.empty()) text += (i % 23 == 0) ? "\n" : " ";
    text += words[(i * 5 + static_cast<size_t>(Salt)) % 14];
  }
  text.resize(300);
  text[0] = Salt;
  return text;
}

struct TBenchTexts {
  TBenchTexts() {
    const std::vector<TVector> g = Glyphs();
    const std::vector<TVector> icons(16, TVector{48, 48});
    TextsStartupFromSegments(g, g, icons);
  }
  ~TBenchTexts() { TextsShutdown(); }
};

// Sets two paragraphs into Text in turn, one a frame, and lays them out, calling Frame after each
// layout. The counters give the heap allocations, which must be none once warm, and the time a
// layout takes.
template <typename TFrame>
void SetParagraphsEveryFrame(benchmark::State& State, TText* Text, TFrame Frame) {
  const std::string texts[2] = {Paragraph('A'), Paragraph('B')};
  // Warm up: the text's characters and string reach their full size.
  Text->SetText(texts[0]);
  Text->SetText(texts[1]);
  int64_t frames = 0;
  const int64_t before = gAllocations.load();
  for (auto _ : State) {
    Text->SetText(texts[frames & 1]);
    UpdateTexts();
    Frame();
    ++frames;
  }
  const int64_t allocations = gAllocations.load() - before;
  State.counters["allocations"] = static_cast<double>(allocations);
  State.counters["us_per_layout"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                         benchmark::Counter::kIs1000);
  if (allocations != 0) State.SkipWithError("heap allocations once warm");
}

void BM_SetWrappedParagraph(benchmark::State& State) {
  TBenchTexts module;
  TText* text = nullptr;
  CreateText(text, nullptr, 0, {560, 400}, 3, WordWrap | AlignLeft | AlignTop);
  SetParagraphsEveryFrame(State, text, [text] { benchmark::DoNotOptimize(text->CaretPosition(300)); });
  State.counters["lines"] = text->LineCount();
  FreeText(text);
}
BENCHMARK(BM_SetWrappedParagraph)->Unit(benchmark::kMicrosecond);

// The same with real sprites: the fonts are textures of the memory video device, every character
// a sprite on the main canvas.
struct TBenchVideo {
  TBenchVideo() {
    char pattern[] = "/tmp/tolvaren-bench-XXXXXX";
    Dir = mkdtemp(pattern);
    MakeDirectory(Dir + "/Ordinary");
    MakeDirectory(Dir + "/Languages");
    MakeDirectory(Dir + "/Languages/English");
    std::string segments = "SEGMENTS 256\n";
    const std::vector<TVector> g = Glyphs();
    for (int c = 0; c < 256; ++c) {
      segments += "SEGMENT " + std::to_string(c) + " 0 0 " +
                  std::to_string(static_cast<int>(g[static_cast<size_t>(c)].X)) + " 48\n";
    }
    TImage picture;
    picture.Width = 64;
    picture.Height = 48;
    picture.Format = TPixelFormat::A8L8;
    picture.Pitch = 128;
    picture.Bytes.assign(128 * 48, 0xFF);
    for (const char* name : {"T2FontDefault", "T2FontCustom", "T2IconsCustom"}) {
      Write(Dir + "/Ordinary/" + name + ".tpx", EncodePackedTexture({picture}, 0, {}));
      Write(Dir + "/Ordinary/" + name + ".tsg", segments);
    }
    InitFoldersFrom(Dir + "/tolvaren");
    SetVideoOptions({TGfxBackend::Memory, 1600, 900});
    VideoStartup();
    TextsStartup();
  }
  ~TBenchVideo() {
    TextsShutdown();
    VideoShutdown();
    DoneFolders();
    SetVideoOptions({});
    for (const char* name : {"T2FontDefault", "T2FontCustom", "T2IconsCustom"}) {
      DeleteFilePath(Dir + "/Ordinary/" + name + ".tpx");
      DeleteFilePath(Dir + "/Ordinary/" + name + ".tsg");
    }
    for (const char* sub : {"/Languages/English", "/Languages", "/Ordinary", ""}) std::remove((Dir + sub).c_str());
  }
  static void Write(const std::string& Path, const std::string& Bytes) {
    TFileStream file(Path, TFileStream::Mode::Create);
    file.Write(Bytes);
  }
  std::string Dir;
};

void BM_SetWrappedParagraphSprites(benchmark::State& State) {
  TBenchVideo video;
  TText* text = nullptr;
  CreateText(text, MainCanvas(), 0, {560, 400}, 3, WordWrap | AlignLeft | AlignTop);
  SetParagraphsEveryFrame(State, text, [] {});
  FreeText(text);
}
BENCHMARK(BM_SetWrappedParagraphSprites)->Unit(benchmark::kMicrosecond);

void BM_MeasureWrappedParagraph(benchmark::State& State) {
  TBenchTexts module;
  const std::string text = Paragraph('A');
  const int64_t before = gAllocations.load();
  for (auto _ : State) {
    TVector size;
    int32_t lines = 0;
    MeasureText(text, 3, 560, size, lines);
    benchmark::DoNotOptimize(size);
  }
  State.counters["allocations"] = static_cast<double>(gAllocations.load() - before);
}
BENCHMARK(BM_MeasureWrappedParagraph)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tv

BENCHMARK_MAIN();
