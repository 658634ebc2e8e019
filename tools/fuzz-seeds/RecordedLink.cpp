#include "tools/fuzz-seeds/RecordedLink.h"

#include <utility>

#include "protocol/Requests.h"

namespace mirrodex::seeds {
namespace {

FileManagerConfig ConfigFor(const std::string& fileRoot) {
  FileManagerConfig config;
  config.fileRoot = fileRoot;
  return config;
}

}  // namespace

RecordedLink::RecordedLink(const std::string& fileRoot) : services_(ConfigFor(fileRoot)) {}

DeviceRequester::Sender RecordedLink::Sender() {
  return [this](uint32_t code, std::span<const uint8_t> payload) {
    requests_.push_back(BuildRequest(code, payload));
    ByteBuffer reply;
    services_.Serve(code, payload, reply);
    replies_.emplace_back(reply.Data(), reply.Data() + reply.Size());
    dispatcher_.Dispatch(replies_.back());
    return true;
  };
}

}  // namespace mirrodex::seeds
