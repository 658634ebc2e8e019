// File input of mirrodex-codec: raw device frames and recorded screen-session messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "protocol/ByteBuffer.h"
#include "protocol/MessageHeader.h"

namespace mirrodex::codec {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Opens a file or returns null with `error` set to a sentence the user can act on.
FilePtr OpenFile(const std::string& path, const char* mode, std::string& error);

enum class ReadStatus { kOk, kEnd, kError };

// Reads one W x H frame of 16-bit pixels; kEnd at a clean end of file, kError (with `error`)
// for a partial frame.
ReadStatus ReadFrame(FILE* file, std::vector<uint16_t>& frame, std::string& error);

// Reads one message: header and, for types with a body, at most `maxBody` body bytes.
ReadStatus ReadMessage(FILE* file, size_t maxBody, MessageHeader& header, ByteBuffer& body,
                       std::string& error);

[[nodiscard]] bool WriteAll(FILE* file, const void* data, size_t size);

}  // namespace mirrodex::codec
