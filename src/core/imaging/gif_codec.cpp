#include "imaging/gif_codec.h"

#include "imaging/codec_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace vendora {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kCodeLimit = 1 << kMaxCodeBits;  // codes 0..4095
constexpr int kInputBufferSize = 16384;
constexpr uint8_t kExtension = 0x21, kImage = 0x2C, kTrailer = 0x3B;
constexpr uint8_t kGraphicControl = 0xF9;

int Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }

// ---------------------------------------------------------------------------------
// Reading

// One buffer serves the block parser and the image data alike, so the file is read
// in large pieces whatever the block structure.
class InputReader {
 public:
  explicit InputReader(std::FILE* file) : file_(file) {}

  // The next byte, or -1 at the end of the file.
  int Byte() {
    if (pos_ == end_ && !Refill()) return -1;
    return buffer_[pos_++];
  }

  bool Read(uint8_t* out, size_t count) { return ReadSome(out, count) == count; }

  // Skips data sub-blocks up to the terminating zero count; false when the file
  // ends first.
  bool SkipSubBlocks() {
    for (;;) {
      const int count = Byte();
      if (count <= 0) return count == 0;
      if (!Read(nullptr, static_cast<size_t>(count))) return false;
    }
  }

  // Image data is handed out in spans that lie within one sub-block and within the
  // buffer, so the decoder can take bytes without looking at block counts.
  void BeginData() {
    blockLeft_ = 0;
    dataEnded_ = false;
  }
  bool NextDataSpan(const uint8_t*& begin, const uint8_t*& end) {
    if (dataEnded_) return false;
    if (blockLeft_ == 0) {
      const int count = Byte();
      if (count <= 0) {
        dataEnded_ = true;
        return false;
      }
      blockLeft_ = static_cast<size_t>(count);
    }
    if (pos_ == end_ && !Refill()) {
      dataEnded_ = true;
      return false;
    }
    const size_t take = std::min(blockLeft_, end_ - pos_);
    begin = buffer_ + pos_;
    end = begin + take;
    pos_ += take;
    blockLeft_ -= take;
    return true;
  }
  // Offset in the file of the next byte, and a jump back to one.
  int64_t Position() const { return start_ + static_cast<int64_t>(pos_); }
  bool Seek(int64_t offset) {
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
    start_ = offset;
    pos_ = end_ = 0;
    return true;
  }

 private:
  bool Refill() {
    start_ += static_cast<int64_t>(end_);
    pos_ = 0;
    end_ = std::fread(buffer_, 1, sizeof buffer_, file_);
    return end_ > 0;
  }
  // Copies (or skips, when out is null) up to count bytes; fewer only at the end of the file.
  size_t ReadSome(uint8_t* out, size_t count) {
    size_t done = 0;
    while (done < count) {
      if (pos_ == end_ && !Refill()) break;
      const size_t take = std::min(count - done, end_ - pos_);
      if (out) std::memcpy(out + done, buffer_ + pos_, take);
      pos_ += take;
      done += take;
    }
    return done;
  }

  std::FILE* file_;
  uint8_t buffer_[kInputBufferSize];
  int64_t start_ = 0;  // file offset of buffer_[0]
  size_t pos_ = 0, end_ = 0;
  size_t blockLeft_ = 0;
  bool dataEnded_ = false;
};

struct ColourTable {
  int count = 0;  // 0: none
  uint8_t rgb[3 * 256] = {};
};

bool ReadColourTable(InputReader& in, uint8_t packed, ColourTable& table) {
  table.count = 2 << (packed & 0x07);
  return in.Read(table.rgb, static_cast<size_t>(3 * table.count));
}

bool ReadHeader(InputReader& in, uint8_t (&header)[13]) {
  return in.Read(header, sizeof header) && std::memcmp(header, "GIF8", 4) == 0;
}

