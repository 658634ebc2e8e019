// The agent's device services fed the requests of a hostile desktop: a run of request
// messages (request word, then its payload) served one after another, so the read offset of
// a transfer carries over between them. Runs against a small fresh file root that holds a
// file, a folder and symbolic links that point out of it; after every input nothing beside
// the root may have changed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>

#include "agent/services/CLinuxFileManager.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace {

namespace fs = std::filesystem;

constexpr char kKeep[] = "outside the root";

void Check(bool condition) {
  if (!condition) std::abort();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Memory-backed when the machine has it: a new inode on a disk file system costs far more
// than the services' own work.
fs::path SandboxParent() {
  if (::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
  return fs::temp_directory_path();
}

// A private folder per process: root/ is the agent's file root, outside/ must stay as made.
class Sandbox {
 public:
  Sandbox() {
    std::string pattern = (SandboxParent() / "mdx-fuzz-XXXXXX").string();
    Check(::mkdtemp(pattern.data()) != nullptr);
    base_ = pattern;
    fs::create_directory(Outside());
    WriteFile(Outside() / "keep", kKeep);
  }
  ~Sandbox() {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
  }

  fs::path Root() const { return base_ / "root"; }
  fs::path Outside() const { return base_ / "outside"; }

  // A fresh root: everything the last input made is gone.
  void ResetRoot() const {
    std::error_code ignored;
    fs::remove_all(Root(), ignored);
    fs::create_directories(Root() / "sub");
    WriteFile(Root() / "a.txt", "0123456789");
    WriteFile(Root() / "sub" / "b.bin", std::string(3000, 'b'));
    fs::create_directory_symlink("../outside", Root() / "up");
    fs::create_symlink(Outside() / "keep", Root() / "abs");
    Check(::mkfifo((Root() / "pipe").c_str(), 0600) == 0);
  }

  // Nothing outside the root was created, removed or changed.
  void CheckUntouched() const {
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(base_)) {
      ++entries;
      Check(entry.path() == Root() || entry.path() == Outside());
    }
    Check(entries == 2);
    size_t outside = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Outside())) ++outside;
    Check(outside == 1);
    Check(ReadFile(Outside() / "keep") == kKeep);
  }

 private:
  fs::path base_;
};

// Ending a process by its id would reach the real processes of this machine.
bool EndsAProcess(uint32_t code, std::span<const uint8_t> payload) {
  return code == mirrodex::kRequestProcesses && payload.size() >= 3 && payload[0] == '1';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mirrodex;
  static const Sandbox sandbox;
  sandbox.ResetRoot();
  {
    FileManagerConfig config;
    config.fileRoot = sandbox.Root().string();
    CLinuxFileManager services(config);
    std::span<const uint8_t> in(data, size);
    ByteBuffer reply;
    while (in.size() >= 4) {
      const uint32_t word = LoadU32(in.data());
      in = in.subspan(4);
      // The command processor serves only the bytes that arrived.
      const size_t length = RequestLengthOf(word);
      if (length > in.size()) break;
      const auto payload = in.first(length);
      in = in.subspan(length);
      const uint32_t code = RequestCodeOf(word);
      if (EndsAProcess(code, payload)) continue;
      reply.Clear();
      services.Serve(code, payload, reply);
      Check(reply.Size() >= 4);  // every request gets a status word
    }
  }
  sandbox.CheckUntouched();
  return 0;
}
