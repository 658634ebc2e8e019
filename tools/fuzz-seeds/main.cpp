// mirrodex-fuzz-seeds: writes the fuzz targets' seed corpora from one real exchange between
// the desktop's requesters and the agent's device services (see fuzz/seeds/README.md).
// Usage: mirrodex-fuzz-seeds [SEED_FOLDER]   (default: fuzz/seeds)
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "agent/capture/ScreenEncoder.h"
#include "desktop/files/DeviceTransfer.h"
#include "desktop/session/DeviceCommands.h"
#include "desktop/session/DeviceProcesses.h"
#include "fuzz/ReplyOperations.h"
#include "protocol/LittleEndian.h"
#include "protocol/MessageCompression.h"
#include "tools/fuzz-seeds/RecordedLink.h"

namespace mirrodex::seeds {
namespace {

namespace fs = std::filesystem;
using fuzz::ReplyOperation;

constexpr size_t kProcessesKept = 3;  // a whole machine's list would make a slow seed

void WriteFile(const fs::path& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void Append(Bytes& to, std::span<const uint8_t> bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

// A small device tree with fixed dates, so listings come out the same every time.
void MakeDeviceTree(const fs::path& root) {
  fs::create_directories(root / "docs" / "inner");
  const auto fixDate = [](const fs::path& path) {
    const struct timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  };
  const auto put = [&](const fs::path& path, const std::string& text) {
    WriteFile(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    fixDate(path);
  };
  put(root / "docs" / "note.txt", "a short note\n");
  put(root / "docs" / "data.bin", std::string(2000, 'd'));
  put(root / "docs" / ".hidden", "h");
  put(root / "docs" / "inner" / "deep.txt", "deep");
  fixDate(root / "docs" / "inner");
}

// The first few entries of a process list reply, with the count in the status word to match.
Bytes ShrinkProcessList(const Bytes& reply) {
  if (reply.size() < 4) return reply;
  size_t at = 4;
  size_t kept = 0;
  while (kept < kProcessesKept && reply.size() - at >= 4) {
    const size_t entry = 4 + 2 * size_t{LoadU32(&reply[at])} + 20;
    if (reply.size() - at < entry) break;
    at += entry;
    ++kept;
  }
  Bytes out(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(at));
  StoreU32(out.data(), (LoadU32(out.data()) & 0xFFFF0000u) | static_cast<uint32_t>(kept));
  return out;
}

struct Scene {
  std::string name;
  std::optional<ReplyOperation> operation;  // how fuzz_device_replies replays the replies
  std::function<void(DeviceFileSource&, DeviceRequester&)> run;
};

class FixedClipboard final : public DesktopClipboard {
 public:
  ReadResult ReadText(std::u16string& text) override {
    text = u"text from the desktop \u00E9\U0001F600";
    return ReadResult::kText;
  }
  bool WriteText(std::u16string_view) override { return true; }
};

std::vector<Scene> Scenes(const fs::path& localFile) {
  static FixedClipboard clipboard;
  using Files = DeviceFileSource;
  using Requester = DeviceRequester;
  return {
      {"list-roots", ReplyOperation::kListRoots, [](Files& f, Requester&) {
         std::vector<DeviceRoot> roots;
         (void)f.ListRoots(roots);
       }},
      {"list-folder", ReplyOperation::kListFolder, [](Files& f, Requester&) {
         std::vector<FileEntry> entries;
         (void)f.ListFolder("\\docs", entries);
       }},
      {"exists", ReplyOperation::kExists, [](Files& f, Requester&) {
         bool exists = false;
         (void)f.Exists("\\docs\\note.txt", exists);
       }},
      {"create-folder", ReplyOperation::kCreateFolder, [](Files& f, Requester&) { (void)f.CreateFolder("\\new"); }},
      {"rename", ReplyOperation::kRenameFile,
       [](Files& f, Requester&) { (void)f.RenameFile("\\docs\\note.txt", "\\docs\\renamed.txt"); }},
      {"copy-file", std::nullopt,
       [](Files& f, Requester&) { (void)f.CopyFile("\\docs\\renamed.txt", "\\new\\copy.txt"); }},
      {"push", std::nullopt, [localFile](Files& f, Requester&) {
         DeviceTransfer transfer(f);
         (void)transfer.CopyToDevice(localFile.string(), "\\new\\pushed.bin", TransferControl{});
       }},
      {"pull", ReplyOperation::kCopyFromDevice, [](Files& f, Requester&) {
         DeviceTransfer transfer(f);
         (void)transfer.CopyFromDevice("\\docs\\data.bin", "/dev/null", TransferControl{});
       }},
      {"delete-and-remove", std::nullopt, [](Files& f, Requester&) {
         (void)f.DeleteFile("\\new\\pushed.bin");
         (void)f.DeleteFile("\\new\\copy.txt");
         (void)f.RemoveFolder("\\new");
         (void)f.RenameFolder("\\docs\\inner", "\\docs\\moved");
       }},
      {"status", ReplyOperation::kRefreshStatus, [](Files&, Requester& r) {
         DeviceStatus values;
         (void)RefreshStatus(r, values, nullptr);
       }},
      {"processes", ReplyOperation::kListProcesses, [](Files&, Requester& r) {
         std::vector<DeviceProcess> processes;
         (void)ListProcesses(r, processes);
       }},
      {"clipboard-to-device", ReplyOperation::kClipboardToDevice,
       [](Files&, Requester& r) { (void)CopyToDevice(r, clipboard); }},
      {"clipboard-from-device", ReplyOperation::kClipboardFromDevice,
       [](Files&, Requester& r) { (void)CopyFromDevice(r, clipboard); }},
  };
}

class SeedFolder {
 public:
  explicit SeedFolder(fs::path base) : base_(std::move(base)) {}
  // Empties the target's folder on first use, so a regeneration leaves no stale seeds.
  void Write(const std::string& target, const std::string& name, std::span<const uint8_t> bytes) {
    const fs::path folder = base_ / target;
    if (cleared_.insert(target).second) {
      fs::remove_all(folder);
      fs::create_directories(folder);
    }
    WriteFile(folder / name, bytes);
  }

 private:
  fs::path base_;
  std::set<std::string> cleared_;
};

// One data message as a transport sends it, behind the compressor byte fuzz_message reads.
void WriteMessageSeeds(SeedFolder& seeds, const std::string& name, const Bytes& payload) {
  for (const Compressor compressor : {Compressor::kZlib, Compressor::kBzip2}) {
    DataMessageWriter writer;
    writer.SetParams({compressor, 9, 9});
    ByteBuffer message;
    if (!writer.Build(payload, message)) continue;
    Bytes seed{static_cast<uint8_t>(compressor == Compressor::kZlib ? 1 : 0)};
    Append(seed, {message.Data(), message.Size()});
    seeds.Write("fuzz_message", name + (compressor == Compressor::kZlib ? "-zlib" : "-bzip2"), seed);
  }
}

// What one end reads from the other during a scene: its data messages, then the close
// message, behind the byte fuzz_transport reads (reads of 64 bytes; even: the agent reads
// requests, odd: the desktop reads replies).
void WriteTransportSeed(SeedFolder& seeds, const std::string& name, bool desktopReads,
                        const std::vector<Bytes>& payloads) {
  Bytes seed{static_cast<uint8_t>((63 << 1) | (desktopReads ? 1 : 0))};
  DataMessageWriter writer;
  ByteBuffer message;
  for (const auto& payload : payloads) {
    if (!writer.Build(payload, message)) continue;
    Append(seed, {message.Data(), message.Size()});
  }
  uint8_t close[kHeaderSize];
  CloseMessage().Pack(close);
  Append(seed, close);
  seeds.Write("fuzz_transport", name + (desktopReads ? "-replies" : "-requests"), seed);
}

void RecordRequestsAndReplies(const fs::path& work, SeedFolder& seeds) {
  const fs::path root = work / "device";
  MakeDeviceTree(root);
  const fs::path localFile = work / "local.bin";
  WriteFile(localFile, Bytes(1500, 'p'));

  RecordedLink link(root.string());
  DeviceFileSource files(link.Dispatcher(), link.Sender());
  Bytes session;
  for (const Scene& scene : Scenes(localFile)) {
    {
      DeviceRequester requester(link.Dispatcher(), link.Sender(), DeviceRequester::Role::kCurrent);
      scene.run(files, requester);
    }
    const auto requests = link.TakeRequests();
    auto replies = link.TakeReplies();
    if (scene.operation == ReplyOperation::kListProcesses) {
      for (auto& reply : replies) reply = ShrinkProcessList(reply);
    }
    Bytes sent;
    Bytes processorInput;
    for (const auto& request : requests) {
      Append(sent, request);
      if (request.size() > 255) continue;
      // A data message of the request, one processing step, then the reply taken.
      processorInput.push_back(0);
      processorInput.push_back(static_cast<uint8_t>(request.size()));
      Append(processorInput, request);
      processorInput.push_back(2);
      processorInput.push_back(3);
    }
    Append(session, sent);
    seeds.Write("fuzz_file_manager", scene.name, sent);
    if (!processorInput.empty()) seeds.Write("fuzz_command_processor", scene.name, processorInput);
    WriteTransportSeed(seeds, scene.name, false, requests);
    WriteTransportSeed(seeds, scene.name, true, replies);
    if (!requests.empty()) WriteMessageSeeds(seeds, scene.name + "-request", requests.front());
    if (!replies.empty()) WriteMessageSeeds(seeds, scene.name + "-reply", replies.front());
    if (!scene.operation) continue;
    Bytes records;
    for (const auto& reply : replies) {
      records.push_back(static_cast<uint8_t>(*scene.operation));
      records.push_back(static_cast<uint8_t>(reply.size() & 0xFF));
      records.push_back(static_cast<uint8_t>(reply.size() >> 8));
      Append(records, reply);
    }
    seeds.Write("fuzz_device_replies", scene.name, records);
  }
  seeds.Write("fuzz_file_manager", "session", session);
}

// Two pictures through the real encoder with each coding method: DeviceInfo, then the
// fields' payloads joined by 0xFE 0xFE, as fuzz_apply_update splits them.
void RecordScreenUpdates(SeedFolder& seeds) {
  constexpr uint32_t kWidth = 40;
  constexpr uint32_t kHeight = 24;
  for (uint32_t kind = 0; kind < 4; ++kind) {
    ScreenEncoder encoder;
    if (!encoder.Setup(kWidth, kHeight, kColourRgb565)) throw std::runtime_error("encoder setup");
    encoder.StartSession();
    encoder.SelectKind(kind);
    const auto info = encoder.Describe().Pack();
    Bytes seed(info.begin(), info.end());
    std::vector<uint16_t> picture(kWidth * kHeight);
    for (int frame = 0; frame < 2; ++frame) {
      for (size_t i = 0; i < picture.size(); ++i) {
        picture[i] = static_cast<uint16_t>((i % kWidth < 8u * static_cast<size_t>(frame + 1)) ? 0xF800 : (i * 37) & 0xFFFF);
      }
      encoder.LoadImage(picture.data(), kWidth * 2);
      do {
        const auto payload = encoder.EncodeNextField();
        if (payload.empty()) continue;
        if (seed.size() > info.size()) Append(seed, std::initializer_list<uint8_t>{0xFE, 0xFE});
        Append(seed, payload);
      } while (!encoder.NeedsCapture());
    }
    seeds.Write("fuzz_apply_update", "kind-" + std::to_string(kind), seed);
  }
}

}  // namespace
}  // namespace mirrodex::seeds

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace mirrodex::seeds;
  const fs::path out = argc > 1 ? argv[1] : "fuzz/seeds";
  std::string pattern = (fs::temp_directory_path() / "mdx-seeds-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mirrodex-fuzz-seeds: mkdtemp");
    return 1;
  }
  const fs::path work = pattern;
  int status = 0;
  try {
    SeedFolder seeds(out);
    RecordRequestsAndReplies(work, seeds);
    RecordScreenUpdates(seeds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mirrodex-fuzz-seeds: %s\n", e.what());
    status = 1;
  }
  std::error_code ignored;
  fs::remove_all(work, ignored);
  return status;
}
