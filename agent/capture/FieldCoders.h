// The four block coders of one field: full-colour intra and inter (palette codes) and the
// reduced-colour intra and the two reduced inter coders (one-byte grey codes).
// Each writes the block records of one field to `out` and returns their byte count.
// `out` must hold blockColumns * blockRows * 99 bytes. Nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mirrodex {

struct FieldCoderState {
  const uint16_t* current;   // image being coded, `stride` pixels per row, padded to blocks
  const uint16_t* previous;  // last complete image (inter coders)
  uint32_t stride;
  uint32_t blockColumns;
  uint32_t blockRows;
  uint32_t positionBase;     // 0 for the even field, 32 for the odd one
  uint16_t* palette;         // index -> pixel value
  uint16_t* reverse;         // pixel value -> index, 0 = absent
  const uint8_t* reduction;  // pixel value -> 3-bit grey level
  uint32_t nextIndex;        // first free palette index; grows as colours are added
  uint32_t records = 0;      // records written (out)
};

size_t CodeFullColourIntra(FieldCoderState& state, uint8_t* out);
size_t CodeFullColourInter(FieldCoderState& state, uint8_t* out);
size_t CodeReducedIntra(FieldCoderState& state, uint8_t* out);
size_t CodeReducedLeftOrPrevious(FieldCoderState& state, uint8_t* out);
size_t CodeReducedPreviousOnly(FieldCoderState& state, uint8_t* out);

}  // namespace mirrodex
