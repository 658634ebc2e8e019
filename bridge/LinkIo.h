// The link's two descriptors (the same one twice for a socket) with a stop switch: every
// blocking read or write returns as soon as Stop is called, from any thread. Writes of whole
// frames are serialised, so frames from several threads never interleave. A write to a peer
// that has gone is a failure, never a SIGPIPE.
// Ownership: owns both descriptors and closes them at destruction.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

namespace mirrodex::bridge {

class LinkIo {
 public:
  // Takes ownership of both descriptors (they may be equal); makes them non-blocking.
  LinkIo(int readFd, int writeFd);
  ~LinkIo();
  LinkIo(const LinkIo&) = delete;
  LinkIo& operator=(const LinkIo&) = delete;

  // Reading thread only: waits for bytes; the count read, 0 at end of stream, -1 after Stop
  // or on an error.
  ssize_t ReadSome(uint8_t* buffer, size_t size);
  // Any thread: writes the pieces back to back as one unit; false after Stop or when the peer
  // has gone.
  [[nodiscard]] bool WriteFrame(std::span<const uint8_t> head, std::span<const uint8_t> body);
  // Any thread: wakes every blocked read and write; all later ones fail.
  void Stop();
  bool Stopped() const { return stopped_; }

 private:
  bool WriteAll(std::span<const uint8_t> head, std::span<const uint8_t> body);
  // Waits until `fd` is ready for `events` or Stop; false after Stop.
  bool Await(int fd, short events);

  int readFd_;
  int writeFd_;
  bool writeIsSocket_ = false;
  int stopFd_;  // an eventfd, readable once Stop was called
  std::atomic<bool> stopped_{false};
  std::mutex writeMutex_;
};

}  // namespace mirrodex::bridge
