// Growable byte buffer shared by transports, queues, requesters and services on both sides.
// Growth rule: when too small it grows to the larger of the needed size and one and a half
// times its capacity, so appending is amortised constant time.
// Not thread-safe: the owner serialises access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mirrodex {

class ByteBuffer {
 public:
  static constexpr size_t kInitialCapacity = 1024;

  ByteBuffer();
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ByteBuffer(ByteBuffer&&) noexcept = default;
  ByteBuffer& operator=(ByteBuffer&&) noexcept = default;

  // Makes room for at least `needed` bytes in total, keeping the contents.
  void Reserve(size_t needed);
  // Sets the used length (growing the capacity when needed); new bytes are unspecified.
  void Resize(size_t size);
  void Clear() { size_ = 0; read_ = 0; }

  void Append(const void* data, size_t length);
  void Append(std::span<const uint8_t> bytes) { Append(bytes.data(), bytes.size()); }
  void AppendU32(uint32_t value);

  // Takes bytes from the front (a read cursor; the used length is unchanged until Clear or
  // Compact). Returns false, taking nothing, when fewer bytes remain.
  [[nodiscard]] bool TakeU32(uint32_t& value);
  [[nodiscard]] bool Take(void* out, size_t length);
  // Drops the bytes already taken, moving the rest to the front.
  void Compact();

  uint8_t* Data() { return data_.get(); }
  const uint8_t* Data() const { return data_.get(); }
  size_t Size() const { return size_; }
  size_t Capacity() const { return capacity_; }
  size_t Remaining() const { return size_ - read_; }
  const uint8_t* ReadPointer() const { return data_.get() + read_; }
  std::span<const uint8_t> Bytes() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<uint8_t[]> data_;
  size_t capacity_ = 0;
  size_t size_ = 0;
  size_t read_ = 0;
};

}  // namespace mirrodex