// An extension after its introducer: the label, then sub-blocks. Reports the
// transparent index of a graphic control extension (-1 when it sets none). False
// when the file ends inside the extension.
bool ReadExtension(InputReader& in, int& transparentIndex) {
  transparentIndex = -1;
  const int label = in.Byte();
  if (label < 0) return false;
  if (label == kGraphicControl) {
    const int size = in.Byte();
    uint8_t block[255];
    if (size < 0 || !in.Read(block, static_cast<size_t>(size))) return false;
    if (size >= 4 && (block[0] & 0x01)) transparentIndex = block[3];
    if (size == 0) return true;  // that count was already the terminator
  }
  return in.SkipSubBlocks();
}

// With a transparent colour the table becomes 256 entries, the transparent one
// black and at least one white (drawing masks pick the entries nearest to white and
// black).
std::unique_ptr<ImagePalette> BuildPalette(const ColourTable& table, int transparentIndex) {
  std::vector<PaletteEntry> entries(static_cast<size_t>(table.count));
  for (int i = 0; i < table.count; ++i) entries[i] = {table.rgb[3 * i], table.rgb[3 * i + 1], table.rgb[3 * i + 2]};
  if (transparentIndex >= 0) {
    const PaletteEntry white{255, 255, 255};
    if (table.count < 256) {
      entries.resize(256, white);
    } else if (std::find(entries.begin(), entries.end(), white) == entries.end()) {
      entries[255] = white;
    }
    entries[static_cast<size_t>(transparentIndex)] = PaletteEntry{};
  }
  return std::make_unique<ImagePalette>(std::move(entries));
}

// Hands decoded pixels to the raster line by line, in the row order of plain or
// interlaced images. Line k from the top lands in memory row height-1-k.
class RowPlacer {
 public:
  RowPlacer(CImageImpl& image, bool interlaced)
      : image_(image), width_(image.GetWidth()), height_(image.GetHeight()), step_(interlaced ? 8 : 1) {
    line_ = image_.Row(height_ - 1);
  }

  // Room left in the current line and where it starts; a caller may write up to
  // Room() pixels there and then Advance over them.
  int Room() const { return width_ - x_; }
  uint8_t* Cursor() const { return line_ + x_; }
  // False once the last row is full (further pixels are not wanted).
  bool Advance(int count) {
    x_ += count;
    return x_ < width_ || NextLine();
  }

  bool Put(const uint8_t* pixels, int count) {
    while (count > 0) {
      const int take = std::min(count, Room());
      std::memcpy(Cursor(), pixels, static_cast<size_t>(take));
      pixels += take;
      count -= take;
      if (!Advance(take)) return false;
    }
    return true;
  }

 private:
  [[gnu::noinline]] bool NextLine() {
    if (++linesDone_ == height_) return false;
    row_ += step_;
    // Interlace passes: rows 0, 4, 2, 1 apart by 8, 8, 4, 2; a pass that starts
    // beyond the picture is skipped. A plain image never gets here with row_ past the end.
    while (row_ >= height_) {
      if (++pass_ > 3) return false;
      if (pass_ > 1) step_ /= 2;
      row_ = pass_ == 1 ? 4 : step_ / 2;
    }
    line_ = image_.Row(height_ - 1 - row_);
    x_ = 0;
    return true;
  }

  CImageImpl& image_;
  const int width_, height_;
  int step_;
  int row_ = 0, pass_ = 0, linesDone_ = 0, x_ = 0;
  uint8_t* line_;
};

// Codes of the image data, least significant bit first.
class CodeReader {
 public:
  explicit CodeReader(InputReader& in) : in_(in) { in_.BeginData(); }

  // The next code of `bits` bits, -1 when the data ends first.
  int Next(int bits) {
    if (held_ < bits) {
      if (end_ - next_ >= 8) {
        // Loads whole bytes up to 56..63 bits held; bits loaded beyond the bytes
        // counted are loaded again, in the same place, next time.
        uint64_t word;
        std::memcpy(&word, next_, sizeof word);
        if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
        accumulator_ |= word << held_;
        next_ += (63 - held_) >> 3;
        held_ |= 56;
      } else if (!SlowFill(bits)) {
        return -1;
      }
    }
    const int code = static_cast<int>(accumulator_ & ((1u << bits) - 1));
    accumulator_ >>= bits;
    held_ -= bits;
    return code;
  }

