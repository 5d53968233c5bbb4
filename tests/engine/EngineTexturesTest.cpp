// Textures on the memory device: the file search, packed textures with frames, PNG and JPEG
// pictures, uploads with padding and format widening, segments files and their name rules,
// render targets, and what damaged files turn into.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <zlib.h>

#include <cstring>

#include "support/VideoTestSupport.h"

namespace tv {
namespace {

using test::SolidPicture;
using test::TVideoTestEnv;
using test::WriteFile;
using test::WritePacked;

// Pixel (X, Y) of a texture read back from the memory device, as 0xAARRGGBB.
uint32_t TexelArgb(TTexture* Texture, int32_t X, int32_t Y) {
  const std::vector<uint8_t> bytes = GfxReadTexture(Texture->DeviceTexture.get());
  const size_t i = (static_cast<size_t>(Y) * static_cast<size_t>(Texture->TextureSize.X) + static_cast<size_t>(X)) * 4;
  return static_cast<uint32_t>(bytes[i + 3]) << 24 | static_cast<uint32_t>(bytes[i + 2]) << 16 |
         static_cast<uint32_t>(bytes[i + 1]) << 8 | bytes[i];
}

void WriteRgbaPng(const std::string& Path, int32_t W, int32_t H, const std::vector<uint8_t>& Rgba) {
  ASSERT_TRUE(WritePngRgba(Path, W, H, Rgba));
}

std::string JpegBytes(int32_t W, int32_t H, uint8_t Grey) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(W);
  info.image_height = static_cast<JDIMENSION>(H);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(W) * 3, Grey);
  while (info.next_scanline < info.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  std::string bytes(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return bytes;
}

TEST(Curves, EdgeCasesOfTheNotation) {
  EXPECT_FLOAT_EQ(EvalCurve("", 0.3f), 0.3f);
  EXPECT_FLOAT_EQ(EvalCurve("0-1-1-0", 0.5f), 1.0f);
  EXPECT_NEAR(EvalCurve("0-1-1-0", 0.9f), 0.3f, 1e-5f);
  EXPECT_FLOAT_EQ(EvalCurve("0|1", 0.5f), 0.0f);
  EXPECT_FLOAT_EQ(EvalCurve("0|1", 0.6f), 1.0f);
  EXPECT_FLOAT_EQ(EvalCurve("0-5", 1.0f), 0.5f);
  EXPECT_FLOAT_EQ(EvalCurve("-5", 0.5f), 0.25f);
  EXPECT_EQ(FrameIndex(3, 0.1f), 0);
  EXPECT_EQ(FrameIndex(3, 0.5f), 2);
  EXPECT_EQ(FrameIndex(3, 1.0f), 3);
}

TEST(Textures, SearchOrderAcrossTheDataFolders) {
  TVideoTestEnv env;
  // The common folder's packed file beats its PNG and the language folder's files.
  WritePacked(env.Ordinary("G2Both.tpx"), {SolidPicture(2, 2, 0xFF00FF00)});
  WriteRgbaPng(env.Ordinary("G2Both.png"), 4, 4, std::vector<uint8_t>(64, 255));
  WriteRgbaPng(env.Language("G2Both.png"), 8, 8, std::vector<uint8_t>(256, 255));
  WriteRgbaPng(env.Language("G2Lang.png"), 3, 3, std::vector<uint8_t>(36, 255));
  WriteFile(env.Branding("G2Brand.jpg"), JpegBytes(5, 5, 200));
  WriteRgbaPng(env.Branding("G2Brand.png"), 6, 6, std::vector<uint8_t>(144, 255));
  // A branding picture has no segments file, even when one lies beside it.
  WriteFile(env.Branding("G2Brand.tsg"), "SEGMENTS 4");
  // A packed branding picture (the splash shows those too) loads when no JPEG or PNG shadows it.
  WritePacked(env.Branding("G2Brand.tpx"), {SolidPicture(7, 7, 0xFF0000FF)});
  WritePacked(env.Branding("G2Packed.tpx"), {SolidPicture(9, 9, 0xFF0000FF)});

  EXPECT_EQ(SegmentSize(LoadTexture("G2Both"), 0).X, 2);
  EXPECT_EQ(SegmentSize(LoadTexture("G2Lang"), 0).X, 3);
  TTexture* brand = LoadTexture("G2Brand");
  EXPECT_EQ(SegmentSize(brand, 0).X, 5);
  EXPECT_EQ(brand->SegmentCount(), 1);
  // JPEG pixels are opaque.
  EXPECT_EQ(TexelArgb(brand, 2, 2) >> 24, 0xFFu);
  EXPECT_NEAR(static_cast<int>(TexelArgb(brand, 2, 2) & 0xFF), 200, 2);
  TTexture* packed = LoadTexture("G2Packed");
  EXPECT_TRUE(packed->DeviceTexture);
  EXPECT_EQ(SegmentSize(packed, 0).X, 9);
  EXPECT_TRUE(env.Warnings().empty());
  // Cached by exact name; the same name returns the same texture.
  EXPECT_EQ(LoadTexture("G2Both"), LoadTexture("G2Both"));
  EXPECT_EQ(TextureCache()->GetCount(), 4);
}

// The live reload: the cached texture object takes the new picture and the new segments file,
// the one of a changed segments file too; a picture that no longer loads keeps the old one.
TEST(Textures, ReloadReplacesThePictureInPlaceAndAFailureKeepsIt) {
  TVideoTestEnv env;
  WritePacked(env.Ordinary("G2Unknown.tpx"), {SolidPicture(16, 8, 0xFFFF00FF)});
  WriteRgbaPng(env.Ordinary("G2Pic.png"), 4, 4, std::vector<uint8_t>(64, 255));
  TTexture* texture = LoadTexture("G2Pic");
  EXPECT_EQ(SegmentSize(texture, 0).X, 4);
  std::vector<uint8_t> red(8 * 8 * 4, 0);
  for (size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
  WriteRgbaPng(env.Ordinary("G2Pic.png"), 8, 8, red);
  std::string error;
  EXPECT_EQ(ReloadTextures("G2Pic", error), std::vector<std::string>{"G2Pic"}) << error;
  EXPECT_EQ(LoadTexture("G2Pic"), texture);
  EXPECT_EQ(SegmentSize(texture, 0).X, 8);
  EXPECT_EQ(TexelArgb(texture, 1, 1), 0xFFFF0000u);
  WriteFile(env.Ordinary("G2Pic.tsg"), "SEGMENTS 2");
  EXPECT_EQ(ReloadTextures("G2Pic", error).size(), 1u);
  EXPECT_EQ(texture->SegmentCount(), 2);

  WriteFile(env.Ordinary("G2Pic.png"), "not a picture");
  error.clear();
  EXPECT_TRUE(ReloadTextures("G2Pic", error).empty());
  EXPECT_NE(error.find("G2Pic"), std::string::npos);
  EXPECT_EQ(SegmentSize(texture, 0).X, 8);
  EXPECT_EQ(TexelArgb(texture, 1, 1), 0xFFFF0000u);
  EXPECT_TRUE(ReloadTextures("G2NeverLoaded", error).empty());
}

TEST(Textures, MissingNameShowsThePlaceholderAndWarnsOnce) {
  TVideoTestEnv env;
  WritePacked(env.Ordinary("G2Unknown.tpx"), {SolidPicture(16, 8, 0xFFFF00FF)});
  TTexture* missing = LoadTexture("G2NotThere");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->Name, "G2NotThere");
  EXPECT_EQ(SegmentSize(missing, 0).X, 16);
  EXPECT_TRUE(missing->DeviceTexture);
  EXPECT_EQ(LoadTexture("G2NotThere"), missing);
  ASSERT_EQ(env.Warnings().size(), 1u);
  EXPECT_EQ(env.Warnings()[0], "Failed to create texture \"G2NotThere\" (Missing file)");
  // A name that is a path is never looked up outside the data folders.
  LoadTexture("../Ordinary/G2Unknown");
  EXPECT_EQ(env.Warnings().size(), 2u);
}

TEST(Textures, PackedFramesAnimationAndSharedSegments) {
  TVideoTestEnv env;
  WritePacked(env.Ordinary("G2Anim.tpx"),
              {SolidPicture(4, 4, 0xFF000001), SolidPicture(4, 4, 0xFF000002), SolidPicture(2, 2, 0xFF000003),
               SolidPicture(4, 4, 0xFF000004)},
              12.5f, "0-1");
  WriteFile(env.Ordinary("G2Anim.tsg"), "SEGMENTS 2\nSEGMENT 1 0 0 2 2\n");
  auto* texture = static_cast<TBaseImageTexture*>(LoadTexture("G2Anim"));
  EXPECT_EQ(texture->FrameCount(), 4);
  EXPECT_FLOAT_EQ(texture->FrameRate(), 12.5f);
  EXPECT_EQ(texture->FrameCurve(), "0-1");
  EXPECT_EQ(texture->FrameAt(0.0f), texture);
  auto* second = static_cast<TFrameImageTexture*>(texture->FrameAt(0.3f));
  auto* odd = static_cast<TFrameImageTexture*>(texture->Frames->GetItem(2));
  auto* last = static_cast<TFrameImageTexture*>(texture->FrameAt(1.0f));
  EXPECT_EQ(second, texture->Frames->GetItem(1));
  EXPECT_EQ(last, texture->Frames->GetItem(3));
  EXPECT_EQ(TexelArgb(last, 0, 0), 0xFF000004u);
  // Frames of the first frame's size share its segments, parsed after them; others have their own.
  EXPECT_TRUE(second->SameSize);
  EXPECT_EQ(second->Segments, texture->Segments);
  EXPECT_EQ(texture->SegmentCount(), 2);
  EXPECT_FALSE(odd->SameSize);
  EXPECT_EQ(odd->SegmentCount(), 1);
  EXPECT_EQ(odd->FrameCount(), 4);
  EXPECT_EQ(odd->FrameAt(1.0f), last);
  EXPECT_TRUE(env.Warnings().empty());
}

TEST(Textures, DamagedPackedFilesWarnAndLeaveAnEmptyTexture) {
  TVideoTestEnv env;
  const std::string good = EncodePackedTexture({SolidPicture(2, 2, 0xFFFFFFFF)}, 0, {});
  auto setInt = [](std::string Bytes, size_t At, int32_t Value) {
    std::memcpy(Bytes.data() + At, &Value, 4);
    return Bytes;
  };
  struct TCase {
    const char* Name;
    std::string Bytes;
  };
  const TCase cases[] = {
      {"G2SizeMismatch", setInt(good, 0, 25)},
      {"G2NegativePitch", setInt(good, 28, -8)},
      {"G2ShortPitch", setInt(good, 28, 4)},
      {"G2Truncated", good.substr(0, good.size() - 3)},
      {"G2Huge", setInt(setInt(good, 12, 100000), 16, 100000)},
      {"G2NegativeChunk", setInt(good, 0, -1)},
      {"G2UnknownFormat", setInt(good, 20, 77)},
      {"G2Empty", ""},
      {"G2OnlyOtherChunks", setInt(setInt(std::string(12, '\0'), 0, 4), 4, 5)},
  };
  for (const TCase& c : cases) {
    WriteFile(env.Ordinary(std::string(c.Name) + ".tpx"), c.Bytes);
    TTexture* texture = LoadTexture(c.Name);
    SCOPED_TRACE(c.Name);
    EXPECT_FALSE(texture->DeviceTexture);
    EXPECT_EQ(texture->TextureSize.X, 1);
    EXPECT_EQ(texture->SegmentCount(), 1);
    EXPECT_EQ(texture->FrameCount(), 1);
    ASSERT_FALSE(env.Warnings().empty());
    EXPECT_EQ(env.Warnings().back().rfind(std::string("Failed to create texture \"") + c.Name + "\" (", 0), 0u);
  }
  EXPECT_EQ(env.Warnings().size(), std::size(cases));
  // An unknown chunk type is skipped by its size; an animation chunk's size must match too.
  std::string skipped = setInt(setInt(std::string(12, '\0'), 0, 4), 4, 5) + good;
  WriteFile(env.Ordinary("G2Skipped.tpx"), skipped);
  EXPECT_TRUE(LoadTexture("G2Skipped")->DeviceTexture);
  std::string animation = EncodePackedTexture({SolidPicture(2, 2, 0xFFFFFFFF)}, 1, "01");
  WriteFile(env.Ordinary("G2BadAnim.tpx"), setInt(animation, good.size(), 9));
  EXPECT_FALSE(LoadTexture("G2BadAnim")->DeviceTexture);
  EXPECT_EQ(env.Warnings().size(), std::size(cases) + 1);
}

TEST(Textures, PngColoursArePremultipliedByAlphaOver256) {
  TVideoTestEnv env;
  // RGBA pixels: alpha 0, 255, 128 and 1.
  WriteRgbaPng(env.Ordinary("G2Alpha.png"), 4, 1,
               {200, 100, 50, 0, 200, 100, 50, 255, 200, 100, 50, 128, 255, 255, 255, 1});
  TTexture* t = LoadTexture("G2Alpha");
  EXPECT_EQ(TexelArgb(t, 0, 0), 0x00000000u);
  EXPECT_EQ(TexelArgb(t, 1, 0), 0xFFC86432u);
  EXPECT_EQ(TexelArgb(t, 2, 0), 0x80643219u);  // 200*128/256 = 100, 100*128/256 = 50, 50*128/256 = 25
  EXPECT_EQ(TexelArgb(t, 3, 0), 0x01000000u);  // 255*1/256 = 0
}

TEST(Textures, DamagedPicturesWarnWithoutAllocatingTheirClaims) {
  TVideoTestEnv env;
  WriteRgbaPng(env.Ordinary("G2Whole.png"), 16, 16, std::vector<uint8_t>(1024, 77));
  const std::string whole = test::ReadFile(env.Ordinary("G2Whole.png"));
  WriteFile(env.Ordinary("G2Cut.png"), whole.substr(0, whole.size() / 2));
  // A header claiming 100000 x 100000 pixels (the checksum of the header chunk fixed up).
  std::string bomb = whole;
  const uint32_t side = 100000;
  for (int i = 0; i < 4; ++i) {
    bomb[16 + static_cast<size_t>(i)] = static_cast<char>(side >> (24 - 8 * i));
    bomb[20 + static_cast<size_t>(i)] = static_cast<char>(side >> (24 - 8 * i));
  }
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bomb.data() + 12), 17);
  for (int i = 0; i < 4; ++i) bomb[29 + static_cast<size_t>(i)] = static_cast<char>(crc >> (24 - 8 * i));
  WriteFile(env.Ordinary("G2Bomb.png"), bomb);
  WriteFile(env.Ordinary("G2Garbage.png"), "not a picture at all");
  const std::string jpeg = JpegBytes(8, 8, 10);
  WriteFile(env.Branding("G2CutJpeg.jpg"), jpeg.substr(0, 40));
  // Cut in its picture data: the decoder would fill the rest with grey, so it fails instead.
  WriteFile(env.Branding("G2CutScan.jpg"), jpeg.substr(0, jpeg.size() - 4));

