// Shows a transfer's progress: on a terminal one bar line redrawn in place with bytes and
// rate, otherwise a plain line at most once a second. Main thread.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "desktop/files/DeviceTransfer.h"

namespace mirrodex::cli {

class TransferPrinter {
 public:
  TransferPrinter(std::string label, std::FILE* out);
  void Show(const TransferProgress& progress);
  // Ends the bar line and prints the summary.
  void Finish(const TransferResult& result);

 private:
  std::string label_;
  std::FILE* out_;
  bool terminal_;
  bool drawn_ = false;
  TransferProgress last_;
  std::chrono::steady_clock::time_point nextLine_;
};

}  // namespace mirrodex::cli
