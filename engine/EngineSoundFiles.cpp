#include "engine/EngineSoundFiles.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

#include "base/EngineClasses.h"

namespace tv {

namespace {

void PutU32(std::string& Out, uint32_t Value) {
  for (int i = 0; i < 4; ++i) Out.push_back(static_cast<char>((Value >> (8 * i)) & 0xFF));
}

void PutU16(std::string& Out, uint16_t Value) {
  Out.push_back(static_cast<char>(Value & 0xFF));
  Out.push_back(static_cast<char>(Value >> 8));
}

void PutPage(std::string& Out, const ogg_page& Page) {
  Out.append(reinterpret_cast<const char*>(Page.header), static_cast<size_t>(Page.header_len));
  Out.append(reinterpret_cast<const char*>(Page.body), static_cast<size_t>(Page.body_len));
}

}  // namespace

std::string EncodeWave(const std::vector<int16_t>& Samples, int32_t Channels, int32_t Rate) {
  const uint32_t dataBytes = static_cast<uint32_t>(Samples.size() * 2);
  const uint16_t align = static_cast<uint16_t>(2 * Channels);
  std::string out;
  out.reserve(44 + dataBytes);
  out += "RIFF";
  PutU32(out, 36 + dataBytes);
  out += "WAVEfmt ";
  PutU32(out, 16);
  PutU16(out, 1);
  PutU16(out, static_cast<uint16_t>(Channels));
  PutU32(out, static_cast<uint32_t>(Rate));
  PutU32(out, static_cast<uint32_t>(Rate) * align);
  PutU16(out, align);
  PutU16(out, 16);
  out += "data";
  PutU32(out, dataBytes);
  for (const int16_t s : Samples) PutU16(out, static_cast<uint16_t>(s));
  return out;
}

std::string EncodeOggVorbis(const std::vector<int16_t>& Samples, int32_t Channels, int32_t Rate, float Quality,
                            uint32_t Serial) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (Channels < 1 || vorbis_encode_init_vbr(&info, Channels, Rate, Quality) != 0) {
    vorbis_info_clear(&info);
    throw EError("Unsupported format for Ogg Vorbis");
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, static_cast<int>(Serial));

  std::string out;
  ogg_packet header, headerComment, headerCode;
  vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &headerComment);
  ogg_stream_packetin(&stream, &headerCode);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page) != 0) PutPage(out, page);

  const size_t frames = Samples.size() / static_cast<size_t>(Channels);
  constexpr size_t Chunk = 4096;
  size_t done = 0;
  bool finished = false;
  while (!finished) {
    const size_t n = std::min(Chunk, frames - done);
    if (n == 0) {
      vorbis_analysis_wrote(&dsp, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
      for (size_t i = 0; i < n; ++i) {
        for (int32_t c = 0; c < Channels; ++c) {
          buffer[c][i] =
              static_cast<float>(Samples[(done + i) * static_cast<size_t>(Channels) + static_cast<size_t>(c)]) /
              32768.0f;
        }
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(n));
      done += n;
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) {
          PutPage(out, page);
          if (ogg_page_eos(&page) != 0) finished = true;
        }
      }
    }
    if (n == 0) {
      while (ogg_stream_flush(&stream, &page) != 0) {
        PutPage(out, page);
        if (ogg_page_eos(&page) != 0) finished = true;
      }
      finished = true;
    }
  }
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

}  // namespace tv
