// The device's file system, one request/reply exchange per operation (requests 5, 6 and 11 to
// 17; the transfers with requests 7 to 10 are DeviceTransfer's). Keeps the best transfer rate
// measured on this source. After a failed exchange the next operation uses a new requester.
// Threads: the owner thread (see FileSource).
// Ownership: owns its requester; the dispatcher must outlive the source.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "desktop/files/FileSource.h"
#include "desktop/session/DeviceRequester.h"

namespace mirrodex {

class DeviceFileSource : public FileSource {
 public:
  // `timeoutCapMs` shortens the request timeouts (tests).
  DeviceFileSource(ReplyDispatcher& dispatcher, DeviceRequester::Sender sender,
                   uint32_t timeoutCapMs = std::numeric_limits<uint32_t>::max());

  bool IsDevice() const override { return true; }
  FileResult ListFolder(const std::string& path, std::vector<FileEntry>& entries) override;
  FileResult Exists(const std::string& path, bool& exists) override;
  FileResult CreateFolder(const std::string& path) override;
  FileResult RemoveFolder(const std::string& path) override;
  FileResult DeleteFile(const std::string& path) override;
  FileResult RenameFile(const std::string& from, const std::string& to) override;
  FileResult RenameFolder(const std::string& from, const std::string& to) override;
  FileResult CopyFile(const std::string& from, const std::string& to) override;

  // Entries the last ListFolder left out because their names hold a lone surrogate.
  size_t RefusedNames() const { return refusedNames_; }

  // The device's storage roots; their values stay in RootValues().
  [[nodiscard]] FileResult ListRoots(std::vector<DeviceRoot>& roots);
  const std::vector<uint32_t>& RootValues() const { return rootValues_; }

  // One exchange on the source's requester (a new one when the last failed). On success the
  // requester's Result() and Payload() hold the answer.
  [[nodiscard]] FileResult Request(uint32_t code, std::span<const uint8_t> payload);
  const DeviceRequester& LastRequester() const { return *requester_; }

  // Notes `bytes` moved in `elapsed`; keeps the rate when it beats the best so far.
  void RecordRate(uint64_t bytes, std::chrono::steady_clock::duration elapsed);
  // The best rate measured so far in bytes per second; never reset.
  double BestRate() const { return bestRate_; }

 private:
  FileResult NameRequest(uint32_t code, const std::string& path);
  FileResult TwoNameRequest(uint32_t code, const std::string& from, const std::string& to);

  ReplyDispatcher& dispatcher_;
  DeviceRequester::Sender sender_;
  uint32_t timeoutCapMs_;
  std::unique_ptr<DeviceRequester> requester_;
  std::vector<uint32_t> rootValues_;
  double bestRate_ = 0;
  size_t refusedNames_ = 0;
};

}  // namespace mirrodex
