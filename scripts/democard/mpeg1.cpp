#include "scripts/democard/mpeg1.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace democard {
namespace {

// Writes fields most significant bit first, as every MPEG syntax element is laid out.
class BitWriter {
 public:
  void Put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      current_ = static_cast<std::uint8_t>(current_ << 1 | (value >> i & 1u));
      if (++filled_ == 8) Flush();
    }
  }
  void PutCode(const char* code) {
    for (; *code; ++code) Put(*code == '1' ? 1u : 0u, 1);
  }
  // Start codes sit on byte boundaries; the gap is zero stuffing.
  void Align() {
    while (filled_ != 0) Put(0, 1);
  }
  void StartCode(std::uint8_t code) {
    Align();
    Put(0x000001u, 24);
    Put(code, 8);
  }
  std::string Take() {
    Align();
    return std::move(bytes_);
  }

 private:
  void Flush() {
    bytes_.push_back(static_cast<char>(current_));
    current_ = 0;
    filled_ = 0;
  }
  std::string bytes_;
  std::uint8_t current_ = 0;
  int filled_ = 0;
};

// dct_dc_size VLCs, indexed by size (ISO/IEC 11172-2 tables for luminance and chrominance).
constexpr const char* kLumaDcSize[] = {"100",  "00",    "01",     "101",    "110",
                                       "1110", "11110", "111110", "1111110"};
constexpr const char* kChromaDcSize[] = {"00",    "01",     "10",      "110",     "1110",
                                         "11110", "111110", "1111110", "11111110"};

// One intra block that carries only a DC difference from the previous block of its component.
void PutDcOnlyBlock(BitWriter& out, int difference, bool luma) {
  int size = 0;
  for (int magnitude = std::abs(difference); magnitude != 0; magnitude >>= 1) ++size;
  out.PutCode(luma ? kLumaDcSize[size] : kChromaDcSize[size]);
  if (size > 0) {
    const int bits = difference > 0 ? difference : difference + (1 << size) - 1;
    out.Put(static_cast<std::uint32_t>(bits), size);
  }
  out.PutCode("10");  // end of block: no AC coefficients
}

struct Ycc {
  int y, cb, cr;
};

// A band colour for each macroblock row; the picture number shifts the bands so the pictures
// differ.
Ycc BandColour(int row, int picture) {
  const int step = (row + picture * 2) % 15;
  return {60 + step * 10, 128 + (step % 5) * 18 - 36, 200 - step * 8};
}

void PutPicture(BitWriter& out, int picture) {
  constexpr int kColumns = kClipWidth / 16;
  constexpr int kRows = kClipHeight / 16;

  out.StartCode(0x00);                               // picture header
  out.Put(static_cast<std::uint32_t>(picture), 10);  // temporal reference
  out.Put(1, 3);                                     // I picture
  out.Put(0xFFFF, 16);                               // vbv_delay: not given
  out.Put(0, 1);                                     // no extra information

  for (int row = 0; row < kRows; ++row) {
    out.StartCode(static_cast<std::uint8_t>(row + 1));  // one slice per macroblock row
    out.Put(8, 5);                                      // quantizer scale (unused: DC only)
    out.Put(0, 1);
    // The DC predictors start at 128 in every slice; only the first block of each component
    // differs from its predictor, the rest repeat it.
    const Ycc colour = BandColour(row, picture);
    for (int column = 0; column < kColumns; ++column) {
      out.PutCode("1");  // address increment 1
      out.PutCode("1");  // intra macroblock, no new quantizer
      const bool first = column == 0;
      for (int block = 0; block < 4; ++block) {
        PutDcOnlyBlock(out, first && block == 0 ? colour.y - 128 : 0, true);
      }
      PutDcOnlyBlock(out, first ? colour.cb - 128 : 0, false);
      PutDcOnlyBlock(out, first ? colour.cr - 128 : 0, false);
    }
  }
}

std::string VideoSequence() {
  BitWriter out;
  out.StartCode(0xB3);  // sequence header
  out.Put(kClipWidth, 12);
  out.Put(kClipHeight, 12);
  out.Put(1, 4);      // square pixels
  out.Put(4, 4);      // 29.97 pictures a second
  out.Put(2875, 18);  // 1.15 Mbit/s, in units of 400 bit/s
  out.Put(1, 1);      // marker
  out.Put(20, 10);    // VBV buffer: 20 x 16 kbit
  out.Put(1, 1);      // constrained parameters
  out.Put(0, 1);      // default intra quantiser matrix
  out.Put(0, 1);      // default non-intra quantiser matrix

  out.StartCode(0xB8);  // group of pictures, time code 00:00:00:00
  out.Put(0, 1);        // no drop frame
  out.Put(0, 5);
  out.Put(0, 6);
  out.Put(1, 1);  // marker
  out.Put(0, 6);
  out.Put(0, 6);
  out.Put(1, 1);  // closed GOP
  out.Put(0, 1);  // no broken link

  for (int picture = 0; picture < kClipPictures; ++picture) PutPicture(out, picture);
  out.StartCode(0xB7);  // sequence end
  return out.Take();
}

// A 33-bit clock value in the pack and packet layouts: 3 + 15 + 15 bits, each part followed by a
// marker bit, behind a 4-bit prefix.
void PutTimestamp(BitWriter& out, std::uint32_t prefix, std::uint64_t time) {
  out.Put(prefix, 4);
  out.Put(static_cast<std::uint32_t>(time >> 30 & 0x7), 3);
  out.Put(1, 1);
  out.Put(static_cast<std::uint32_t>(time >> 15 & 0x7FFF), 15);
  out.Put(1, 1);
  out.Put(static_cast<std::uint32_t>(time & 0x7FFF), 15);
  out.Put(1, 1);
}

}  // namespace

std::string MpegClip() {
  constexpr std::uint32_t kMuxRate = 3528;  // units of 50 bytes/s: 1.41 Mbit/s
  const std::string video = VideoSequence();
  if (video.size() + 5 > 0xFFFF) throw std::logic_error("the clip outgrew one video packet");

  BitWriter out;
  out.StartCode(0xBA);  // pack header, system clock 0
  PutTimestamp(out, 0x2, 0);
  out.Put(1, 1);
  out.Put(kMuxRate, 22);
  out.Put(1, 1);

  out.StartCode(0xBB);  // system header: one video stream
  out.Put(9, 16);       // header length
  out.Put(1, 1);
  out.Put(kMuxRate, 22);  // rate bound
  out.Put(1, 1);
  out.Put(0, 6);  // no audio
  out.Put(0, 1);  // variable bit rate
  out.Put(0, 1);  // not constrained
  out.Put(1, 1);  // audio lock
  out.Put(1, 1);  // video lock
  out.Put(1, 1);  // marker
  out.Put(1, 5);  // one video stream
  out.Put(0xFF, 8);
  out.Put(0xE0, 8);  // video stream 0
  out.Put(0x3, 2);
  out.Put(1, 1);    // buffer bound in 1024-byte units
  out.Put(46, 13);  // 46 KiB

  // The video packet: presentation time stamp, then the whole sequence.
  constexpr std::uint64_t kPresentationTime = 3003;  // one picture in, 90 kHz clock
  out.StartCode(0xE0);
  out.Put(static_cast<std::uint32_t>(5 + video.size()), 16);
  PutTimestamp(out, 0x2, kPresentationTime);
  std::string clip = out.Take() + video;
  clip += std::string("\x00\x00\x01\xB9", 4);  // end of the program stream
  return clip;
}

}  // namespace democard