  for (const char* name : {"G2Cut", "G2Bomb", "G2Garbage", "G2CutJpeg", "G2CutScan"}) {
    SCOPED_TRACE(name);
    TTexture* t = LoadTexture(name);
    EXPECT_FALSE(t->DeviceTexture);
    EXPECT_EQ(t->SegmentCount(), 1);
  }
  ASSERT_EQ(env.Warnings().size(), 5u);
  EXPECT_NE(env.Warnings()[1].find("100000"), std::string::npos);
  EXPECT_NE(env.Warnings()[4].find("Premature end of JPEG file"), std::string::npos) << env.Warnings()[4];
  EXPECT_TRUE(LoadTexture("G2Whole")->DeviceTexture);
}

TEST(Textures, PowerOfTwoPaddingCopiesTheLastColumnAndRow) {
  TVideoTestEnv env(1600, 900, TGfxBackend::Memory, false);
  GfxSwitches().NonPow2 = 0;
  VideoStartup();
  ASSERT_FALSE(NonPow2Supported());
  std::vector<uint8_t> rgba(300 * 200 * 4);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      uint8_t* p = &rgba[(static_cast<size_t>(y) * 300 + static_cast<size_t>(x)) * 4];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(x + y);
      p[3] = 255;
    }
  }
  WriteRgbaPng(env.Ordinary("G2Wide.png"), 300, 200, rgba);
  TTexture* t = LoadTexture("G2Wide");
  EXPECT_EQ(t->TextureSize.X, 512);
  EXPECT_EQ(t->TextureSize.Y, 256);
  EXPECT_FLOAT_EQ(t->SegmentAt(0)->UVScale.X, 300.0f / 512.0f);
  EXPECT_FLOAT_EQ(t->SegmentAt(0)->UVScale.Y, 200.0f / 256.0f);
  EXPECT_EQ(SegmentSize(t, 0).X, 300);
  for (int y : {0, 57, 199}) EXPECT_EQ(TexelArgb(t, 300, y), TexelArgb(t, 299, y)) << y;
  for (int x : {0, 123, 299, 300}) EXPECT_EQ(TexelArgb(t, x, 200), TexelArgb(t, x, 199)) << x;
  EXPECT_EQ(TexelArgb(t, 301, 0), 0u);
  EXPECT_EQ(TexelArgb(t, 0, 201), 0u);
}

