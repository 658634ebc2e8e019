// The data-message send rule (raw threshold, both compressors) and bounded decompression.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "protocol/MessageCompression.h"

namespace mirrodex {
namespace {

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

std::vector<uint8_t> Repetitive(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>("screen update "[i % 14]);
  return v;
}

std::span<const uint8_t> Body(const ByteBuffer& message) {
  return message.Bytes().subspan(kHeaderSize);
}

MessageHeader HeaderOf(const ByteBuffer& message) { return MessageHeader::Parse(message.Data()); }

// Decompresses a built message's body and checks it gives back the payload.
void ExpectRoundTrip(Compressor compressor, const ByteBuffer& message, const std::vector<uint8_t>& payload) {
  const MessageHeader h = HeaderOf(message);
  ASSERT_TRUE(h.IsCompressed());
  ByteBuffer out;
  ASSERT_EQ(InflatePayload(compressor, Body(message), h.word1, 1u << 24, out), InflateResult::kOk);
  EXPECT_EQ(std::vector<uint8_t>(out.Bytes().begin(), out.Bytes().end()), payload);
}

TEST(SendRule, EmptyPayloadGoesRawAndSmallThresholdRules) {
  DataMessageWriter writer;
  ByteBuffer message;
  ASSERT_TRUE(writer.Build({}, message));
  EXPECT_EQ(message.Size(), kHeaderSize);
  EXPECT_EQ(HeaderOf(message).word0, 0u);
  EXPECT_EQ(HeaderOf(message).word1, 0u);

  // With T = 0 the first non-empty payload is compressed...
  const std::vector<uint8_t> text = Repetitive(4000);
  ASSERT_TRUE(writer.Build(text, message));
  ExpectRoundTrip(Compressor::kZlib, message, text);

  // ...and one that grows goes raw and raises T to the compressed size.
  const std::vector<uint8_t> noise = RandomBytes(100, 1);
  ASSERT_TRUE(writer.Build(noise, message));
  EXPECT_EQ(HeaderOf(message).word0, 100u);
  EXPECT_EQ(std::vector<uint8_t>(Body(message).begin(), Body(message).end()), noise);
  const uint32_t t = writer.Threshold();
  EXPECT_GT(t, 100u);

  // A payload of exactly T bytes goes raw without an attempt; T + 1 is compressed again.
  const std::vector<uint8_t> atThreshold = Repetitive(t);
  ASSERT_TRUE(writer.Build(atThreshold, message));
  EXPECT_EQ(HeaderOf(message).word0, t);
  const std::vector<uint8_t> above = Repetitive(t + 1);
  ASSERT_TRUE(writer.Build(above, message));
  ExpectRoundTrip(Compressor::kZlib, message, above);
}

TEST(SendRule, IncompressibleMegabytesGoRawWithEitherCompressor) {
  // Larger than a U + 512 byte zlib target can hold, and bzip2 grows every random payload.
  const std::vector<uint8_t> noise = RandomBytes(2u << 20, 2);
  for (Compressor compressor : {Compressor::kZlib, Compressor::kBzip2}) {
    DataMessageWriter writer;
    writer.SetParams({compressor, 1, 1});
    ByteBuffer message;
    ASSERT_TRUE(writer.Build(noise, message));
    EXPECT_EQ(HeaderOf(message).TypeBits(), 0u);
    EXPECT_EQ(HeaderOf(message).Length(), noise.size());
    EXPECT_GT(writer.Threshold(), noise.size());
    const std::vector<uint8_t> small = RandomBytes(40, 3);
    ASSERT_TRUE(writer.Build(small, message));
    EXPECT_EQ(HeaderOf(message).TypeBits(), 0u);
  }
}

TEST(SendRule, Bzip2MessagesAreCompleteStreams) {
  DataMessageWriter writer;
  writer.SetParams({Compressor::kBzip2, 9, 3});
  const std::vector<uint8_t> text = Repetitive(50000);
  ByteBuffer message;
  ASSERT_TRUE(writer.Build(text, message));
  ExpectRoundTrip(Compressor::kBzip2, message, text);
  // An independent one-shot reader accepts the stream as it stands.
  std::vector<char> out(text.size());
  unsigned outLength = static_cast<unsigned>(out.size());
  const auto body = Body(message);
  ASSERT_EQ(BZ2_bzBuffToBuffDecompress(out.data(), &outLength,
                                       const_cast<char*>(reinterpret_cast<const char*>(body.data())),
                                       static_cast<unsigned>(body.size()), 0, 0),
            BZ_OK);
  EXPECT_EQ(outLength, text.size());
}

TEST(BoundedInflate, RefusesAbsurdSizesAndBombsWithoutAllocatingThem) {
  ByteBuffer out;
  const std::vector<uint8_t> junk = RandomBytes(64, 4);
  EXPECT_EQ(InflatePayload(Compressor::kZlib, junk, 0xFFFFFFFFu, 64u << 20, out), InflateResult::kTooLarge);
  EXPECT_LT(out.Capacity(), 1u << 20);

  // 200 MiB of zeros declared as 1 KiB, then declared honestly above the bound.
  const std::vector<uint8_t> zeros(200u << 20, 0);
  std::vector<uint8_t> bomb(compressBound(zeros.size()));
  uLongf bombSize = bomb.size();
  ASSERT_EQ(compress2(bomb.data(), &bombSize, zeros.data(), zeros.size(), 9), Z_OK);
  bomb.resize(bombSize);
  EXPECT_NE(InflatePayload(Compressor::kZlib, bomb, 1024, 64u << 20, out), InflateResult::kOk);
  EXPECT_EQ(InflatePayload(Compressor::kZlib, bomb, 200u << 20, 64u << 20, out), InflateResult::kTooLarge);
  EXPECT_LT(out.Capacity(), 1u << 20);

  EXPECT_EQ(InflatePayload(Compressor::kZlib, junk, 100, 1u << 20, out), InflateResult::kCorrupt);
  EXPECT_EQ(InflatePayload(Compressor::kBzip2, junk, 100, 1u << 20, out), InflateResult::kCorrupt);
}

TEST(BoundedInflate, Bzip2StreamThatOverrunsItsDeclaredSizeFails) {
  DataMessageWriter writer;
  writer.SetParams({Compressor::kBzip2, 9, 1});
  const std::vector<uint8_t> text = Repetitive(100000);
  ByteBuffer message;
  ASSERT_TRUE(writer.Build(text, message));
  ByteBuffer out;
  EXPECT_EQ(InflatePayload(Compressor::kBzip2, Body(message), 1000, 1u << 20, out), InflateResult::kTooLarge);
  EXPECT_EQ(InflatePayload(Compressor::kZlib, {}, 0, 1u << 20, out), InflateResult::kCorrupt);
}

}  // namespace
}  // namespace mirrodex
