// Writing sound files: 16-bit PCM WAVE and Ogg Vorbis (through libvorbisenc). The sound
// synthesiser of the tool writes the game's sounds with these, and tests make their fixtures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// A canonical WAVE file: "RIFF", "WAVE", a 16-byte "fmt " chunk and the "data" chunk.
std::string EncodeWave(const std::vector<int16_t>& Samples, int32_t Channels, int32_t Rate);

// An Ogg Vorbis file of interleaved samples at a variable bit rate of the given quality
// (-0.1 to 1). Raises EError when the encoder refuses the format.
std::string EncodeOggVorbis(const std::vector<int16_t>& Samples, int32_t Channels, int32_t Rate, float Quality = 0.4f,
                            uint32_t Serial = 1);

}  // namespace tv
