// File requests against a temporary file root with a folder beside it that must stay
// untouched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "agent/services/CLinuxFileManager.h"
#include "tests/services/ServiceRequests.h"

namespace mirrodex::test {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + seed + i / 251);
  return bytes;
}

std::vector<uint8_t> ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class FileServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mirrodex-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    base_ = pattern;
    root_ = base_ / "root";
    outside_ = base_ / "outside";
    fs::create_directories(root_);
    fs::create_directories(outside_ / "etc");
    WriteAll(outside_ / "etc" / "passwd", {'s', 'e', 'c', 'r', 'e', 't'});
    fs::create_symlink(outside_, root_ / "escape");
    FileManagerConfig config;
    config.fileRoot = root_.string();
    services_ = std::make_unique<CLinuxFileManager>(config);
  }
  void TearDown() override {
    services_.reset();
    fs::remove_all(base_);
  }

  // Every file outside the root with its contents, to show that nothing there changed.
  std::map<std::string, std::vector<uint8_t>> OutsideState() const {
    std::map<std::string, std::vector<uint8_t>> state;
    for (const auto& entry : fs::recursive_directory_iterator(outside_)) {
      state[entry.path().string()] = entry.is_regular_file() ? ReadAll(entry.path()) : std::vector<uint8_t>{};
    }
    return state;
  }

  Reply Read(uint32_t code, const std::string& path) { return Ask(*services_, code, Utf16(path)); }
  Reply Write(uint32_t code, const std::string& name, const std::vector<uint8_t>& data) {
    return Ask(*services_, code, Concat(NameBlocks({name}), data));
  }
  Reply Names(uint32_t code, std::initializer_list<std::string> names) {
    return Ask(*services_, code, NameBlocks(names));
  }

  fs::path base_, root_, outside_;
  std::unique_ptr<CLinuxFileManager> services_;
};

TEST_F(FileServicesTest, ReadsLargeFileInChunksAndStartsOverAfterTheEnd) {
  const auto content = Pattern(70000, 3);
  fs::create_directories(root_ / "docs");
  WriteAll(root_ / "docs" / "big.bin", content);

  const Reply first = Read(kRequestReadFirst, "\\docs\\big.bin");
  EXPECT_EQ(first.status, 0x700001u);
  ASSERT_EQ(first.payload.size(), 30000u);
  const Reply second = Read(kRequestReadNext, "\\docs\\big.bin");
  EXPECT_EQ(second.status, 0x700001u);
  ASSERT_EQ(second.payload.size(), 30000u);
  const Reply third = Read(kRequestReadNext, "\\docs\\big.bin");
  EXPECT_EQ(third.status, 0x700000u);
  ASSERT_EQ(third.payload.size(), 10000u);
  EXPECT_EQ(Concat(Concat(first.payload, second.payload), third.payload), content);

  const Reply again = Read(kRequestReadNext, "\\docs\\big.bin");
  EXPECT_EQ(again.status, 0x700001u);
  EXPECT_EQ(again.payload, first.payload);
  // A first-chunk request starts over whatever the offset was.
  EXPECT_EQ(Read(kRequestReadFirst, "\\docs\\big.bin").payload, first.payload);
}

TEST_F(FileServicesTest, ReadsSmallAndEmptyFilesInOneChunk) {
  WriteAll(root_ / "small.txt", {'h', 'i'});
  WriteAll(root_ / "empty.txt", {});
  const Reply small = Read(kRequestReadFirst, "\\small.txt");
  EXPECT_EQ(small.status, 0x700000u);
  EXPECT_EQ(small.payload, (std::vector<uint8_t>{'h', 'i'}));
  const Reply empty = Read(kRequestReadFirst, "\\empty.txt");
  EXPECT_EQ(empty.status, 0x700000u);
  EXPECT_TRUE(empty.payload.empty());
}

TEST_F(FileServicesTest, FileThatShrankBetweenChunksReportsSeekFailureAndStartsOver) {
  WriteAll(root_ / "shrinks.bin", Pattern(40000, 1));
  EXPECT_EQ(Read(kRequestReadFirst, "\\shrinks.bin").status, 0x700001u);
  WriteAll(root_ / "shrinks.bin", Pattern(100, 1));
  EXPECT_EQ(Read(kRequestReadNext, "\\shrinks.bin").status, 0x700003u);
  EXPECT_EQ(Read(kRequestReadNext, "\\shrinks.bin").payload, Pattern(100, 1));
}

