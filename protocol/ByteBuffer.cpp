#include "protocol/ByteBuffer.h"

#include <algorithm>
#include <cstring>

#include "protocol/LittleEndian.h"

namespace mirrodex {

ByteBuffer::ByteBuffer()
    : data_(std::make_unique_for_overwrite<uint8_t[]>(kInitialCapacity)),
      capacity_(kInitialCapacity) {}

void ByteBuffer::Reserve(size_t needed) {
  if (needed <= capacity_) return;
  // Geometric growth: a buffer built by many small appends copies each byte a bounded number
  // of times on average.
  const size_t capacity = std::max(needed, capacity_ + capacity_ / 2);
  auto grown = std::make_unique_for_overwrite<uint8_t[]>(capacity);
  if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
  data_ = std::move(grown);
  capacity_ = capacity;
}

void ByteBuffer::Resize(size_t size) {
  Reserve(size);
  size_ = size;
  if (read_ > size_) read_ = size_;
}

void ByteBuffer::Append(const void* data, size_t length) {
  if (length == 0) return;
  Reserve(size_ + length);
  std::memcpy(data_.get() + size_, data, length);
  size_ += length;
}

void ByteBuffer::AppendU32(uint32_t value) {
  uint8_t bytes[4];
  StoreU32(bytes, value);
  Append(bytes, sizeof bytes);
}

bool ByteBuffer::TakeU32(uint32_t& value) {
  if (Remaining() < 4) return false;
  value = LoadU32(data_.get() + read_);
  read_ += 4;
  return true;
}

bool ByteBuffer::Take(void* out, size_t length) {
  if (Remaining() < length) return false;
  if (length > 0) std::memcpy(out, data_.get() + read_, length);
  read_ += length;
  return true;
}

void ByteBuffer::Compact() {
  if (read_ == 0) return;
  const size_t rest = Remaining();
  if (rest > 0) std::memmove(data_.get(), data_.get() + read_, rest);
  size_ = rest;
  read_ = 0;
}

}  // namespace mirrodex
