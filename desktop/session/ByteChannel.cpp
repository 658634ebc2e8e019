#include "desktop/session/ByteChannel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <limits>

#include "desktop/session/Ipv4Lookup.h"
#include "desktop/session/UserNotifier.h"

namespace mirrodex {

// One socket descriptor. Threads that use it hold a shared reference, so the descriptor is
// closed only when the last of them lets go: a Close from another thread shuts it down (which
// wakes them) but can never make them use a number the system has handed out again.
class ByteChannel::Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() { ::close(fd_); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int Fd() const { return fd_; }
  void Shutdown(int how) const { ::shutdown(fd_, how); }

 private:
  int fd_;
};

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kConnectFailed = "Failed to create connection";
constexpr const char* kErrorCaption = "Error";

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool SetBlocking(int fd, bool blocking) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  return fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
}

// Waits for a non-blocking connect to finish; true when it connected.
bool FinishConnect(int fd, int timeoutMs) {
  pollfd p{fd, POLLOUT, 0};
  int rc;
  do {
    rc = poll(&p, 1, timeoutMs);
  } while (rc < 0 && errno == EINTR);
  if (rc <= 0) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// Without waiting: the peer has closed or reset the connection (nothing more is readable).
bool ClosedAfterOpening(int fd) {
  uint8_t byte;
  const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

}  // namespace

ByteChannel::ByteChannel(UserNotifier* notifier) : notifier_(notifier) {}

ByteChannel::~ByteChannel() { Close(); }

ByteChannel::SocketPtr ByteChannel::DataSocket() const {
  std::lock_guard lock(mutex_);
  return connected_ ? data_ : nullptr;
}

IRAPIStream* ByteChannel::Stream() const {
  std::lock_guard lock(mutex_);
  return stream_;
}

bool ByteChannel::IsStreamMode() const { return Stream() != nullptr; }

bool ByteChannel::IsConnected() const {
  std::lock_guard lock(mutex_);
  return connected_;
}

bool ByteChannel::PeerHasClosed() const {
  const SocketPtr socket = DataSocket();
  if (!socket || IsStreamMode()) return false;
  pollfd p{socket->Fd(), POLLIN | POLLRDHUP, 0};
  if (poll(&p, 1, 0) <= 0) return false;
  if (p.revents & (POLLHUP | POLLERR | POLLRDHUP)) return true;
  uint8_t byte;
  return ::recv(socket->Fd(), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

int ByteChannel::LastListenError() const {
  std::lock_guard lock(mutex_);
  return lastListenError_;
}

bool ByteChannel::WaitReady(int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return readyChanged_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                [this] { return listener_ || connected_ || lastListenError_ != 0; });
}

void ByteChannel::AttachStream(IRAPIStream* stream) {
  std::lock_guard lock(mutex_);
  stream_ = stream;
  connected_ = stream != nullptr;
  readyChanged_.notify_all();
}

uint32_t ByteChannel::Receive(void* buffer, uint32_t length) {
  if (IRAPIStream* stream = Stream()) {
    uint32_t read = 0;
    const int32_t rc = stream->Read(buffer, length, &read);
    return IsStreamReadSuccess(rc) ? std::min(read, length) : 0;
  }
  const SocketPtr socket = DataSocket();
  if (!socket) return 0;
  if (openingAt_ < opening_.size()) {
    const size_t n = std::min<size_t>(length, opening_.size() - openingAt_);
    std::copy_n(opening_.data() + openingAt_, n, static_cast<uint8_t*>(buffer));
    openingAt_ += n;
    return static_cast<uint32_t>(n);
  }
  ssize_t n;
  do {
    n = ::recv(socket->Fd(), buffer, length, 0);
  } while (n < 0 && errno == EINTR);
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

bool ByteChannel::WaitReadable(const SocketPtr& socket, int timeoutMs) const {
  pollfd p{socket->Fd(), POLLIN, 0};
  int rc;
  do {
    rc = poll(&p, 1, timeoutMs);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

bool ByteChannel::ReceiveExact(void* buffer, size_t length, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  auto* bytes = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < length) {
    if (timeoutMs >= 0 && !IsStreamMode() && openingAt_ == opening_.size()) {
      const SocketPtr socket = DataSocket();
      if (!socket || !WaitReadable(socket, MillisecondsLeft(deadline))) return false;
    }
    const size_t chunk = std::min<size_t>(length - done, std::numeric_limits<int32_t>::max());
    const uint32_t n = Receive(bytes + done, static_cast<uint32_t>(chunk));
    if (n == 0) return false;
    done += n;
  }
  return true;
}

uint32_t ByteChannel::Send(const void* buffer, uint32_t length) {
  if (IRAPIStream* stream = Stream()) {
    uint32_t written = 0;
    const int32_t rc = stream->Write(buffer, length, &written);
    return rc == kStreamOk ? std::min(written, length) : 0;
  }
  const SocketPtr socket = DataSocket();
  if (!socket) return 0;
  ssize_t n;
  do {
    n = ::send(socket->Fd(), buffer, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

bool ByteChannel::SendAll(const void* buffer, size_t length) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  size_t done = 0;
  while (done < length) {
    const size_t chunk = std::min<size_t>(length - done, std::numeric_limits<int32_t>::max());
    const uint32_t n = Send(bytes + done, static_cast<uint32_t>(chunk));
    if (n == 0) return false;
    done += n;
  }
  return true;
}

bool ByteChannel::Connect(const std::string& host, uint16_t port, int timeoutMs) {
  if (IsStreamMode()) return true;
  in_addr address{};
  const auto fail = [this] {
    if (notifier_) notifier_->ShowError(kConnectFailed, kErrorCaption);
    return false;
  };
  const auto addresses = LookUpIpv4(host);
  if (addresses.empty()) return fail();
  address.s_addr = addresses.front();
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return fail();
  auto socket = std::make_shared<Socket>(fd);
  {
    std::lock_guard lock(mutex_);
    data_ = socket;  // visible to Close while connecting
    connected_ = false;
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr = address;
  bool connected = SetBlocking(fd, false);
  if (connected && ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    connected = errno == EINPROGRESS && FinishConnect(fd, timeoutMs);
  }
  connected = connected && SetBlocking(fd, true);
  {
    std::lock_guard lock(mutex_);
    if (data_ == socket) {
      if (connected) {
        connected_ = true;
        readyChanged_.notify_all();
        return true;
      }
      data_.reset();
    }
  }
  return fail();
}

struct ByteChannel::OpeningPeer {
  SocketPtr socket;
  in_addr_t address = 0;
  Clock::time_point deadline;
  std::vector<uint8_t> bytes;
};

void ByteChannel::AcceptPeers(int listener, const ListenRules& rules, std::vector<OpeningPeer>& peers) const {
  for (;;) {
    sockaddr_in from{};
    socklen_t size = sizeof from;
    const int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // nothing more waiting (the listener is non-blocking)
    }
    auto socket = std::make_shared<Socket>(fd);
    if (rules.admits && !rules.admits(from.sin_addr.s_addr)) continue;
    if (peers.size() >= kMaxOpeningPeers) peers.erase(peers.begin());
    const auto wait = std::chrono::milliseconds(rules.openingTimeoutMs < 0 ? 0 : rules.openingTimeoutMs);
    peers.push_back({std::move(socket), from.sin_addr.s_addr,
                     rules.openingTimeoutMs < 0 ? Clock::time_point::max() : Clock::now() + wait, {}});
  }
}

bool ByteChannel::TakePeer(OpeningPeer& peer, uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (generation != generation_) return false;
  data_ = std::move(peer.socket);
  connected_ = true;
  readyChanged_.notify_all();
  opening_ = std::move(peer.bytes);
  openingAt_ = 0;
  peerAddress_ = peer.address;
  return true;
}

ByteChannel::ListenResult ByteChannel::Listen(uint16_t port) { return Listen(port, ListenRules{}); }

ByteChannel::ListenResult ByteChannel::Listen(uint16_t port, const ListenRules& rules) {
  uint64_t generation;
  {
    std::lock_guard lock(mutex_);
    if (stream_) return ListenResult::kConnected;
    // A channel that is still connected drops that connection first.
    if (data_) data_->Shutdown(SHUT_RDWR);
    data_.reset();
    connected_ = false;
    generation = generation_;
  }
  opening_.clear();
  openingAt_ = 0;
  peerAddress_ = 0;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
  if (fd < 0) {
    std::lock_guard lock(mutex_);
    lastListenError_ = errno;
    readyChanged_.notify_all();
    return ListenResult::kFailed;
  }
  auto listener = std::make_shared<Socket>(fd);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      ::listen(fd, 10) != 0) {
    std::lock_guard lock(mutex_);
    lastListenError_ = errno;
    readyChanged_.notify_all();
    return ListenResult::kFailed;
  }
  {
    std::lock_guard lock(mutex_);
    lastListenError_ = 0;
    if (generation != generation_) return ListenResult::kFailed;  // closed meanwhile: nobody would wake us
    listener_ = listener;
    readyChanged_.notify_all();
  }
  const auto finish = [&](ListenResult result) {
    std::lock_guard lock(mutex_);
    if (listener_ == listener) listener_.reset();
    return result;
  };
  constexpr int kGiveUpCheckMs = 250;
  std::vector<OpeningPeer> peers;
  std::vector<pollfd> polled;
  for (;;) {
    bool closed;
    {
      std::lock_guard lock(mutex_);
      closed = generation != generation_;
    }
    if (closed) return finish(ListenResult::kFailed);
    if (rules.giveUp && rules.giveUp()) return finish(ListenResult::kGaveUp);
    const auto now = Clock::now();
    std::erase_if(peers, [&](const OpeningPeer& peer) { return peer.deadline <= now; });
    int timeoutMs = rules.giveUp ? kGiveUpCheckMs : -1;
    polled.assign(1, pollfd{fd, POLLIN, 0});
    for (const OpeningPeer& peer : peers) {
      polled.push_back({peer.socket->Fd(), POLLIN | POLLRDHUP, 0});
      if (peer.deadline == Clock::time_point::max()) continue;
      const int left = std::max(1, MillisecondsLeft(peer.deadline));
      timeoutMs = timeoutMs < 0 ? left : std::min(timeoutMs, left);
    }
    if (::poll(polled.data(), polled.size(), timeoutMs) < 0 && errno != EINTR) return finish(ListenResult::kFailed);
    if (polled[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return finish(ListenResult::kFailed);
    // Peers first: the indexes of `polled` follow `peers` until new ones are accepted.
    for (size_t i = peers.size(); i-- > 0;) {
      const short events = polled[i + 1].revents;
      if (events == 0) continue;
      OpeningPeer& peer = peers[i];
      const size_t have = peer.bytes.size();
      peer.bytes.resize(rules.openingBytes);
      const ssize_t got = rules.openingBytes == have
                              ? 0
                              : ::recv(peer.socket->Fd(), peer.bytes.data() + have, rules.openingBytes - have,
                                       MSG_DONTWAIT);
      peer.bytes.resize(have + static_cast<size_t>(std::max<ssize_t>(got, 0)));
      // A peer that closed right after its opening is a start its device gave up (stopped
      // for a newer one): taking it would pair a dead connection with the live start's other.
      const bool complete = peer.bytes.size() == rules.openingBytes;
      if (complete && !ClosedAfterOpening(peer.socket->Fd()) &&
          (!rules.admits || rules.admits(peer.address))) {
        if (!TakePeer(peer, generation)) return finish(ListenResult::kFailed);
        return finish(ListenResult::kConnected);
      }
      const bool wouldBlock = got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
      if (complete || got == 0 || (got < 0 && !wouldBlock)) peers.erase(peers.begin() + static_cast<ptrdiff_t>(i));
    }
    if (polled[0].revents & POLLIN) {
      AcceptPeers(fd, rules, peers);
      if (rules.openingBytes == 0 && !peers.empty()) {
        if (!TakePeer(peers.back(), generation)) return finish(ListenResult::kFailed);
        return finish(ListenResult::kConnected);
      }
    }
  }
}

void ByteChannel::Close() {
  std::lock_guard lock(mutex_);
  ++generation_;
  if (data_) data_->Shutdown(SHUT_RDWR);
  if (listener_) listener_->Shutdown(SHUT_RDWR);
  data_.reset();
  listener_.reset();
  if (stream_) stream_->Close();
  stream_ = nullptr;
  connected_ = false;
}

void ByteChannel::InterruptReads() {
  std::lock_guard lock(mutex_);
  ++generation_;
  if (data_) data_->Shutdown(SHUT_RD);
  if (listener_) listener_->Shutdown(SHUT_RDWR);
  listener_.reset();
  if (stream_) {
    stream_->Close();
    stream_ = nullptr;
    connected_ = false;
  }
}

}  // namespace mirrodex