TEST_F(FileServicesTest, MissingFileFolderOrBadPathGivesOpenFailed) {
  fs::create_directories(root_ / "folder");
  for (const char* path : {"\\missing.txt", "\\folder", "\\", "\\a\\..\\b"}) {
    const Reply reply = Read(kRequestReadFirst, path);
    EXPECT_EQ(reply.status, 0x700002u) << path;
    EXPECT_TRUE(reply.payload.empty()) << path;
  }
  const std::vector<uint8_t> oddBytes = {'a', 0, 'b'};
  EXPECT_EQ(Ask(*services_, kRequestReadFirst, oddBytes).status, 0x700002u);
}

TEST_F(FileServicesTest, WriteThenAppendInChunksArrivesIntact) {
  const auto content = Pattern(95000, 9);
  constexpr size_t kChunk = 30208;  // the largest chunk a desktop sends
  for (size_t offset = 0; offset < content.size(); offset += kChunk) {
    const auto piece = std::span(content).subspan(offset, std::min(kChunk, content.size() - offset));
    EXPECT_EQ(Write(offset == 0 ? kRequestWriteFirst : kRequestWriteNext, "\\upload.bin",
                    {piece.begin(), piece.end()}).status,
              0x900000u);
  }
  EXPECT_EQ(ReadAll(root_ / "upload.bin"), content);

  // A first chunk truncates what was there.
  EXPECT_EQ(Write(kRequestWriteFirst, "\\upload.bin", {1, 2, 3}).status, 0x900000u);
  EXPECT_EQ(ReadAll(root_ / "upload.bin"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(FileServicesTest, EmptyWriteCreatesAnEmptyFile) {
  EXPECT_EQ(Write(kRequestWriteFirst, "\\new.txt", {}).status, 0x900000u);
  ASSERT_TRUE(fs::is_regular_file(root_ / "new.txt"));
  EXPECT_EQ(fs::file_size(root_ / "new.txt"), 0u);
}

TEST_F(FileServicesTest, WriteFailuresAreReported) {
  EXPECT_EQ(Write(kRequestWriteNext, "\\not-there.txt", {1}).status, 0x900002u);
  EXPECT_FALSE(fs::exists(root_ / "not-there.txt"));
  EXPECT_EQ(Write(kRequestWriteFirst, "\\no-folder\\file.txt", {1}).status, 0x900002u);
  fs::create_directories(root_ / "folder");
  EXPECT_EQ(Write(kRequestWriteFirst, "\\folder", {1}).status, 0x900002u);
  // Name blocks of length 0, above 512 bytes, or longer than the payload.
  const std::vector<uint8_t> zero = {0, 0, 0, 0, 'x'};
  const std::vector<uint8_t> huge = {0x02, 0x02, 0, 0, 'x', 0};
  const std::vector<uint8_t> cut = {8, 0, 0, 0, 'x', 0};
  for (const auto& payload : {zero, huge, cut}) {
    EXPECT_EQ(Ask(*services_, kRequestWriteFirst, payload).status, 0x90FFFFu);
  }
}

TEST_F(FileServicesTest, RenameDeleteFoldersMoveAndCopy) {
  WriteAll(root_ / "a.txt", {'a'});
  EXPECT_EQ(Names(kRequestRenameFile, {"\\a.txt", "\\b.txt"}).status, 0xC00000u);
  EXPECT_FALSE(fs::exists(root_ / "a.txt"));
  EXPECT_EQ(ReadAll(root_ / "b.txt"), (std::vector<uint8_t>{'a'}));

  EXPECT_EQ(Names(kRequestCreateFolder, {"\\dir"}).status, 0xE00000u);
  EXPECT_TRUE(fs::is_directory(root_ / "dir"));
  EXPECT_EQ(Names(kRequestCreateFolder, {"\\dir"}).status, 0xE00002u);

  EXPECT_EQ(Names(kRequestRenameFolder, {"\\b.txt", "\\dir\\c.txt"}).status, 0x1000000u);
  EXPECT_TRUE(fs::exists(root_ / "dir" / "c.txt"));
  EXPECT_EQ(Names(kRequestRemoveFolder, {"\\dir"}).status, 0xF00002u);  // not empty

  EXPECT_EQ(Names(kRequestCopyFile, {"\\dir\\c.txt", "\\d.txt"}).status, 0x1100000u);
  EXPECT_EQ(ReadAll(root_ / "d.txt"), (std::vector<uint8_t>{'a'}));
  EXPECT_EQ(fs::last_write_time(root_ / "d.txt"), fs::last_write_time(root_ / "dir" / "c.txt"));
  WriteAll(root_ / "e.txt", Pattern(5000, 2));
  EXPECT_EQ(Names(kRequestCopyFile, {"\\d.txt", "\\e.txt"}).status, 0x1100000u);  // overwrites
  EXPECT_EQ(ReadAll(root_ / "e.txt"), (std::vector<uint8_t>{'a'}));

  EXPECT_EQ(Names(kRequestDeleteFile, {"\\dir\\c.txt"}).status, 0xD00000u);
  EXPECT_EQ(Names(kRequestDeleteFile, {"\\dir\\c.txt"}).status, 0xD00002u);
  EXPECT_EQ(Names(kRequestDeleteFile, {"\\dir"}).status, 0xD00002u);  // a folder is no file
  EXPECT_EQ(Names(kRequestRemoveFolder, {"\\dir"}).status, 0xF00000u);
  EXPECT_FALSE(fs::exists(root_ / "dir"));

  const Reply bad = Ask(*services_, kRequestRenameFile, NameBlocks({"\\d.txt"}));
  EXPECT_EQ(bad.status, 0xC0FFFFu);  // the second name block is missing
}

TEST_F(FileServicesTest, RenameAndMoveNeverReplaceAndCopyOntoItselfKeepsTheFile) {
  WriteAll(root_ / "one.txt", {'1'});
  WriteAll(root_ / "two.txt", {'2'});
  EXPECT_EQ(Names(kRequestRenameFile, {"\\one.txt", "\\two.txt"}).status, 0xC00002u);
  EXPECT_EQ(Names(kRequestRenameFolder, {"\\one.txt", "\\two.txt"}).status, 0x1000002u);
  EXPECT_EQ(ReadAll(root_ / "two.txt"), (std::vector<uint8_t>{'2'}));
  EXPECT_EQ(Names(kRequestCopyFile, {"\\one.txt", "\\.\\one.txt"}).status, 0x1100002u);
  EXPECT_EQ(ReadAll(root_ / "one.txt"), (std::vector<uint8_t>{'1'}));
}

TEST_F(FileServicesTest, PathsThatLeaveTheRootAreRefusedAndTouchNothing) {
  const auto before = OutsideState();
  const std::string longName = "\\" + std::string(299, 'x');
  for (const std::string& path : {std::string("..\\..\\etc\\passwd"), std::string("\\..\\outside\\etc\\passwd"),
                                  std::string("C:\\etc\\passwd"), std::string("\\escape\\etc\\passwd"), longName}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(Read(kRequestReadFirst, path).status, 0x700002u);
    EXPECT_EQ(Read(kRequestFileExists, path).status, 0xB00000u);
    EXPECT_EQ(Read(kRequestListFolder, path).status, 0x50FFFFu);
    EXPECT_EQ(Write(kRequestWriteFirst, path, {'x'}).status,
              path.size() > 256 ? 0x90FFFFu : 0x900002u);
    EXPECT_EQ(Write(kRequestWriteNext, path, {'x'}).status, path.size() > 256 ? 0x90FFFFu : 0x900002u);
    if (path.size() > 256) continue;  // longer than a name block holds
    EXPECT_EQ(Names(kRequestDeleteFile, {path}).status, 0xD00002u);
    EXPECT_EQ(Names(kRequestCopyFile, {path, "\\copy.txt"}).status, 0x1100002u);
    EXPECT_EQ(Names(kRequestRenameFile, {path, "\\moved.txt"}).status, 0xC00002u);
  }
  for (const std::string& folder : {std::string("..\\evil"), std::string("\\escape\\evil"),
                                    std::string("D:\\evil")}) {
    EXPECT_EQ(Names(kRequestCreateFolder, {folder}).status, 0xE00002u) << folder;
  }
  EXPECT_EQ(Names(kRequestRemoveFolder, {"\\escape\\etc"}).status, 0xF00002u);
  WriteAll(root_ / "inside.txt", {'i'});
  EXPECT_EQ(Names(kRequestCopyFile, {"\\inside.txt", "\\escape\\etc\\passwd"}).status, 0x1100002u);
  EXPECT_EQ(Names(kRequestRenameFile, {"\\inside.txt", "\\escape\\inside.txt"}).status, 0xC00002u);
  EXPECT_EQ(Names(kRequestRenameFile, {"\\inside.txt", "..\\inside.txt"}).status, 0xC00002u);
  EXPECT_EQ(OutsideState(), before);
  EXPECT_FALSE(fs::exists(root_ / "copy.txt"));
  EXPECT_TRUE(fs::exists(root_ / "inside.txt"));
}

TEST_F(FileServicesTest, PathsOfUpTo259CharactersAreServed) {
  // 259 characters is the longest path the device's buffers hold.
  const std::string name(254, 'n');
  fs::create_directories(root_ / "abc");
  WriteAll(root_ / "abc" / name, {'z'});
  const std::string path = "\\abc\\" + name;
  ASSERT_EQ(path.size(), 259u);
  EXPECT_EQ(Read(kRequestReadFirst, path).status, 0x700000u);
  EXPECT_EQ(Read(kRequestReadFirst, path + "\\").status, 0x700002u);  // 260 characters
}

TEST_F(FileServicesTest, ExistsSeesFilesAndFoldersWithinTheRoot) {
  WriteAll(root_ / "here.txt", {});
  fs::create_directories(root_ / "sub");
  fs::create_symlink("here.txt", root_ / "link-in");
  EXPECT_EQ(Read(kRequestFileExists, "\\here.txt").status, 0xB00001u);
  EXPECT_EQ(Read(kRequestFileExists, "\\sub").status, 0xB00001u);
  EXPECT_EQ(Read(kRequestFileExists, "\\link-in").status, 0xB00001u);
  EXPECT_EQ(Read(kRequestFileExists, "\\gone.txt").status, 0xB00000u);
  // A terminator sent with the path is not part of it.
  auto terminated = Utf16("\\here.txt");
  terminated.insert(terminated.end(), {0, 0});
  EXPECT_EQ(Ask(*services_, kRequestFileExists, terminated).status, 0xB00001u);
}

enum EntryValue { kSize, kDate, kTime, kAttributes, kReserved };

TEST_F(FileServicesTest, ListsFolderEntriesWithAttributesAndUtcTimes) {
  fs::create_directories(root_ / "data" / "sub");
  WriteAll(root_ / "data" / "file.bin", Pattern(1234, 0));
  WriteAll(root_ / "data" / ".hidden", {});
  ASSERT_EQ(::mkfifo((root_ / "data" / "pipe").c_str(), 0600), 0);
  fs::create_symlink(outside_, root_ / "data" / "out-link");
  fs::create_symlink("sub", root_ / "data" / "in-link");
  // 2021-03-04 05:06:07.089 UTC
  const struct timespec times[2] = {{0, UTIME_OMIT}, {1614834367, 89000000}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (root_ / "data" / "file.bin").c_str(), times, 0), 0);

  const Reply reply = Read(kRequestListFolder, "\\data");
  EXPECT_EQ(reply.status, 0x500006u);
  const auto entries = ParseNamedRecords(reply);
  ASSERT_EQ(entries.size(), 6u);
  std::map<std::string, std::array<uint32_t, 5>> byName;
  for (const auto& entry : entries) byName[entry.name] = entry.values;
  EXPECT_EQ(byName.at("file.bin")[kSize], 1234u);
  EXPECT_EQ(byName.at("file.bin")[kDate], (2021u << 16) | (3u << 8) | 4u);
  EXPECT_EQ(byName.at("file.bin")[kTime], (5u << 24) | (6u << 16) | (7u << 10) | 89u);
  EXPECT_EQ(byName.at("file.bin")[kAttributes], 0u);
  EXPECT_EQ(byName.at("file.bin")[kReserved], 0u);
  EXPECT_EQ(byName.at("sub")[kAttributes], 16u);
  EXPECT_EQ(byName.at("in-link")[kAttributes], 16u);
  EXPECT_EQ(byName.at(".hidden")[kAttributes], 2u);
  EXPECT_EQ(byName.at("pipe")[kAttributes], 4u);
  EXPECT_EQ(byName.at("out-link")[kAttributes], 4u);  // what lies outside stays unseen

  // With or without a trailing backslash, the same folder.
  EXPECT_EQ(Read(kRequestListFolder, "\\data\\").payload, reply.payload);
}

TEST_F(FileServicesTest, ListingOfTwentyThousandLongNamesIsCompleteAndSorted) {
  // Once too slow to answer within the desktop's wait: a reply of about 8 MB built piece by piece.
  constexpr uint32_t kEntries = 20000;
  const fs::path folder = root_ / "many";
  fs::create_directories(folder);
  const std::string tail(200, 'n');
  auto name = [&](uint32_t i) {
    char head[16];
    std::snprintf(head, sizeof head, "e%05u-", i);
    return head + tail;
  };
  for (uint32_t i = 0; i < kEntries; ++i) {
    const int fd = ::open((folder / name(i)).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  const Reply reply = Read(kRequestListFolder, "\\many");
  EXPECT_EQ(reply.status, StatusWord(kRequestListFolder, kEntries));
  const auto entries = ParseNamedRecords(reply);
  ASSERT_EQ(entries.size(), kEntries);
  for (uint32_t i = 0; i < kEntries; i += 997) EXPECT_EQ(entries[i].name, name(i));
  EXPECT_EQ(entries.back().name, name(kEntries - 1));
}

TEST_F(FileServicesTest, EmptyOrMissingFolderListsNothing) {
  fs::create_directories(root_ / "empty");
  EXPECT_EQ(Read(kRequestListFolder, "\\empty").status, 0x50FFFFu);
  EXPECT_EQ(Read(kRequestListFolder, "\\missing").status, 0x50FFFFu);
  EXPECT_EQ(Read(kRequestListFolder, "\\").status, 0x500002u);  // "empty" and the link "escape"
}

TEST_F(FileServicesTest, ListsTheOneStorageRoot) {
  const Reply reply = Ask(*services_, kRequestListRoots, std::vector<uint8_t>{0x20});
  EXPECT_EQ(reply.status, 0x600001u);
  EXPECT_EQ(reply.payload, (std::vector<uint8_t>{92, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(FileServicesTest, UnknownRequestGetsTheStatusZeroReply) {
  for (const uint32_t code : {0u, 1u, 2u, 18u, 21u, 63u}) {
    const Reply reply = Ask(*services_, code, std::vector<uint8_t>{1, 2, 3});
    EXPECT_TRUE(reply.complete);
    EXPECT_EQ(reply.status, 0u);
    EXPECT_TRUE(reply.payload.empty());
  }
}

class FileRootTest : public FileServicesTest,
                     public ::testing::WithParamInterface<FileRoot::Resolution> {};

TEST_P(FileRootTest, OpensWithinTheRootAndNeverThroughLinksLeadingOut) {
  fs::create_directories(root_ / "a" / "b");
  WriteAll(root_ / "a" / "b" / "f.txt", {'f'});
  fs::create_symlink(outside_ / "etc" / "passwd", root_ / "a" / "passwd-link");
  fs::create_symlink("/", root_ / "a" / "slash");
  const FileRoot root(root_.string(), GetParam());
  const auto open = [&](const std::string& path, int flags) {
    return root.Open(*DevicePath::FromUtf8(path), flags, 0666).Valid();
  };
  EXPECT_TRUE(open("\\a\\b\\f.txt", O_RDONLY));
  EXPECT_TRUE(open("\\", O_RDONLY | O_DIRECTORY));
  EXPECT_FALSE(open("\\escape\\etc\\passwd", O_RDONLY));
  EXPECT_FALSE(open("\\a\\passwd-link", O_RDONLY));
  EXPECT_FALSE(open("\\a\\passwd-link", O_WRONLY | O_CREAT | O_TRUNC));
  EXPECT_FALSE(open("\\a\\slash\\etc\\hostname", O_RDONLY));
  EXPECT_FALSE(open("\\escape\\new.txt", O_WRONLY | O_CREAT));
  EXPECT_FALSE(root.OpenParent(*DevicePath::FromUtf8("\\escape\\etc\\passwd")).Valid());
  EXPECT_FALSE(fs::exists(outside_ / "new.txt"));
  EXPECT_EQ(ReadAll(outside_ / "etc" / "passwd"), (std::vector<uint8_t>{'s', 'e', 'c', 'r', 'e', 't'}));
}

INSTANTIATE_TEST_SUITE_P(BothResolutions, FileRootTest,
                         ::testing::Values(FileRoot::Resolution::kKernel, FileRoot::Resolution::kWalking));

TEST(FileServicesWithoutRootTest, EveryFileRequestFailsCleanly) {
  FileManagerConfig config;
  config.fileRoot = "/nonexistent/mirrodex-root";
  CLinuxFileManager services(config);
  EXPECT_EQ(Ask(services, kRequestReadFirst, Utf16("\\a")).status, 0x700002u);
  EXPECT_EQ(Ask(services, kRequestListFolder, Utf16("\\")).status, 0x50FFFFu);
  EXPECT_EQ(Ask(services, kRequestCreateFolder, NameBlocks({"\\a"})).status, 0xE00002u);
}

}  // namespace
}  // namespace mirrodex::test
