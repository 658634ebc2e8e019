#include "tests/services/ServiceRequests.h"

#include <gtest/gtest.h>

namespace mirrodex::test {

std::vector<NamedRecord> ParseNamedRecords(const Reply& reply) {
  std::vector<NamedRecord> records;
  size_t offset = 0;
  for (uint32_t i = 0; i < ResultOf(reply.status) && offset + 4 <= reply.payload.size(); ++i) {
    const size_t bytes = 2 * size_t{reply.U32(offset)};
    offset += 4;
    if (offset + bytes > reply.payload.size()) break;
    NamedRecord record;
    record.name = Utf16LeToUtf8(std::span(reply.payload).subspan(offset, bytes));
    offset += bytes;
    for (auto& value : record.values) {
      value = reply.U32(offset);
      offset += 4;
    }
    records.push_back(record);
  }
  EXPECT_EQ(records.size(), ResultOf(reply.status));
  EXPECT_EQ(offset, reply.payload.size());
  return records;
}

}  // namespace mirrodex::test
