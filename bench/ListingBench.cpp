// The agent's answer to a folder listing, from the request to the data message that goes on
// the wire: the services build the reply, the command processor hands it over, the command
// session compresses it at its fixed zlib level 9. Folders of 10000 and 20000 entries with
// names of about 200 characters, made once in a temporary folder.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "agent/services/CLinuxFileManager.h"
#include "protocol/LittleEndian.h"
#include "protocol/MessageCompression.h"
#include "protocol/Requests.h"
#include "protocol/TextEncoding.h"

namespace mirrodex::bench {
namespace {

namespace fs = std::filesystem;

// A file root holding one folder per size, removed at exit.
class ListingRoot {
 public:
  ListingRoot() {
    std::string pattern = (fs::temp_directory_path() / "mirrodex-listing-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
  }
  ~ListingRoot() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  // The device path of a folder of `entries` files, made on first use.
  std::string Folder(int64_t entries) {
    std::string name = "f";
    name += std::to_string(entries);
    if (!fs::exists(root_ / name)) {
      fs::create_directories(root_ / name);
      const std::string tail(200, 'n');
      for (int64_t i = 0; i < entries; ++i) {
        std::string entry = "e";
        entry += std::to_string(i);
        entry += '-';
        entry += tail;
        const fs::path file = root_ / name / entry;
        const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0) std::abort();
        ::close(fd);
      }
    }
    name.insert(0, 1, '\\');
    return name;
  }
  const fs::path& Root() const { return root_; }

 private:
  fs::path root_;
};

ListingRoot& Root() {
  static ListingRoot root;
  return root;
}

void BM_ListFolderToMessage(benchmark::State& state) {
  const auto path = Utf8ToUtf16Le(Root().Folder(state.range(0)));
  FileManagerConfig config;
  config.fileRoot = Root().Root().string();
  CLinuxFileManager services(config);
  DataMessageWriter writer;
  ByteBuffer reply, message;
  size_t wireBytes = 0;
  for (auto _ : state) {
    reply.Clear();
    services.Serve(kRequestListFolder, path, reply);
    if (ResultOf(LoadU32(reply.Data())) != state.range(0)) std::abort();
    writer.ResetThreshold();
    if (!writer.Build(reply.Bytes(), message)) std::abort();
    wireBytes = message.Size();
  }
  state.counters["reply_bytes"] = static_cast<double>(reply.Size());
  state.counters["wire_bytes"] = static_cast<double>(wireBytes);
}
BENCHMARK(BM_ListFolderToMessage)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Only the reply: many small appends into one growing buffer.
void BM_ListFolderReply(benchmark::State& state) {
  const auto path = Utf8ToUtf16Le(Root().Folder(state.range(0)));
  FileManagerConfig config;
  config.fileRoot = Root().Root().string();
  CLinuxFileManager services(config);
  for (auto _ : state) {
    ByteBuffer reply;
    services.Serve(kRequestListFolder, path, reply);
    benchmark::DoNotOptimize(reply.Data());
  }
}
BENCHMARK(BM_ListFolderReply)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace mirrodex::bench