TEST(Textures, FormatsTheDeviceLacksAreWidened) {
  struct TCase {
    int A8, L8, A8L8;
    TPixelFormat From;
    TPixelFormat Expected;
    uint32_t Argb;  // of a source byte pattern (A8: 0x40, L8: 0x40, A8L8: L 0x40, A 0x80)
  };
  const TCase cases[] = {
      {1, 1, 1, TPixelFormat::A8, TPixelFormat::A8, 0},
      {0, 1, 1, TPixelFormat::A8, TPixelFormat::A8L8, 0},
      {0, 1, 0, TPixelFormat::A8, TPixelFormat::A8R8G8B8, 0x40FFFFFF},
      {1, 0, 1, TPixelFormat::L8, TPixelFormat::A8L8, 0},
      {1, 0, 0, TPixelFormat::L8, TPixelFormat::A8R8G8B8, 0xFF404040},
      {1, 1, 0, TPixelFormat::A8L8, TPixelFormat::A8R8G8B8, 0x80404040},
  };
  for (const TCase& c : cases) {
    TVideoTestEnv env(1600, 900, TGfxBackend::Memory, false);
    GfxSwitches().A8 = c.A8;
    GfxSwitches().L8 = c.L8;
    GfxSwitches().A8L8 = c.A8L8;
    VideoStartup();
    TTexture texture("T");
    const uint8_t rows[2] = {0x40, 0x80};
    const int32_t width = c.From == TPixelFormat::A8L8 ? 1 : 2;
    UploadPicture(texture, rows, width, 1, c.From, 2);
    SCOPED_TRACE(static_cast<int>(c.From));
    EXPECT_EQ(GfxTextureFormat(texture.DeviceTexture.get()), c.Expected);
    const std::vector<uint8_t> bytes = GfxReadTexture(texture.DeviceTexture.get());
    if (c.Expected == TPixelFormat::A8L8) {
      const uint8_t l = c.From == TPixelFormat::A8 ? 255 : 0x40;
      const uint8_t a = c.From == TPixelFormat::A8 ? 0x40 : 255;
      EXPECT_EQ(bytes[0], l);
      EXPECT_EQ(bytes[1], a);
    } else if (c.Expected == TPixelFormat::A8R8G8B8) {
      EXPECT_EQ(TexelArgb(&texture, 0, 0), c.Argb);
    } else {
      EXPECT_EQ(bytes[0], 0x40);
    }
  }
}

