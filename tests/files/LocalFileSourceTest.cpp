// The PC side's file source on a temporary folder, with its own trash.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "desktop/files/LocalFileSource.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;

class LocalFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("mirrodex-local-files-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "data");
    ::setenv("XDG_DATA_HOME", (dir / "share").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const std::string& name) const { return (dir / "data" / name).string(); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(Path(name)) << text; }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name));
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path dir;
  LocalFileSource files;
};

TEST_F(LocalFiles, ListingGivesNamesSizesTimesAndAttributes) {
  Write("a.txt", "12345");
  Write(".hidden", "");
  ASSERT_TRUE(files.CreateFolder(Path("sub")));
  EXPECT_EQ(files.CreateFolder(Path("sub")).kind, FileResult::Kind::kRefused);
  std::vector<FileEntry> entries;
  ASSERT_TRUE(files.ListFolder((dir / "data").string(), entries));
  ASSERT_EQ(entries.size(), 3u);
  std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
  EXPECT_EQ(entries[0].name, ".hidden");
  EXPECT_TRUE(entries[0].IsHiddenOrSystem());
  EXPECT_EQ(entries[1].size, 5u);
  EXPECT_FALSE(entries[1].IsFolder());
  EXPECT_GE(entries[1].lastWrite.year, 2024u);
  EXPECT_TRUE(entries[2].IsFolder());

  ASSERT_TRUE(files.ListFolder(Path("sub"), entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(files.ListFolder(Path("missing"), entries));
  bool exists = false;
  ASSERT_TRUE(files.Exists(Path("a.txt"), exists));
  EXPECT_TRUE(exists);
  ASSERT_TRUE(files.Exists(Path("missing"), exists));
  EXPECT_FALSE(exists);
}

TEST_F(LocalFiles, RenamesNeverReplaceAndCopiesReplaceOnlyWhenComplete) {
  Write("a", "first");
  Write("b", "second");
  EXPECT_EQ(files.RenameFile(Path("a"), Path("b")).kind, FileResult::Kind::kRefused);
  EXPECT_EQ(Read("b"), "second");
  ASSERT_TRUE(files.RenameFile(Path("a"), Path("c")));
  EXPECT_FALSE(fs::exists(Path("a")));

  ASSERT_TRUE(files.CopyFile(Path("c"), Path("b")));
  EXPECT_EQ(Read("b"), "first");
  ASSERT_TRUE(files.CopyFile(Path("b"), Path("b")));  // onto itself: contents kept
  EXPECT_EQ(Read("b"), "first");
  EXPECT_FALSE(files.CopyFile(Path("missing"), Path("b")));
  EXPECT_EQ(Read("b"), "first");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "data"), {}), 2);  // no temporary left

  ASSERT_TRUE(files.DeleteFile(Path("b")));
  EXPECT_FALSE(fs::exists(Path("b")));
}

TEST_F(LocalFiles, RemovedFoldersGoToTheTrash) {
  ASSERT_TRUE(files.CreateFolder(Path("old")));
  Write("old/kept", "x");
  ASSERT_TRUE(files.RemoveFolder(Path("old")));
  EXPECT_FALSE(fs::exists(Path("old")));
  EXPECT_TRUE(fs::exists(dir / "share" / "Trash" / "files" / "old" / "kept"));
  std::ifstream info(dir / "share" / "Trash" / "info" / "old.trashinfo");
  std::string header, pathLine;
  std::getline(info, header);
  std::getline(info, pathLine);
  EXPECT_EQ(header, "[Trash Info]");
  EXPECT_EQ(pathLine, "Path=" + Path("old"));
  // A second folder of the same name gets its own place in the trash.
  ASSERT_TRUE(files.CreateFolder(Path("old")));
  ASSERT_TRUE(files.RemoveFolder(Path("old")));
  EXPECT_TRUE(fs::exists(dir / "share" / "Trash" / "files" / "old 2"));
  Write("plain", "x");
  EXPECT_FALSE(files.RemoveFolder(Path("plain")));
  EXPECT_TRUE(fs::exists(Path("plain")));
}

}  // namespace
}  // namespace mirrodex
