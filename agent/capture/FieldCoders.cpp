#include "agent/capture/FieldCoders.h"

#include <cstring>

#include "protocol/ScreenUpdateFormat.h"

namespace mirrodex {
namespace {

constexpr uint32_t kFieldRows = 4;
constexpr uint32_t kBlockWidth = 8;
constexpr size_t kMaxCodeListBytes = kFieldPositions * 3;

// Eight pixels (one field row of a block) compared as two 64-bit words.
inline bool RowsEqual(const uint16_t* a, const uint16_t* b) {
  uint64_t a0, a1, b0, b1;
  std::memcpy(&a0, a, 8);
  std::memcpy(&a1, a + 4, 8);
  std::memcpy(&b0, b, 8);
  std::memcpy(&b1, b + 4, 8);
  return ((a0 ^ b0) | (a1 ^ b1)) == 0;
}

inline uint8_t* WriteRecord(uint8_t* out, uint8_t countByte, uint32_t column, uint32_t row,
                            const uint8_t* codes, size_t codeBytes) {
  out[0] = countByte;
  out[1] = static_cast<uint8_t>(column);
  out[2] = static_cast<uint8_t>(row);
  std::memcpy(out + kRecordHeaderBytes, codes, codeBytes);
  return out + kRecordHeaderBytes + codeBytes;
}

// Appends the full-colour code of pixel value v at field position p.
inline uint8_t* CodePixel(FieldCoderState& s, uint8_t* out, uint16_t v, uint32_t p) {
  if (v <= kLargestSmallLiteral) {
    *out++ = static_cast<uint8_t>(kCodeSmallLiteral | ((v >> 8) << 5) | p);
    *out++ = static_cast<uint8_t>(v);
    return out;
  }
  uint32_t index = s.reverse[v];
  if (index == 0) {
    if (s.nextIndex > kPaletteCapacity) {
      *out++ = static_cast<uint8_t>(kCodeLiteral | p);
      *out++ = static_cast<uint8_t>(v >> 8);
      *out++ = static_cast<uint8_t>(v);
      return out;
    }
    index = s.nextIndex++;
    s.palette[index] = v;
    s.reverse[v] = static_cast<uint16_t>(index);
  }
  if (index < 5 && p < 8) {
    *out++ = static_cast<uint8_t>(kCodeShortIndex | ((index & 3) << 3) | p);
    return out;
  }
  *out++ = static_cast<uint8_t>(((index >> 8) << 5) | p);
  *out++ = static_cast<uint8_t>(index);
  return out;
}

inline uint8_t GreyCode(uint8_t level, uint32_t p) { return static_cast<uint8_t>((level << 5) | p); }

// The four field rows of block (column, row) in an image.
struct FieldRows {
  const uint16_t* row[kFieldRows];
};

inline FieldRows RowsOf(const FieldCoderState& s, const uint16_t* image, uint32_t column, uint32_t row) {
  const uint32_t odd = s.positionBase != 0 ? 1 : 0;
  const uint16_t* block = image + static_cast<size_t>(row) * kBlockWidth * s.stride + column * kBlockWidth;
  FieldRows rows;
  for (uint32_t fr = 0; fr < kFieldRows; ++fr) rows.row[fr] = block + (2 * fr + odd) * s.stride;
  return rows;
}

inline bool FieldUnchanged(const FieldRows& current, const FieldRows& previous) {
  for (uint32_t fr = 0; fr < kFieldRows; ++fr) {
    if (!RowsEqual(current.row[fr], previous.row[fr])) return false;
  }
  return true;
}

// Calls code(block column, block row, out) for every block in coding order; each call
// returns the new end of the output.
template <typename BlockCoder>
size_t ForEachBlock(FieldCoderState& s, uint8_t* out, BlockCoder code) {
  uint8_t* end = out;
  for (uint32_t r = 0; r < s.blockRows; ++r) {
    for (uint32_t c = 0; c < s.blockColumns; ++c) end = code(c, r, end);
  }
  return static_cast<size_t>(end - out);
}

// Intra coding: every block gets a left-relative record holding the pixels that differ from
// the left neighbour (all of them in column 0). `emit(out, pixel, left, position)` appends a
// code when the pixel must be sent and returns the new end, or nullptr when it is skipped.
template <typename PixelEmitter>
size_t CodeIntra(FieldCoderState& s, uint8_t* out, PixelEmitter emit) {
  return ForEachBlock(s, out, [&](uint32_t c, uint32_t r, uint8_t* rec) {
    const FieldRows cur = RowsOf(s, s.current, c, r);
    uint8_t* codes = rec + kRecordHeaderBytes;
    uint32_t count = 0;
    for (uint32_t fr = 0; fr < kFieldRows; ++fr) {
      const uint16_t* row = cur.row[fr];
      const bool hasLeft = c > 0;
      // Without a left neighbour the row is compared with itself, which is never used.
      const uint16_t* left = hasLeft ? row - kBlockWidth : row;
      if (hasLeft && RowsEqual(row, left)) continue;
      for (uint32_t k = 0; k < kBlockWidth; ++k) {
        uint8_t* next = emit(codes, row[k], left[k], hasLeft, fr * 8 + k);
        if (next != nullptr) {
          codes = next;
          ++count;
        }
      }
    }
    rec[0] = static_cast<uint8_t>(kRecordLeftRelative | count);
    rec[1] = static_cast<uint8_t>(c);
    rec[2] = static_cast<uint8_t>(r);
    ++s.records;
    return codes;
  });
}

// Inter coding of the reduced-colour methods: lists of grey codes against the left block and
// the previous image; `useLeft` selects the left-or-previous coder.
size_t CodeReducedInter(FieldCoderState& s, uint8_t* out, bool useLeft) {
  return ForEachBlock(s, out, [&](uint32_t c, uint32_t r, uint8_t* end) {
    const FieldRows cur = RowsOf(s, s.current, c, r);
    const FieldRows prev = RowsOf(s, s.previous, c, r);
    if (FieldUnchanged(cur, prev)) return end;
    uint8_t leftCodes[kFieldPositions], prevCodes[kFieldPositions];
    uint32_t nLeft = 0, nPrev = 0;
    const bool withLeft = useLeft && c > 0;
    for (uint32_t fr = 0; fr < kFieldRows; ++fr) {
      const uint16_t* row = cur.row[fr];
      const uint16_t* left = withLeft ? row - kBlockWidth : row;
      for (uint32_t k = 0; k < kBlockWidth; ++k) {
        const uint8_t level = s.reduction[row[k]];
        const uint32_t p = fr * 8 + k;
        if (level != s.reduction[prev.row[fr][k]]) prevCodes[nPrev++] = GreyCode(level, p);
        if (withLeft && level != s.reduction[left[k]]) {
          leftCodes[nLeft++] = GreyCode(level, p);
        }
      }
    }
    if (withLeft && nLeft < nPrev) {
      ++s.records;
      return WriteRecord(end, static_cast<uint8_t>(kRecordLeftRelative | nLeft), c, r, leftCodes, nLeft);
    }
    if (nPrev == 0) return end;
    ++s.records;
    return WriteRecord(end, static_cast<uint8_t>(nPrev), c, r, prevCodes, nPrev);
  });
}

}  // namespace

size_t CodeFullColourIntra(FieldCoderState& s, uint8_t* out) {
  return CodeIntra(s, out, [&](uint8_t* codes, uint16_t v, uint16_t left, bool hasLeft, uint32_t p) {
    return hasLeft && v == left ? nullptr : CodePixel(s, codes, v, p);
  });
}

size_t CodeReducedIntra(FieldCoderState& s, uint8_t* out) {
  return CodeIntra(s, out, [&](uint8_t* codes, uint16_t v, uint16_t left, bool hasLeft, uint32_t p) {
    const uint8_t level = s.reduction[v];
    if (hasLeft && level == s.reduction[left]) return static_cast<uint8_t*>(nullptr);
    *codes = GreyCode(level, p);
    return codes + 1;
  });
}

size_t CodeFullColourInter(FieldCoderState& s, uint8_t* out) {
  return ForEachBlock(s, out, [&](uint32_t c, uint32_t r, uint8_t* end) {
    const FieldRows cur = RowsOf(s, s.current, c, r);
    const FieldRows prev = RowsOf(s, s.previous, c, r);
    if (FieldUnchanged(cur, prev)) return end;
    uint8_t leftCodes[kMaxCodeListBytes], prevCodes[kMaxCodeListBytes];
    uint8_t* leftEnd = leftCodes;
    uint8_t* prevEnd = prevCodes;
    uint32_t nLeft = 0, nPrev = 0;
    for (uint32_t fr = 0; fr < kFieldRows; ++fr) {
      const uint16_t* row = cur.row[fr];
      const uint16_t* left = c > 0 ? row - kBlockWidth : row;
      for (uint32_t k = 0; k < kBlockWidth; ++k) {
        const uint16_t v = row[k];
        const uint32_t p = fr * 8 + k;
        if (v != prev.row[fr][k]) {
          prevEnd = CodePixel(s, prevEnd, v, p);
          ++nPrev;
        }
        if (c > 0 && v != left[k]) {
          leftEnd = CodePixel(s, leftEnd, v, p);
          ++nLeft;
        }
      }
    }
    const size_t leftBytes = static_cast<size_t>(leftEnd - leftCodes);
    const size_t prevBytes = static_cast<size_t>(prevEnd - prevCodes);
    ++s.records;
    if (c > 0 && leftBytes < prevBytes) {
      return WriteRecord(end, static_cast<uint8_t>(kRecordLeftRelative | nLeft), c, r, leftCodes, leftBytes);
    }
    return WriteRecord(end, static_cast<uint8_t>(nPrev), c, r, prevCodes, prevBytes);
  });
}

size_t CodeReducedLeftOrPrevious(FieldCoderState& s, uint8_t* out) { return CodeReducedInter(s, out, true); }

size_t CodeReducedPreviousOnly(FieldCoderState& s, uint8_t* out) { return CodeReducedInter(s, out, false); }

}  // namespace mirrodex
