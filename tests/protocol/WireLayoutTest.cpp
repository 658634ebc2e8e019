// Golden bytes of the wire layouts: what both ends must agree on byte for byte.
#include <gtest/gtest.h>

#include <vector>

#include "protocol/ByteBuffer.h"
#include "protocol/CommandWords.h"
#include "protocol/DeviceInfo.h"
#include "protocol/LittleEndian.h"
#include "protocol/MessageHeader.h"
#include "protocol/Requests.h"
#include "protocol/SessionSettings.h"

namespace mirrodex {
namespace {

TEST(CommandWords, PointerAndKeyWordsMatchTheWire) {
  EXPECT_EQ(PointerWord(239, 319, PointerAction::kLeftDown), 0x0A0EF13Fu);
  EXPECT_EQ(PointerWord(0, 0, PointerAction::kTogglePause), 0x0B000000u);
  EXPECT_EQ(KeyWord(112, true), 0x04010070u);
  EXPECT_EQ(KeyWord(0x20AC, false), 0x040020ACu);

  const DecodedCommand pointer = DecodeCommand(0x0A0EF13Fu);
  EXPECT_EQ(pointer.kind, DecodedCommand::Kind::kPointer);
  EXPECT_EQ(pointer.x, 239u);
  EXPECT_EQ(pointer.y, 319u);
  EXPECT_EQ(pointer.action, PointerAction::kLeftDown);
  const DecodedCommand key = DecodeCommand(0x04010070u);
  EXPECT_EQ(key.kind, DecodedCommand::Kind::kKey);
  EXPECT_TRUE(key.isVirtualKey);
  EXPECT_EQ(key.keyCode, 112u);
  EXPECT_EQ(DecodeCommand(0x00000001u).kind, DecodedCommand::Kind::kUnknown);
}

TEST(Requests, RequestAndStatusWordsMatchTheWire) {
  const std::vector<uint8_t> list = BuildRequest(kRequestProcesses, std::vector<uint8_t>{'0', '0'});
  EXPECT_EQ(list, (std::vector<uint8_t>{0x02, 0x00, 0x40, 0x0D, 0x30, 0x30}));

  const std::vector<uint8_t> text = {0x61, 0x00, 0x62, 0x00, 0x00, 0x00};
  const std::vector<uint8_t> clip = BuildRequest(kRequestSetClipboard, text);
  EXPECT_EQ(LoadU32(clip.data()), 0x0C400006u);
  EXPECT_EQ(std::vector<uint8_t>(clip.begin() + 4, clip.end()), text);

  EXPECT_EQ(StatusWord(7, 1), 0x700001u);
  EXPECT_EQ(ReplyCodeOf(0x1400003u), 20u);
  EXPECT_EQ(ResultOf(0x90FFFFu), 0xFFFFu);
  EXPECT_LT(0u, kReplyCodeZeroLimit);
}

TEST(Requests, TableGivesReplyCodesRangesAndTimeouts) {
  EXPECT_EQ(FindRequestSpec(kRequestReadNext)->replyCode, 7u);
  EXPECT_EQ(FindRequestSpec(kRequestWriteNext)->replyCode, 9u);
  EXPECT_EQ(FindRequestSpec(kRequestReadFirst)->timeoutMs, 40000u);
  EXPECT_EQ(FindRequestSpec(kRequestStatus)->timeoutMs, 1000u);
  EXPECT_EQ(FindRequestSpec(kRequestProcesses)->timeoutMs, 5000u);
  EXPECT_EQ(FindRequestSpec(kRequestListFolder)->successMin, 1u);
  EXPECT_EQ(FindRequestSpec(kRequestListFolder)->successMax, 65534u);
  EXPECT_FALSE(FindRequestSpec(18).has_value());
}

TEST(Requests, NameBlocksRoundTripAndRefuseBadLengths) {
  ByteBuffer buffer;
  AppendNameBlock(buffer, "\\Mes documents\\été.txt");
  AppendNameBlock(buffer, "\xF0\x9F\x98\x80");  // one character outside the BMP: a surrogate pair
  size_t offset = 0;
  const auto first = ReadNameBlock(buffer.Bytes(), offset);
  const auto second = ReadNameBlock(buffer.Bytes(), offset);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(Utf16LeToUtf8(*first), "\\Mes documents\\été.txt");
  EXPECT_EQ(second->size(), 4u);
  EXPECT_EQ(Utf16LeToUtf8(*second), "\xF0\x9F\x98\x80");
  EXPECT_EQ(offset, buffer.Size());

  const std::vector<uint8_t> zero = {0, 0, 0, 0};
  const std::vector<uint8_t> tooLong = {0x02, 0x02, 0, 0, 'a', 0};
  const std::vector<uint8_t> pastEnd = {0x08, 0, 0, 0, 'a', 0};
  for (const auto& bad : {zero, tooLong, pastEnd}) {
    size_t at = 0;
    EXPECT_FALSE(ReadNameBlock(bad, at).has_value());
    EXPECT_EQ(at, 0u);
  }
}

TEST(DeviceInfoLayout, PacksEveryFieldAtItsOffset) {
  DeviceInfo info = MakeDeviceInfo(240, 320, kColourRgb444);
  info.bitsPerPixel = 12;
  info.landscape = 1;
  info.platform = 5;
  info.deviceFlags = kDeviceFlagSmartphone;
  info.xPitch = -2;
  info.yPitch = 480;
  const auto b = info.Pack();
  const std::array<uint8_t, 28> expected = {0xF0, 0x00, 0x40, 0x01, 12,   0, 1,    0,    8,    0,
                                            8,    0,    30,   0,    40,   0, 5,    2,    7,    0,
                                            0xFF, 0x01, 64,   0,    0xFE, 0xFF, 0xE0, 0x01};
  EXPECT_EQ(b, expected);
  const DeviceInfo back = DeviceInfo::Parse(b);
  EXPECT_EQ(back.Pack(), expected);
  EXPECT_EQ(back.xPitch, -2);
  EXPECT_EQ(back.BytesPerPixel(), 2u);
}

TEST(DeviceInfoLayout, RefusesGeometriesTheDecoderCannotHold) {
  EXPECT_TRUE(MakeDeviceInfo(240, 320, kColourRgb565).IsValid());
  EXPECT_TRUE(MakeDeviceInfo(175, 99, kColourRgb565).IsValid());
  EXPECT_TRUE(MakeDeviceInfo(2048, 2048, kColourRgb565).IsValid());

  std::vector<DeviceInfo> bad(7, MakeDeviceInfo(240, 320, kColourRgb565));
  bad[0] = MakeDeviceInfo(0, 0, kColourRgb565);
  bad[1] = MakeDeviceInfo(65535, 65535, kColourRgb565);
  bad[2].blockWidth = 16;
  bad[3].pixelsPerBlock = 128;
  bad[4].blockColumns = 31;
  bad[5].colourFormat = 8;
  bad[6].bitsPerPixel = 0;
  for (const DeviceInfo& info : bad) EXPECT_FALSE(info.IsValid());
}

TEST(SessionSettingsLayout, PacksFieldsAndParsesThemMasked) {
  SessionSettings s;
  s.compressor = Compressor::kBzip2;
  s.refreshMs = 50;
  s.priority = 2;
  s.compressionLevel = 9;
  s.codingMethod = 3;
  const auto b = s.Pack();
  EXPECT_EQ(LoadU32(&b[0]), 100u);
  EXPECT_EQ(LoadU32(&b[4]), 2u | (9u << 2) | (3u << 6));
  const SessionSettings back = SessionSettings::Parse(b);
  EXPECT_EQ(back.compressor, Compressor::kBzip2);
  EXPECT_EQ(back.refreshMs, 50u);
  EXPECT_EQ(back.priority, 2u);
  EXPECT_EQ(back.compressionLevel, 9u);
  EXPECT_EQ(back.codingMethod, 3u);
  EXPECT_TRUE(back.IsReducedColour());
}

TEST(MessageHeaderLayout, SplitsTypeAndLength) {
  uint8_t bytes[8];
  CloseMessage().Pack(bytes);
  EXPECT_EQ(LoadU32(bytes), 0xC0000000u);
  EXPECT_EQ(LoadU32(bytes + 4), 0u);
  const MessageHeader compressed = MessageHeader::Parse(std::array<uint8_t, 8>{0x10, 0, 0, 0x30, 0x40, 0, 0, 0}.data());
  EXPECT_TRUE(compressed.IsCompressed());
  EXPECT_EQ(compressed.Length(), 16u);
  EXPECT_EQ(compressed.word1, 64u);
  EXPECT_FALSE(MakeHeader(MessageType::kStatusValue, 0, 7).HasBody());
  EXPECT_TRUE((MessageHeader{0x50000004u, 4}.HasBody()));  // unknown types carry a body
}

TEST(ByteBufferGrowth, ManySmallAppendsGrowItGeometricallyAndTakeLittleEndian) {
  ByteBuffer buffer;
  // A large reply built piece by piece (a listing) must not be copied again at every step.
  std::vector<uint8_t> piece(100);
  size_t growths = 0, capacity = buffer.Capacity();
  for (uint32_t i = 0; i < 40000; ++i) {
    piece[0] = static_cast<uint8_t>(i);
    buffer.Append(piece);
    if (buffer.Capacity() != capacity) ++growths;
    capacity = buffer.Capacity();
  }
  EXPECT_LE(growths, 40u);
  EXPECT_EQ(buffer.Size(), 4000000u);
  EXPECT_EQ(buffer.Data()[3999900], static_cast<uint8_t>(39999));
  std::vector<uint8_t> big(20000000, 0xAB);
  buffer.Append(big);  // more than the growth step: room for all of it
  EXPECT_EQ(buffer.Data()[buffer.Size() - 1], 0xAB);
  buffer.Clear();
  buffer.AppendU32(0x01020304u);
  EXPECT_EQ(buffer.Data()[0], 0x04);
  uint32_t value = 0;
  ASSERT_TRUE(buffer.TakeU32(value));
  EXPECT_EQ(value, 0x01020304u);
  EXPECT_FALSE(buffer.TakeU32(value));
}

}  // namespace
}  // namespace mirrodex