TEST(Textures, SegmentsFiles) {
  TVideoTestEnv env;
  auto picture = [&](const std::string& Name, const std::string& Segments) {
    WritePacked(env.Ordinary(Name + ".tpx"), {SolidPicture(100, 50, 0xFFFFFFFF)});
    if (!Segments.empty()) WriteFile(env.Ordinary(Name + ".tsg"), Segments);
    return LoadTexture(Name);
  };
  // Three declared, only segment 1 defined: 0 and 2 show the whole picture.
  TTexture* three = picture("G2Three", "SEGMENTS 3\nSEGMENT 1 10 20 30 5\n");
  ASSERT_EQ(three->SegmentCount(), 3);
  EXPECT_FLOAT_EQ(three->SegmentAt(0)->UVScale.X, 1.0f);
  EXPECT_FLOAT_EQ(three->SegmentAt(2)->PixelSize.X, 100.0f);
  const TSegment& one = *three->SegmentAt(1);
  EXPECT_FLOAT_EQ(one.UVOffset.X, 0.1f);
  EXPECT_FLOAT_EQ(one.UVOffset.Y, 0.4f);
  EXPECT_FLOAT_EQ(one.UVScale.X, 0.3f);
  EXPECT_FLOAT_EQ(one.UVScale.Y, 0.1f);
  EXPECT_EQ(SegmentAspect(three, 1), 6.0f);
  // Out-of-range look-ups clamp to the first or the last segment.
  EXPECT_EQ(three->SegmentAt(-4), three->SegmentAt(0));
  EXPECT_EQ(three->SegmentAt(99), three->SegmentAt(2));
  // Counts are clamped to 1..4096; separators are anything outside [-0-9A-Za-z_].
  EXPECT_EQ(picture("G2Zero", "SEGMENTS=0")->SegmentCount(), 1);
  EXPECT_EQ(picture("G2Many", "SEGMENTS, 99999;")->SegmentCount(), 4096);
  EXPECT_EQ(picture("G2Negative", "SEGMENTS -7 # comment words are skipped")->SegmentCount(), 1);
  EXPECT_TRUE(env.Warnings().empty());

  // Errors keep what was parsed before them and warn with the file's name.
  TTexture* beyond = picture("G2Beyond", "SEGMENTS 3 SEGMENT 1 1 1 1 1 SEGMENT 5 0 0 1 1 SEGMENT 2 2 2 2 2");
  EXPECT_EQ(beyond->SegmentCount(), 3);
  EXPECT_FLOAT_EQ(beyond->SegmentAt(1)->PixelSize.X, 1.0f);
  EXPECT_FLOAT_EQ(beyond->SegmentAt(2)->PixelSize.X, 100.0f);
  ASSERT_EQ(env.Warnings().size(), 1u);
  EXPECT_EQ(env.Warnings()[0], "Failed to load texture segments \"G2Beyond.tsg\"");
  picture("G2NotNumber", "SEGMENTS 2 SEGMENT 1 x 0 1 1");
  picture("G2HugeNumber", "SEGMENTS 99999999999999999999");
  picture("G2Cut", "SEGMENTS 2 SEGMENT 1 0 0");
  picture("G2Minus", "SEGMENTS -");
  EXPECT_EQ(env.Warnings().size(), 5u);
  EXPECT_EQ(LoadTexture("G2HugeNumber")->SegmentCount(), 1);
}