 private:
  [[gnu::noinline]] bool SlowFill(int bits) {
    while (held_ < bits) {
      if (next_ == end_ && !in_.NextDataSpan(next_, end_)) return false;
      accumulator_ |= static_cast<uint64_t>(*next_++) << held_;
      held_ += 8;
    }
    return true;
  }

  InputReader& in_;
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t accumulator_ = 0;
  int held_ = 0;
};

struct LzwTables {
  uint16_t prefix[kCodeLimit];
  uint8_t suffix[kCodeLimit];
  uint16_t length[kCodeLimit];  // of each code's string; exact while no bad code was met
  // A string is built backwards from the end of the stack. Valid data never needs
  // more than one byte per code; the bound stops the loops that corrupt prefix
  // chains can form.
  uint8_t stack[kCodeLimit + 1];
};

// Decodes one image's LZW data into the raster. Data that ends early, by an end code
// or with the file, leaves the rows not reached as they are.
void DecodeImage(CImageImpl& image, bool interlaced, int minCodeSize, InputReader& in, LzwTables& tables,
                 int& badCodes) {
  std::memset(&tables, 0, sizeof tables);
  RowPlacer placer(image, interlaced);
  CodeReader reader(in);
  const int clearCode = 1 << minCodeSize, endingCode = clearCode + 1, newCodes = clearCode + 2;
  int codeSize = minCodeSize + 1, slot = newCodes, topSlot = 1 << codeSize;
  int oldCode = 0, firstChar = 0;
  // The start of the data counts as just after a clear code, so a stream without a
  // leading clear code does not add a string made of nothing.
  bool afterClear = true;
  // Until the first bad code every prefix points below its own code, so string
  // lengths are known in advance and strings are written straight into the row.
  bool trusted = true;
  uint16_t* const prefix = tables.prefix;
  uint8_t* const suffix = tables.suffix;
  uint16_t* const length = tables.length;
  uint8_t* const stackEnd = tables.stack + sizeof tables.stack;
  for (int i = 0; i < newCodes; ++i) length[i] = 1;

  for (;;) {
    int code = reader.Next(codeSize);
    if (code < 0 || code == endingCode) break;
    if (code == clearCode) {
      codeSize = minCodeSize + 1;
      slot = newCodes;
      topSlot = 1 << codeSize;
      afterClear = true;
      continue;
    }
    if (afterClear) {
      afterClear = false;
      if (code >= slot) code = 0;
      oldCode = firstChar = code;
      *placer.Cursor() = static_cast<uint8_t>(code);
      if (!placer.Advance(1)) break;
      continue;
    }
    const int received = code;
    // Only the string being defined right now may be referenced ahead; a code beyond
    // it is corrupt and decodes as that string all the same.
    if (code > slot) {
      ++badCodes;
      trusted = false;
    }
    const int stringLength = code == slot ? length[oldCode] + 1 : length[code];
    const uint8_t* spilled = nullptr;  // a string built on the stack instead
    if (trusted && stringLength <= placer.Room()) {
      uint8_t* out = placer.Cursor() + stringLength - 1;
      if (code == slot) {
        *out-- = static_cast<uint8_t>(firstChar);
        code = oldCode;
      }
      while (code >= newCodes) {
        *out-- = suffix[code];
        code = prefix[code];
      }
      *out = static_cast<uint8_t>(code);
    } else {
      uint8_t* sp = stackEnd;
      if (code >= slot) {
        code = oldCode;
        *--sp = static_cast<uint8_t>(firstChar);
      }
      while (code >= newCodes) {
        if (sp == tables.stack + 1) {
          ++badCodes;
          code = 0;
          break;
        }
        *--sp = suffix[code];
        code = prefix[code];
      }
      *--sp = static_cast<uint8_t>(code);
      spilled = sp;
    }
    if (slot < topSlot) {
      suffix[slot] = static_cast<uint8_t>(firstChar = code);
      prefix[slot] = static_cast<uint16_t>(oldCode);
      length[slot] = static_cast<uint16_t>(length[oldCode] + 1);
      ++slot;
      oldCode = received;
    }
    if (slot >= topSlot && codeSize < kMaxCodeBits) {
      topSlot <<= 1;
      ++codeSize;
    }
    if (!(spilled ? placer.Put(spilled, static_cast<int>(stackEnd - spilled)) : placer.Advance(stringLength))) break;
  }
}

