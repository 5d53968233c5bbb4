// Text layout: a 300-character wrapped paragraph set and laid out every frame, with the heap
// allocations it makes counted (there should be none once the caches are warm).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "base/AppFolders.h"
#include "engine/EngineTexts.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "platform/PlatformSystem.h"

namespace {

std::atomic<int64_t> Allocations{0};

}  // namespace

// The replacements pair malloc with free; GCC's check cannot see through the replaced operators.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t Size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(Size == 0 ? 1 : Size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
#pragma GCC diagnostic pop

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

void BM_SetWrappedParagraph(benchmark::State& State) {
  TBenchTexts module;
  const std::string texts[2] = {Paragraph('A'), Paragraph('B')};
  TText* text = nullptr;
  CreateText(text, nullptr, 0, {560, 400}, 3, WordWrap | AlignLeft | AlignTop);
  // Warm up: the text's characters and string reach their full size.
  text->SetText(texts[0]);
  text->SetText(texts[1]);
  int64_t frames = 0;
  const int64_t before = Allocations.load();
  for (auto _ : State) {
    text->SetText(texts[frames & 1]);
    UpdateTexts();
    benchmark::DoNotOptimize(text->CaretPosition(300));
    ++frames;
  }
  const int64_t allocations = Allocations.load() - before;
  State.counters["allocations"] = static_cast<double>(allocations);
  State.counters["lines"] = text->LineCount();
  State.counters["us_per_layout"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                         benchmark::Counter::kIs1000);
  if (allocations != 0) State.SkipWithError("heap allocations once warm");
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
  const std::string texts[2] = {Paragraph('A'), Paragraph('B')};
  TText* text = nullptr;
  CreateText(text, MainCanvas(), 0, {560, 400}, 3, WordWrap | AlignLeft | AlignTop);
  text->SetText(texts[0]);
  text->SetText(texts[1]);
  int64_t frames = 0;
  const int64_t before = Allocations.load();
  for (auto _ : State) {
    text->SetText(texts[frames & 1]);
    UpdateTexts();
    ++frames;
  }
  const int64_t allocations = Allocations.load() - before;
  State.counters["allocations"] = static_cast<double>(allocations);
  State.counters["us_per_layout"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                         benchmark::Counter::kIs1000);
  if (allocations != 0) State.SkipWithError("heap allocations once warm");
  FreeText(text);
}
BENCHMARK(BM_SetWrappedParagraphSprites)->Unit(benchmark::kMicrosecond);

void BM_MeasureWrappedParagraph(benchmark::State& State) {
  TBenchTexts module;
  const std::string text = Paragraph('A');
  const int64_t before = Allocations.load();
  for (auto _ : State) {
    TVector size;
    int32_t lines = 0;
    MeasureText(text, 3, 560, size, lines);
    benchmark::DoNotOptimize(size);
  }
  State.counters["allocations"] = static_cast<double>(Allocations.load() - before);
}
BENCHMARK(BM_MeasureWrappedParagraph)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tv

BENCHMARK_MAIN();
