#include "bridge/FindEntry.h"

namespace mirrodex::bridge {

namespace {

constexpr uint32_t kMaxNameUnits = 259;

}  // namespace

void WriteFindEntry(WireWriter& out, const FindEntry& entry) {
  out.U32(entry.attributes);
  out.U64(entry.creationTime);
  out.U64(entry.accessTime);
  out.U64(entry.writeTime);
  out.U64(entry.size);
  out.String(entry.name);
}

bool ReadFindEntry(WireReader& in, FindEntry& entry) {
  entry.attributes = in.U32();
  entry.creationTime = in.U64();
  entry.accessTime = in.U64();
  entry.writeTime = in.U64();
  entry.size = in.U64();
  entry.name = in.String(kMaxNameUnits);
  return in.Ok();
}

}  // namespace mirrodex::bridge