// ---------------------------------------------------------------------------------
// Writing

constexpr int kInitCodeBits = 9;  // 8-bit pixels
constexpr int kHashSize = 5003;   // a prime about a fifth above the 4096 codes
constexpr int kPacketSize = 254;

class LzwEncoder {
 public:
  explicit LzwEncoder(std::FILE* file) : file_(file) {
    int doublings = 0;
    for (long size = kHashSize; size < 65536; size *= 2) ++doublings;
    hashShift_ = 8 - doublings;
  }

  void Start() {
    ClearHash();
    Output(clearCode_);
  }

  void Compress(const uint8_t* pixels, int count) {
    int i = 0;
    if (ent_ < 0) ent_ = pixels[i++];
    int ent = ent_;
    for (; i < count; ++i) {
      const int px = pixels[i];
      const int32_t fcode = (px << kMaxCodeBits) + ent;
      int h = (px << hashShift_) ^ ent;
      if (hash_[h] == fcode) {
        ent = codes_[h];
        continue;
      }
      if (hash_[h] >= 0) {
        const int displacement = h == 0 ? 1 : kHashSize - h;
        bool found = false;
        do {
          h -= displacement;
          if (h < 0) h += kHashSize;
          if (hash_[h] == fcode) {
            found = true;
            break;
          }
        } while (hash_[h] > 0);
        if (found) {
          ent = codes_[h];
          continue;
        }
      }
      Output(ent);
      ent = px;
      if (freeEntry_ < kCodeLimit) {
        codes_[h] = static_cast<uint16_t>(freeEntry_++);
        hash_[h] = fcode;
      } else {
        // Table full: start afresh so the codes keep fitting the data.
        ClearHash();
        freeEntry_ = clearCode_ + 2;
        clearPending_ = true;
        Output(clearCode_);
      }
    }
    ent_ = ent;
  }

  // Ends the data; false when anything could not be written.
  bool Finish() {
    Output(ent_);
    Output(eofCode_);
    return !failed_;
  }

 private:
  void ClearHash() { std::fill(std::begin(hash_), std::end(hash_), -1); }

  void Output(int code) {
    accumulator_ |= static_cast<uint32_t>(code) << accumulatorBits_;
    accumulatorBits_ += codeBits_;
    while (accumulatorBits_ >= 8) {
      Put(static_cast<uint8_t>(accumulator_));
      accumulator_ >>= 8;
      accumulatorBits_ -= 8;
    }
    // The decoder widens its codes one entry later than the encoder adds them, so
    // the width follows the free entry after the code has gone out.
    if (clearPending_) {
      codeBits_ = kInitCodeBits;
      maxCode_ = (1 << kInitCodeBits) - 1;
      clearPending_ = false;
    } else if (freeEntry_ > maxCode_) {
      ++codeBits_;
      maxCode_ = codeBits_ == kMaxCodeBits ? kCodeLimit : (1 << codeBits_) - 1;
    }
    if (code == eofCode_) {
      if (accumulatorBits_ > 0) Put(static_cast<uint8_t>(accumulator_));
      accumulator_ = 0;
      accumulatorBits_ = 0;
      FlushPacket();
    }
  }