TEST(Textures, SegmentNameRulesShareSegments) {
  TVideoTestEnv env;
  SetSegmentNameRules([](const std::string& Name) { return Name.rfind("K3", 0) != 0; },
                      [](const std::string& Name) {
                        return Name.rfind("G2Square", 0) == 0 && Name.size() > 8 ? std::string("G2Square") : Name;
                      });
  for (const char* name : {"G2Square", "G2SquareFilled", "G2SquareEmpty", "K3NoSegments"}) {
    WritePacked(env.Ordinary(std::string(name) + ".tpx"), {SolidPicture(10, 10, 0xFFFFFFFF)});
  }
  WriteFile(env.Ordinary("G2Square.tsg"), "SEGMENTS 4");
  WriteFile(env.Ordinary("G2SquareEmpty.tsg"), "SEGMENTS 2");
  WriteFile(env.Ordinary("K3NoSegments.tsg"), "SEGMENTS 9");
  // Before the base is loaded, the alternative's file is parsed.
  auto* filled = static_cast<TBaseImageTexture*>(LoadTexture("G2SquareFilled"));
  EXPECT_EQ(filled->SegmentsName, "G2Square");
  EXPECT_EQ(filled->SegmentCount(), 4);
  // Once a cached texture has that segments name, its array is shared.
  auto* base = static_cast<TBaseImageTexture*>(LoadTexture("G2Square"));
  ReleaseTexture(filled);
  filled = static_cast<TBaseImageTexture*>(LoadTexture("G2SquareFilled"));
  EXPECT_EQ(filled->Segments, base->Segments);
  // A texture with a file of its own keeps it.
  EXPECT_EQ(LoadTexture("G2SquareEmpty")->SegmentCount(), 2);
  EXPECT_EQ(LoadTexture("K3NoSegments")->SegmentCount(), 1);
  EXPECT_TRUE(env.Warnings().empty());
}

