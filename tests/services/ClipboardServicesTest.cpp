// The clipboard requests against another X11 client on a private display, and the agent's own
// store when there is no display.
#include <gtest/gtest.h>

#include "agent/services/CLinuxFileManager.h"
#include "tests/services/PeerProcess.h"
#include "tests/services/ServiceRequests.h"
#include "tests/services/ServicesOnDisplayTest.h"

namespace mirrodex::test {
namespace {

const std::string kText = "Grüße, € and 𝄞 from the other side";

std::string Hex(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
    out += pair;
  }
  return out;
}

std::vector<uint8_t> Terminated(const std::string& text) {
  auto bytes = Utf16(text);
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

class X11ClipboardTest : public ServicesOnDisplayTest {
 protected:
  std::string PeerRead() {
    PeerProcess reader({MIRRODEX_X11_PEER, "read", DisplayName()});
    const std::string line = reader.ReadLine();
    reader.Wait();
    return line;
  }

};

TEST_F(X11ClipboardTest, GetWithoutAnyOwnerRepliesNoText) {
  const Reply reply = Ask(*services_, kRequestGetClipboard, " ");
  ASSERT_TRUE(reply.complete);
  EXPECT_EQ(reply.status, 0x300001u);
  EXPECT_TRUE(reply.payload.empty());
}

TEST_F(X11ClipboardTest, GetReadsTheTextAnotherClientOwns) {
  PeerProcess owner({MIRRODEX_X11_PEER, "own", DisplayName(), Hex(kText)});
  ASSERT_EQ(owner.ReadLine(), "ready");
  const Reply reply = Ask(*services_, kRequestGetClipboard, " ");
  EXPECT_EQ(reply.status, 0x300000u);
  EXPECT_EQ(reply.payload, Utf16(kText));
}

TEST_F(X11ClipboardTest, GetReadsALargeTextHandedOverInIncrements) {
  constexpr size_t kSize = 150001;
  PeerProcess owner({MIRRODEX_X11_PEER, "own-incr", DisplayName(), std::to_string(kSize)});
  ASSERT_EQ(owner.ReadLine(), "ready");
  const Reply reply = Ask(*services_, kRequestGetClipboard, " ");
  EXPECT_EQ(reply.status, 0x300000u);
  ASSERT_EQ(reply.payload.size(), 2 * kSize);
  for (size_t i = 0; i < kSize; i += 9973) {
    EXPECT_EQ(reply.payload[2 * i], 'a' + i % 26) << i;
    EXPECT_EQ(reply.payload[2 * i + 1], 0) << i;
  }
}

TEST_F(X11ClipboardTest, SetTextIsServedToOtherClientsUntilAnotherOwnerTakesOver) {
  EXPECT_EQ(Ask(*services_, kRequestSetClipboard, Terminated(kText)).status, 0x400000u);
  EXPECT_EQ(PeerRead(), "utf8 " + Hex(kText));
  // Still served after other requests went by.
  EXPECT_EQ(Ask(*services_, kRequestStatus, " ").status >> 20, 19u);
  EXPECT_EQ(PeerRead(), "utf8 " + Hex(kText));
  // The agent's own get does not need a round trip through itself.
  EXPECT_EQ(Ask(*services_, kRequestGetClipboard, " ").payload, Utf16(kText));

  PeerProcess owner({MIRRODEX_X11_PEER, "own", DisplayName(), Hex("newer")});
  ASSERT_EQ(owner.ReadLine(), "ready");
  EXPECT_EQ(Ask(*services_, kRequestGetClipboard, " ").payload, Utf16("newer"));
}

TEST_F(X11ClipboardTest, SetTakesTheSelectionFromAnotherOwner) {
  PeerProcess owner({MIRRODEX_X11_PEER, "own", DisplayName(), Hex("theirs")});
  ASSERT_EQ(owner.ReadLine(), "ready");
  EXPECT_EQ(Ask(*services_, kRequestSetClipboard, Terminated("ours")).status, 0x400000u);
  EXPECT_EQ(PeerRead(), "utf8 " + Hex("ours"));
}

class LostDisplayTest : public ServicesOnDisplayTest {};

TEST_F(LostDisplayTest, AServerThatGoesAwayFailsRequestsWithoutEndingTheAgent) {
  ASSERT_EQ(Ask(*services_, kRequestSetClipboard, Terminated("held")).status, 0x400000u);
  PeerProcess child({MIRRODEX_X11_PEER, "idle"});
  ASSERT_EQ(child.ReadLine(), "ready");
  server_->Stop();
  EXPECT_EQ(Ask(*services_, kRequestGetClipboard, " ").status, 0x300002u);
  EXPECT_EQ(Ask(*services_, kRequestSetClipboard, Terminated("lost")).status, 0x400002u);
  EXPECT_EQ(Ask(*services_, kRequestProcesses, "2" + std::to_string(child.Id())).status, 0x1400001u);
  EXPECT_EQ(Ask(*services_, kRequestProcesses, "1" + std::to_string(child.Id())).status, 0x1400001u);
}

TEST(OwnClipboardStoreTest, WithoutDisplayTheAgentKeepsItsOwnText) {
  FileManagerConfig config;
  config.fileRoot = ::testing::TempDir();
  CLinuxFileManager services(config);
  EXPECT_EQ(Ask(services, kRequestGetClipboard, " ").status, 0x300001u);

  EXPECT_EQ(Ask(services, kRequestSetClipboard, Terminated(kText)).status, 0x400000u);
  const Reply reply = Ask(services, kRequestGetClipboard, " ");
  EXPECT_EQ(reply.status, 0x300000u);
  EXPECT_EQ(reply.payload, Utf16(kText));

  // Text stops at the first NUL unit; a stray odd byte is dropped.
  auto cut = Utf16("ab");
  cut.insert(cut.end(), {0, 0, 'c', 0, 'x'});
  EXPECT_EQ(Ask(services, kRequestSetClipboard, cut).status, 0x400000u);
  EXPECT_EQ(Ask(services, kRequestGetClipboard, " ").payload, Utf16("ab"));
  EXPECT_EQ(Ask(services, kRequestSetClipboard, std::vector<uint8_t>{}).status, 0x400000u);
  const Reply empty = Ask(services, kRequestGetClipboard, " ");
  EXPECT_EQ(empty.status, 0x300000u);
  EXPECT_TRUE(empty.payload.empty());
}

}  // namespace
}  // namespace mirrodex::test
