// The result of a file operation on either side: done, refused by the device or the system,
// a failed exchange with the device, or a local file error.
#pragma once

#include <cstdint>
#include <string>

#include "desktop/session/DeviceRequester.h"

namespace mirrodex {

struct FileResult {
  enum class Kind {
    kOk,
    kRefused,        // the device (its result) or the local system said no
    kCommunication,  // no answer, a lost connection or an unreadable answer
    kLocalError,     // a local file could not be created, read or written (see error)
    kOverLimit,      // the device sent more than the copy may take (see limit)
  };

  Kind kind = Kind::kOk;
  ExchangeStatus exchange = ExchangeStatus::kOk;  // the device side's exchange status
  uint32_t deviceResult = 0;                      // the device's result on kRefused
  int error = 0;                                  // errno of a local failure
  uint64_t limit = 0;                             // the bytes a copy could take, on kOverLimit

  static FileResult Ok() { return {}; }
  static FileResult FromExchange(ExchangeStatus status, uint32_t result);
  static FileResult Local(Kind kind, int errorNumber) { return {kind, ExchangeStatus::kOk, 0, errorNumber, 0}; }
  static FileResult OverLimit(uint64_t bytes) { return {Kind::kOverLimit, ExchangeStatus::kOk, 0, 0, bytes}; }

  explicit operator bool() const { return kind == Kind::kOk; }
  // One English sentence saying what happened.
  std::string Describe() const;
};

}  // namespace mirrodex
