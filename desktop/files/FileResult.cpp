#include "desktop/files/FileResult.h"

#include <cstring>

namespace mirrodex {

FileResult FileResult::FromExchange(ExchangeStatus status, uint32_t result) {
  switch (status) {
    case ExchangeStatus::kOk:
      return Ok();
    case ExchangeStatus::kRefused:
      return {Kind::kRefused, status, result, 0, 0};
    default:
      return {Kind::kCommunication, status, 0, 0, 0};
  }
}

std::string FileResult::Describe() const {
  switch (kind) {
    case Kind::kOk:
      return "done";
    case Kind::kRefused:
      if (exchange == ExchangeStatus::kOk) return std::strerror(error);
      return "the device refused it (result " + std::to_string(deviceResult) + ")";
    case Kind::kCommunication:
      return mirrodex::Describe(exchange);
    case Kind::kLocalError:
      return std::strerror(error);
    case Kind::kOverLimit:
      return "the device sent more than the " + std::to_string(limit) + " bytes this copy may take, so it was stopped there";
  }
  return "unknown failure";
}

}  // namespace mirrodex
