// The desktop's readers of what a hostile device answers: folder listings, roots, file
// results, file chunks, the process list, the status values and the clipboard text, each
// reached through a real requester and the reply dispatcher. The input is a run of records
// (u8 operation, u16 reply length, the reply: status word then payload); the operation of the
// record at the head chooses what the desktop asks next, and every request it sends is
// answered with the next record's reply (none left: the request cannot be sent).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "desktop/files/DeviceFileSource.h"
#include "desktop/files/DeviceTransfer.h"
#include "desktop/session/DeviceCommands.h"
#include "desktop/session/DeviceProcesses.h"
#include "fuzz/ReplyOperations.h"
#include "protocol/LittleEndian.h"

namespace {

using namespace mirrodex;

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Record {
  uint8_t operation;
  std::span<const uint8_t> reply;
};

std::deque<Record> ReadRecords(std::span<const uint8_t> in) {
  std::deque<Record> records;
  while (in.size() >= 3) {
    const uint8_t operation = in[0];
    const size_t length = std::min<size_t>(LoadU16(&in[1]), in.size() - 3);
    records.push_back({operation, in.subspan(3, length)});
    in = in.subspan(3 + length);
  }
  return records;
}

class FakeClipboard final : public DesktopClipboard {
 public:
  ReadResult ReadText(std::u16string& text) override {
    text = u"desktop text";
    return ReadResult::kText;
  }
  bool WriteText(std::u16string_view text) override {
    Check(text.find(u'\0') == std::u16string_view::npos);  // the text ends at the first zero
    return true;
  }
};

class NoDisplay final : public StatusDisplay {
 public:
  void ShowStatus(uint32_t, uint32_t) override {}
};

// The desktop's operations, by the record's operation byte.
void RunOperation(uint8_t operation, ReplyDispatcher& dispatcher, const DeviceRequester::Sender& sender,
                  DeviceFileSource& files) {
  // Each command takes a fresh requester; a zero timeout never waits for a reply that was
  // not sent.
  DeviceRequester requester(dispatcher, sender, DeviceRequester::Role::kCurrent, 0);
  FakeClipboard clipboard;
  NoDisplay display;
  using fuzz::ReplyOperation;
  switch (static_cast<ReplyOperation>(operation % fuzz::kReplyOperations)) {
    case ReplyOperation::kListFolder: {
      std::vector<FileEntry> entries;
      if (!files.ListFolder("\\sub\\*.*", entries)) Check(entries.empty());
      break;
    }
    case ReplyOperation::kListRoots: {
      std::vector<DeviceRoot> roots;
      if (files.ListRoots(roots)) Check(files.RootValues().size() == roots.size());
      break;
    }
    case ReplyOperation::kExists: {
      bool exists = true;
      if (!files.Exists("\\a.txt", exists)) Check(!exists);
      break;
    }
    case ReplyOperation::kRenameFile: static_cast<void>(files.RenameFile("\\a.txt", "\\b.txt")); break;
    case ReplyOperation::kCreateFolder: static_cast<void>(files.CreateFolder("\\new")); break;
    case ReplyOperation::kCopyFromDevice: {
      DeviceTransfer transfer(files);
      static_cast<void>(transfer.CopyFromDevice("\\a.txt", "/dev/null", TransferControl{}));
      break;
    }
    case ReplyOperation::kListProcesses: {
      std::vector<DeviceProcess> processes;
      if (ListProcesses(requester, processes) != ExchangeStatus::kOk) Check(processes.empty());
      break;
    }
    case ReplyOperation::kRefreshStatus: {
      DeviceStatus values;
      static_cast<void>(RefreshStatus(requester, values, &display));
      break;
    }
    case ReplyOperation::kClipboardFromDevice: static_cast<void>(CopyFromDevice(requester, clipboard)); break;
    case ReplyOperation::kClipboardToDevice: static_cast<void>(CopyToDevice(requester, clipboard)); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::deque<Record> records = ReadRecords({data, size});
  ReplyDispatcher dispatcher;
  // Answers at once, on the requesting thread, as the command session's thread would later.
  const DeviceRequester::Sender sender = [&](uint32_t, std::span<const uint8_t>) {
    if (records.empty()) return false;
    const auto reply = records.front().reply;
    records.pop_front();
    dispatcher.Dispatch(reply);
    return true;
  };
  DeviceFileSource files(dispatcher, sender, 0);
  while (!records.empty()) {
    const size_t before = records.size();
    RunOperation(records.front().operation, dispatcher, sender, files);
    Check(records.size() < before);  // every operation asks the device something
  }
  Check(dispatcher.OwedReplies() == 0);
  return 0;
}
