// The bounded command queue under floods: it never grows past its bound, keeps the newest
// pointer position, never leaves the device's button down and never loses the request marker.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "agent/input/CommandQueue.h"
#include "protocol/CommandWords.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

uint32_t Move(uint32_t i) { return PointerWord(i % 4096, (i / 4096) % 4096, PointerAction::kMove); }
uint32_t Press(uint32_t x) { return PointerWord(x, 7, PointerAction::kLeftDown); }
uint32_t Release(uint32_t x) { return PointerWord(x, 7, PointerAction::kLeftUp); }
PointerAction ActionOf(uint32_t word) { return DecodeCommand(word).action; }
bool IsButton(uint32_t word) {
  return DecodeCommand(word).kind == DecodedCommand::Kind::kPointer && ActionOf(word) != PointerAction::kMove;
}

TEST(CommandQueue, FloodOfMovesStaysBoundedAndEndsAtTheNewestPosition) {
  CommandQueue queue(64);
  constexpr uint32_t kFlood = 200000;
  for (uint32_t i = 0; i < kFlood; ++i) {
    queue.PushInput(Move(i));
    ASSERT_LE(queue.Size(), 64u);
  }
  uint32_t word = 0, last = 0, popped = 0;
  while (queue.Pop(word)) {
    last = word;
    ++popped;
  }
  EXPECT_LE(popped, 64u);
  EXPECT_EQ(last, Move(kFlood - 1));
  EXPECT_EQ(queue.Dropped(), kFlood - popped);
}

TEST(CommandQueue, ClearKeepsOnlyTheReleaseOfAReplayedPress) {
  CommandQueue queue(16);
  uint32_t word = 0;
  queue.PushInput(Press(10));
  queue.PushInput(Move(3));
  ASSERT_TRUE(queue.Pop(word));  // the press reaches the device
  queue.PushInput(KeyWord('a', false));
  queue.PushInput(Press(11));  // a second press without release, still queued
  queue.Clear();
  ASSERT_EQ(queue.Size(), 1u);
  ASSERT_TRUE(queue.Pop(word));
  EXPECT_EQ(word, Release(10));
  queue.Clear();
  EXPECT_EQ(queue.Size(), 0u);

  queue.PushInput(Press(12));  // never replayed: dropped whole
  queue.Clear();
  EXPECT_EQ(queue.Size(), 0u);
}

// Random floods of moves, keys, button words and request markers with random draining.
// Honest button words alternate press and release; hostile ones come in any order.
TEST(CommandQueue, RandomFloodsKeepBoundsButtonPairsAndTheLatestMarker) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    const bool honest = seed % 2 == 0;
    const size_t capacity = 4 + random() % 60;
    CommandQueue queue(capacity);
    bool inputDown = false;   // honest input: the state the desktop's buttons are in
    bool deviceDown = false;  // the state the replayed words leave the device in
    std::optional<uint32_t> marker;  // the latest marker not yet taken
    uint32_t markerCount = 0;
    auto pop = [&](uint32_t& word) {
      if (!queue.Pop(word)) return false;
      if ((word & kCommandClassMask) == kRequestWordBase) {
        EXPECT_EQ(marker, word);
        marker.reset();
      } else if (IsButton(word)) {
        const bool press = ActionOf(word) == PointerAction::kLeftDown;
        if (honest) {
          EXPECT_NE(press, deviceDown) << "a press or release lost its partner";
        }
        deviceDown = press;
      }
      return true;
    };
    for (int round = 0; round < 40; ++round) {
      const uint32_t burst = random() % 400;
      for (uint32_t i = 0; i < burst; ++i) {
        const uint32_t kind = random() % 100;
        if (kind < 55) {
          queue.PushInput(Move(random()));
        } else if (kind < 80) {
          queue.PushInput(KeyWord(random() % 0x20000, false));
        } else if (kind < 98) {
          const bool press = honest ? !inputDown : random() % 2 == 0;
          inputDown = press;
          queue.PushInput(press ? Press(i) : Release(i));
        } else {
          marker = RequestWord(1 + markerCount++ % 63, 0);
          queue.PushRequestMarker(*marker);
        }
        ASSERT_LE(queue.Size(), capacity + 2);
      }
      uint32_t word = 0;
      for (uint32_t drain = random() % (capacity + 8); drain > 0 && pop(word); --drain) {
      }
      if (random() % 10 == 0) {
        queue.Clear();  // the desktop leaves
        marker.reset();
        inputDown = false;
        while (pop(word)) {
        }
        EXPECT_FALSE(deviceDown) << "the button stayed down after the sessions stopped";
      }
    }
    uint32_t word = 0;
    while (pop(word)) {
    }
    EXPECT_FALSE(marker.has_value()) << "a request marker was dropped";
  }
}

}  // namespace
}  // namespace mirrodex