  void Put(uint8_t byte) {
    packet_[packetCount_++] = byte;
    if (packetCount_ == kPacketSize) FlushPacket();
  }

  void FlushPacket() {
    if (packetCount_ == 0) return;
    const uint8_t count = static_cast<uint8_t>(packetCount_);
    if (std::fwrite(&count, 1, 1, file_) != 1 ||
        std::fwrite(packet_, 1, static_cast<size_t>(packetCount_), file_) != static_cast<size_t>(packetCount_))
      failed_ = true;
    packetCount_ = 0;
  }

  std::FILE* file_;
  int32_t hash_[kHashSize];
  uint16_t codes_[kHashSize] = {};
  int hashShift_ = 0;
  const int clearCode_ = 1 << (kInitCodeBits - 1), eofCode_ = clearCode_ + 1;
  int freeEntry_ = clearCode_ + 2;
  int codeBits_ = kInitCodeBits, maxCode_ = (1 << kInitCodeBits) - 1;
  bool clearPending_ = false;
  int ent_ = -1;
  uint32_t accumulator_ = 0;
  int accumulatorBits_ = 0;
  uint8_t packet_[256];
  int packetCount_ = 0;
  bool failed_ = false;
};

void PutLe16(uint8_t* p, int value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

bool CImageImplGif::ReadSize(const std::string& fileName, int& width, int& height) {
  UseFileName(fileName);
  width = height = 0;
  FilePtr file = OpenFile(fileName_, "rb");
  if (!file) return false;
  try {
    auto in = std::make_unique<InputReader>(file.get());
    uint8_t header[13];
    if (!ReadHeader(*in, header)) return false;
    if ((header[10] & 0x80) && !in->Read(nullptr, static_cast<size_t>(3 * (2 << (header[10] & 0x07))))) return false;
    for (;;) {
      const int block = in->Byte();
      if (block == kExtension) {
        int transparentIndex;
        if (!ReadExtension(*in, transparentIndex)) return false;
      } else if (block == kImage) {
        uint8_t descriptor[9];
        if (!in->Read(descriptor, sizeof descriptor)) return false;
        const int w = Le16(descriptor + 4), h = Le16(descriptor + 6);
        if (w < 1 || h < 1) return false;
        width = w;
        height = h;
        return true;
      } else {
        return false;
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool CImageImplGif::Read(const std::string& fileName) {
  UseFileName(fileName);
  badCodes_ = 0;
  try {
    return Decode();
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool CImageImplGif::Decode() {
  FilePtr file = OpenFile(fileName_, "rb");
  if (!file) return false;
  auto in = std::make_unique<InputReader>(file.get());
  uint8_t header[13];
  if (!ReadHeader(*in, header)) return false;
  // The colour table in force: the global one until a local one replaces it, for
  // that image and the ones after it.
  auto table = std::make_unique<ColourTable>();
  if ((header[10] & 0x80) && !ReadColourTable(*in, header[10], *table)) return false;

  // Only the last image is shown, so the file is walked first and only that image is
  // decoded: a small file of many large frames must not cost a raster per frame. An
  // image whose code size is unusable is passed over; a file that ends early keeps
  // what it had.
  struct Image {
    uint8_t descriptor[9];
    ColourTable table;
    int transparentIndex, minCodeSize;
    int64_t dataOffset;
  };
  auto last = std::make_unique<Image>();
  bool found = false;
  int transparentIndex = -1;  // a graphic control extension speaks for the next image only
  for (;;) {
    const int block = in->Byte();
    if (block == kExtension) {
      int extensionTransparent;
      if (!ReadExtension(*in, extensionTransparent)) break;
      if (extensionTransparent >= 0) transparentIndex = extensionTransparent;
    } else if (block == kImage) {
      uint8_t descriptor[9];
      if (!in->Read(descriptor, sizeof descriptor)) break;
      if (!FitsRaster(Le16(descriptor + 4), Le16(descriptor + 6))) return false;
      if ((descriptor[8] & 0x80) && !ReadColourTable(*in, descriptor[8], *table)) break;
      const int minCodeSize = in->Byte();
      if (minCodeSize < 0) break;
      if (minCodeSize >= 2 && minCodeSize <= 9) {
        std::memcpy(last->descriptor, descriptor, sizeof descriptor);
        last->table = *table;
        last->transparentIndex = transparentIndex;
        last->minCodeSize = minCodeSize;
        last->dataOffset = in->Position();
        found = true;
      }
      transparentIndex = -1;
      if (!in->SkipSubBlocks()) break;
    } else {
      break;  // the trailer, the end of the file or anything unknown ends the file
    }
  }
  if (!found || !in->Seek(last->dataOffset)) return false;

  if (!Create(Le16(last->descriptor + 4), Le16(last->descriptor + 6), 8)) return false;
  if (last->table.count) AttachPalette(BuildPalette(last->table, last->transparentIndex));
  SetTransparentIndex(last->transparentIndex);
  auto tables = std::make_unique<LzwTables>();
  DecodeImage(*this, (last->descriptor[8] & 0x40) != 0, last->minCodeSize, *in, *tables, badCodes_);
  return true;
}

bool CImageImplGif::Write(const std::string& fileName) {
  UseFileName(fileName);
  if (GetBitsPerPixel() > 8) {
    ShowMessage("GIF Images must be 8 bit or less");
    return false;
  }
  if (!HasBitmap()) return false;
  FilePtr file = OpenFile(fileName_, "wb");
  if (!file) {
    ShowMessage("Can't open GIF for writing");
    return false;
  }
  bool ok;
  try {
    ok = Encode(file.get());
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  ok = std::fflush(file.get()) == 0 && ok;
  ok = FinishWrite(std::move(file), fileName_, ok);
  if (!ok) ShowMessage("Write Error in GIF file");
  return ok;
}

bool CImageImplGif::Encode(std::FILE* file) {
  const int width = GetWidth(), height = GetHeight(), bits = GetBitsPerPixel();
  std::vector<uint8_t> head(13 + 3 * 256 + 10 + 1, 0);
  std::memcpy(head.data(), "GIF87a", 6);
  PutLe16(&head[6], width);
  PutLe16(&head[8], height);
  head[10] = 0xF7;  // global table of 256 entries, 8 bits of colour resolution
  // Entries the palette lacks are black. A grey raster has no palette; its table is
  // the grey ramp its levels stand for, so the file shows what the raster shows.
  uint8_t* table = &head[13];
  if (const ImagePalette* palette = GetPalette()) {
    for (int i = 0; i < palette->size(); ++i) {
      table[3 * i] = (*palette)[i].red;
      table[3 * i + 1] = (*palette)[i].green;
      table[3 * i + 2] = (*palette)[i].blue;
    }
  } else {
    const int maxLevel = (1 << bits) - 1;
    for (int i = 0; i <= maxLevel; ++i) std::memset(table + 3 * i, i * 255 / maxLevel, 3);
  }
  uint8_t* descriptor = table + 3 * 256;
  descriptor[0] = kImage;
  PutLe16(descriptor + 5, width);
  PutLe16(descriptor + 7, height);
  descriptor[10] = 8;  // minimum code size
  if (std::fwrite(head.data(), 1, head.size(), file) != head.size()) return false;

  auto encoder = std::make_unique<LzwEncoder>(file);
  encoder->Start();
  std::vector<uint8_t> line(bits == 8 ? 0 : static_cast<size_t>(width));
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* pixels = Row(y);
    if (bits != 8) {
      for (int x = 0; x < width; ++x) line[x] = static_cast<uint8_t>(GetPixelIndex(x, y));
      pixels = line.data();
    }
    encoder->Compress(pixels, width);
  }
  if (!encoder->Finish()) return false;
  const uint8_t tail[2] = {0, kTrailer};
  return std::fwrite(tail, 1, 2, file) == 2;
}

}  // namespace vendora
