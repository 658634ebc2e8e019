#include "tools/codec/CodecIo.h"

#include <cerrno>
#include <cstring>

namespace mirrodex::codec {

FilePtr OpenFile(const std::string& path, const char* mode, std::string& error) {
  FilePtr file(std::fopen(path.c_str(), mode));
  if (!file) error = "cannot open " + path + ": " + std::strerror(errno);
  return file;
}

ReadStatus ReadFrame(FILE* file, std::vector<uint16_t>& frame, std::string& error) {
  const size_t bytes = frame.size() * sizeof(uint16_t);
  const size_t got = std::fread(frame.data(), 1, bytes, file);
  if (got == bytes) return ReadStatus::kOk;
  if (got == 0 && std::feof(file)) return ReadStatus::kEnd;
  error = "the input ends inside a frame (" + std::to_string(got) + " of " + std::to_string(bytes) +
          " bytes): check --width, --height and the file";
  return ReadStatus::kError;
}

ReadStatus ReadMessage(FILE* file, size_t maxBody, MessageHeader& header, ByteBuffer& body,
                       std::string& error) {
  uint8_t bytes[kHeaderSize];
  const size_t got = std::fread(bytes, 1, sizeof bytes, file);
  if (got == 0 && std::feof(file)) return ReadStatus::kEnd;
  if (got != sizeof bytes) {
    error = "the stream ends inside a message header";
    return ReadStatus::kError;
  }
  header = MessageHeader::Parse(bytes);
  body.Clear();
  if (!header.HasBody()) return ReadStatus::kOk;
  const size_t length = header.Length();
  if (length > maxBody) {
    error = "a message declares " + std::to_string(length) + " body bytes, more than this screen can need (" +
            std::to_string(maxBody) + "): check --width and --height";
    return ReadStatus::kError;
  }
  body.Resize(length);
  if (std::fread(body.Data(), 1, length, file) != length) {
    error = "the stream ends inside a message body";
    return ReadStatus::kError;
  }
  return ReadStatus::kOk;
}

bool WriteAll(FILE* file, const void* data, size_t size) {
  return size == 0 || std::fwrite(data, 1, size, file) == size;
}

}  // namespace mirrodex::codec
