// Size and date texts, and the reading of device listings and roots.
#include <QLocale>
#include <cstdlib>
#include <ctime>

#include <random>

#include <gtest/gtest.h>

#include "desktop/files/DeviceAnswers.h"
#include "desktop/files/FileTexts.h"
#include "protocol/LittleEndian.h"
#include "protocol/TextEncoding.h"

namespace mirrodex {
namespace {

TEST(FileTexts, SizeTextsShowTheTrueFirstDecimal) {
  EXPECT_EQ(SizeText(0), "0 Bytes");
  EXPECT_EQ(SizeText(1024), "1024 Bytes");
  EXPECT_EQ(SizeText(1025), "1.0 KB");
  EXPECT_EQ(SizeText(1536), "1.5 KB");
  EXPECT_EQ(SizeText(2047), "1.9 KB");  // cut, never rounded up to 2.0
  EXPECT_EQ(SizeText(1048576), "1024.0 KB");
  EXPECT_EQ(SizeText(1048576 + 104858), "1.1 MB");
  EXPECT_EQ(SizeText(uint64_t{5} << 32), "20480.0 MB");
  EXPECT_EQ(ProgressText("a.txt", 1536), "a.txt - 1.50 KB");
}

TEST(FileTexts, DateTextIsTheLocalDateInTheUsersFormat) {
  const char* oldZone = std::getenv("TZ");
  const std::string saved = oldZone ? oldZone : "";
  ::setenv("TZ", "JST-9", 1);  // nine hours ahead of UTC
  ::tzset();
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(DateText({2025, 3, 7, 10, 0, 0}), "07.03.25");
  EXPECT_EQ(DateText({2025, 3, 7, 23, 30, 0}), "08.03.25");  // already the next day here
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(DateText({2025, 3, 7, 10, 0, 0}), "3/7/25");
  EXPECT_EQ(DateText({}), "");
  EXPECT_EQ(DateText({2025, 2, 30, 0, 0, 0}), "");
  EXPECT_EQ(DateText(FileTime::FromWords(2024u << 16 | 12u << 8 | 31u, 1u << 24)), "12/31/24");
  if (oldZone) ::setenv("TZ", saved.c_str(), 1); else ::unsetenv("TZ");
  ::tzset();
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> out;
  for (uint32_t v : values) {
    out.resize(out.size() + 4);
    StoreU32(&out[out.size() - 4], v);
  }
  return out;
}

TEST(DeviceAnswers, ListingEntriesAreReadAndShortAnswersRefused) {
  std::vector<uint8_t> answer = Words({5});
  const auto name = Utf8ToUtf16Le("h\u00E9llo");
  answer.insert(answer.end(), name.begin(), name.end());
  const auto rest = Words({70000, 2025u << 16 | 3u << 8 | 7u, 13u << 24 | 5u << 16 | 9u << 10, 16, 0});
  answer.insert(answer.end(), rest.begin(), rest.end());
  std::vector<FileEntry> entries;
  ASSERT_TRUE(ParseFolderListing(1, answer, entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "h\u00E9llo");
  EXPECT_EQ(entries[0].size, 70000u);
  EXPECT_EQ(entries[0].lastWrite.year, 2025u);
  EXPECT_EQ(entries[0].lastWrite.day, 7u);
  EXPECT_EQ(entries[0].lastWrite.hour, 13u);
  EXPECT_EQ(entries[0].lastWrite.second, 9u);
  EXPECT_TRUE(entries[0].IsFolder());

  EXPECT_FALSE(ParseFolderListing(2, answer, entries));  // counts more than it holds
  EXPECT_TRUE(entries.empty());                          // not the entry that did read
  answer.pop_back();
  EXPECT_FALSE(ParseFolderListing(1, answer, entries));
  EXPECT_FALSE(ParseFolderListing(1, Words({0x7FFFFFFF, 1, 2}), entries));  // a length beyond the bytes

  std::vector<DeviceRoot> roots;
  ASSERT_TRUE(ParseRoots(2, Words({92, 7, 'c', 8}), roots));
  ASSERT_EQ(roots.size(), 2u);
  EXPECT_EQ(roots[0].text, "\\");
  EXPECT_EQ(roots[1].text, "c:");
  EXPECT_EQ(roots[1].value, 8u);
  EXPECT_FALSE(ParseRoots(3, Words({92, 7, 'c', 8}), roots));
  EXPECT_TRUE(roots.empty());
}

// Names from the device in random mixes of ASCII, BMP characters, pairs and lone halves: an
// entry is kept exactly when its name is well-formed, and a kept name encodes back to the
// device's bytes, so no two device names can come out as the same path.
TEST(DeviceAnswers, ListingEntriesWhoseNamesHoldALoneSurrogateAreLeftOut) {
  std::mt19937 random(17);
  const char16_t pieces[] = {u'a', u'\u00E9', u'\u20AC', 0xD83D, 0xDE00, 0xDBFF, 0xDC00};
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> answer;
    std::vector<std::vector<uint8_t>> names;
    const uint32_t count = 1 + random() % 4;
    for (uint32_t i = 0; i < count; ++i) {
      std::vector<uint8_t> name;
      for (uint32_t n = random() % 6; n > 0; --n) {
        const char16_t unit = pieces[random() % std::size(pieces)];
        name.push_back(static_cast<uint8_t>(unit));
        name.push_back(static_cast<uint8_t>(unit >> 8));
      }
      const auto length = Words({static_cast<uint32_t>(name.size() / 2)});
      answer.insert(answer.end(), length.begin(), length.end());
      answer.insert(answer.end(), name.begin(), name.end());
      const auto rest = Words({1, 0, 0, 0, 0});
      answer.insert(answer.end(), rest.begin(), rest.end());
      names.push_back(name);
    }
    std::vector<FileEntry> entries;
    size_t refused = 99;
    ASSERT_TRUE(ParseFolderListing(count, answer, entries, &refused));
    std::vector<std::vector<uint8_t>> kept;
    for (const auto& name : names) {
      if (IsWellFormedUtf16Le(name)) kept.push_back(name);
    }
    ASSERT_EQ(entries.size(), kept.size());
    EXPECT_EQ(refused, names.size() - kept.size());
    for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(Utf8ToUtf16Le(entries[i].name), kept[i]);
  }
  const std::vector<uint8_t> lowAlone = {0x00, 0xDC}, highAtEnd = {0x41, 0x00, 0x3D, 0xD8},
                             pair = {0x3D, 0xD8, 0x00, 0xDE}, swapped = {0x00, 0xDE, 0x3D, 0xD8};
  EXPECT_FALSE(IsWellFormedUtf16Le(lowAlone));
  EXPECT_FALSE(IsWellFormedUtf16Le(highAtEnd));
  EXPECT_TRUE(IsWellFormedUtf16Le(pair));
  EXPECT_FALSE(IsWellFormedUtf16Le(swapped));
}

}  // namespace
}  // namespace mirrodex