TEST(Textures, ReleaseDestroysOnlyLoadedTextures) {
  TVideoTestEnv env;
  WritePacked(env.Ordinary("G2Once.tpx"), {SolidPicture(2, 2, 0xFFFFFFFF)});
  TTexture* t = LoadTexture("G2Once");
  EXPECT_EQ(TextureCache()->GetCount(), 1);
  ReleaseTexture(t);
  EXPECT_EQ(TextureCache()->GetCount(), 0);
  ReleaseTexture(nullptr);
  ReleaseTexture(EmptyTexture());
  EXPECT_NE(EmptyTexture()->DeviceTexture, nullptr);
  EXPECT_EQ(EmptyTexture()->SegmentCount(), 1);
  EXPECT_EQ(TexelArgb(EmptyTexture(), 0, 0), 0u);
}

TEST(Textures, RenderTargetsAndTiledSegments) {
  TVideoTestEnv env(1600, 900, TGfxBackend::Memory, false);
  GfxSwitches().NonPow2 = 0;
  VideoStartup();
  TRenderTargetTexture target;
  EXPECT_FALSE(target.Smooth);
  SetTargetSize(target, {300, 256});
  EXPECT_FALSE(target.Exact);
  EXPECT_EQ(target.TextureSize.X, 512);
  EXPECT_EQ(target.TextureSize.Y, 256);
  CreateTargetTexture(target, TPixelFormat::A8R8G8B8);
  ASSERT_TRUE(target.DeviceTexture);
  // The same size keeps the device texture; another drops it.
  SetTargetSize(target, {290, 200});
  EXPECT_TRUE(target.DeviceTexture);
  SetTargetSize(target, {256, 128});
  EXPECT_TRUE(target.Exact);
  EXPECT_FALSE(target.DeviceTexture);

  SetTiledSegments(target, {10, 20}, {30, 40}, 3, 2, 2.0f);
  ASSERT_EQ(target.SegmentCount(), 6);
  const TSegment& s = *target.SegmentAt(1 * 3 + 2);  // row 1, column 2
  EXPECT_FLOAT_EQ(s.UVOffset.X, (20.0f + 2 * 60.0f) / 256.0f);
  EXPECT_FLOAT_EQ(s.UVOffset.Y, (40.0f + 1 * 80.0f) / 128.0f);
  EXPECT_FLOAT_EQ(s.UVScale.X, 60.0f / 256.0f);
  EXPECT_FLOAT_EQ(s.PixelSize.Y, 80.0f);
  SetTiledSegments(target, {0, 0}, {1, 1}, 100000, 100000, 1.0f);
  EXPECT_LE(target.SegmentCount(), MaxTiledSegments);
}

}  // namespace
}  // namespace tv
