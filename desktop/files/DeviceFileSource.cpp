#include "desktop/files/DeviceFileSource.h"

#include <cerrno>

#include "desktop/files/DeviceAnswers.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

constexpr uint8_t kNoPayload[] = {0x20};

// A name block the device accepts: 1 to 512 bytes of UTF-16.
bool AppendCheckedNameBlock(ByteBuffer& out, const std::string& path) {
  const auto text = Utf8ToUtf16Le(path);
  if (text.empty() || text.size() > kMaxNameBlockBytes) return false;
  out.AppendU32(static_cast<uint32_t>(text.size()));
  out.Append(text.data(), text.size());
  return true;
}

FileResult BadName() { return FileResult::Local(FileResult::Kind::kRefused, ENAMETOOLONG); }

}  // namespace

DeviceFileSource::DeviceFileSource(ReplyDispatcher& dispatcher, DeviceRequester::Sender sender,
                                   uint32_t timeoutCapMs)
    : dispatcher_(dispatcher),
      sender_(std::move(sender)),
      timeoutCapMs_(timeoutCapMs),
      requester_(std::make_unique<DeviceRequester>(dispatcher_, sender_, DeviceRequester::Role::kFileManager,
                                                   timeoutCapMs_)) {}

FileResult DeviceFileSource::Request(uint32_t code, std::span<const uint8_t> payload) {
  if (!requester_->Usable()) {
    // The old requester unregisters before the new one takes the file manager's place.
    requester_.reset();
    requester_ = std::make_unique<DeviceRequester>(dispatcher_, sender_, DeviceRequester::Role::kFileManager,
                                                   timeoutCapMs_);
  }
  const ExchangeStatus status = requester_->Exchange(code, payload);
  return FileResult::FromExchange(status, requester_->Result());
}

void DeviceFileSource::RecordRate(uint64_t bytes, std::chrono::steady_clock::duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  if (seconds <= 0) return;
  const double rate = static_cast<double>(bytes) / seconds;
  if (rate > bestRate_) bestRate_ = rate;
}

FileResult DeviceFileSource::ListFolder(const std::string& path, std::vector<FileEntry>& entries) {
  entries.clear();
  refusedNames_ = 0;
  const auto started = std::chrono::steady_clock::now();
  const auto payload = Utf8ToUtf16Le(path);
  FileResult result = Request(kRequestListFolder, payload);
  if (!result) return result;
  RecordRate(requester_->Payload().size() + 4, std::chrono::steady_clock::now() - started);
  if (!ParseFolderListing(requester_->Result(), requester_->Payload(), entries, &refusedNames_)) {
    return FileResult::FromExchange(ExchangeStatus::kMalformed, 0);
  }
  return result;
}

FileResult DeviceFileSource::ListRoots(std::vector<DeviceRoot>& roots) {
  roots.clear();
  FileResult result = Request(kRequestListRoots, kNoPayload);
  if (!result) return result;
  if (!ParseRoots(requester_->Result(), requester_->Payload(), roots)) {
    return FileResult::FromExchange(ExchangeStatus::kMalformed, 0);
  }
  rootValues_.clear();
  for (const auto& root : roots) rootValues_.push_back(root.value);
  return result;
}

FileResult DeviceFileSource::Exists(const std::string& path, bool& exists) {
  exists = false;
  const auto payload = Utf8ToUtf16Le(path);
  FileResult result = Request(kRequestFileExists, payload);
  if (result) exists = requester_->Result() == 1;
  return result;
}

FileResult DeviceFileSource::NameRequest(uint32_t code, const std::string& path) {
  ByteBuffer payload;
  if (!AppendCheckedNameBlock(payload, path)) return BadName();
  return Request(code, payload.Bytes());
}

FileResult DeviceFileSource::TwoNameRequest(uint32_t code, const std::string& from, const std::string& to) {
  ByteBuffer payload;
  if (!AppendCheckedNameBlock(payload, from) || !AppendCheckedNameBlock(payload, to)) return BadName();
  return Request(code, payload.Bytes());
}

FileResult DeviceFileSource::CreateFolder(const std::string& path) { return NameRequest(kRequestCreateFolder, path); }
FileResult DeviceFileSource::RemoveFolder(const std::string& path) { return NameRequest(kRequestRemoveFolder, path); }
FileResult DeviceFileSource::DeleteFile(const std::string& path) { return NameRequest(kRequestDeleteFile, path); }

FileResult DeviceFileSource::RenameFile(const std::string& from, const std::string& to) {
  return TwoNameRequest(kRequestRenameFile, from, to);
}

FileResult DeviceFileSource::RenameFolder(const std::string& from, const std::string& to) {
  return TwoNameRequest(kRequestRenameFolder, from, to);
}

FileResult DeviceFileSource::CopyFile(const std::string& from, const std::string& to) {
  return TwoNameRequest(kRequestCopyFile, from, to);
}

}  // namespace mirrodex
