#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace lux::sim {

namespace {

long long steadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string errnoText(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// Bytes nobody takes from the slave side for this long are dropped, as a serial line drops
// what no program reads; otherwise the pty fills up and the meter would stall.
constexpr double kStaleInputSeconds = 3.0;

}  // namespace

SimMeter::Options PtyServer::liveOptions() {
  SimMeter::Options o;
  std::time_t t = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&t, &local);
  o.clock = MeterTime{local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  o.randomOverloads = true;
  return o;
}

PtyServer::PtyServer(SimMeter::Options options) : meter_(options) {}

PtyServer::~PtyServer() {
  stop();
  if (wireLog_) std::fclose(wireLog_);
}

double PtyServer::now() const {
  return static_cast<double>(steadyNs() - startNs_) / 1e9;
}

bool PtyServer::start(const std::string& linkPath, std::string* error) {
  if (running_) return true;
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
    return false;
  };
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) return fail(errnoText("posix_openpt"));
  if (::grantpt(master_) != 0) return fail(errnoText("grantpt"));
  if (::unlockpt(master_) != 0) return fail(errnoText("unlockpt"));
  char name[256];
  if (::ptsname_r(master_, name, sizeof name) != 0) return fail(errnoText("ptsname"));
  slavePath_ = name;
  // Our own slave descriptor keeps the line alive while the program closes and reopens it.
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave_ < 0) return fail(errnoText("open slave"));
  termios tio{};
  if (::tcgetattr(slave_, &tio) != 0) return fail(errnoText("tcgetattr"));
  ::cfmakeraw(&tio);
  ::cfsetispeed(&tio, B19200);
  ::cfsetospeed(&tio, B19200);
  if (::tcsetattr(slave_, TCSANOW, &tio) != 0) return fail(errnoText("tcsetattr"));
  int flags = ::fcntl(master_, F_GETFL);
  ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);

  if (!linkPath.empty()) {
    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0) {
      if (!S_ISLNK(st.st_mode)) return fail(linkPath + " exists and is not a symbolic link");
      ::unlink(linkPath.c_str());
    }
    if (::symlink(slavePath_.c_str(), linkPath.c_str()) != 0)
      return fail(errnoText(("symlink " + linkPath).c_str()));
    linkPath_ = linkPath;
  }

  int pipeFds[2];
  if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) return fail(errnoText("pipe"));
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];

  startNs_ = steadyNs();
  stopRequested_ = false;
  running_ = true;
  worker_ = std::thread([this] { run(); });
  return true;
}

void PtyServer::stop() {
  if (!running_ && !worker_.joinable()) return;
  stopRequested_ = true;
  if (wakeWrite_ >= 0) {
    char b = 1;
    // A full wake pipe already holds a wake-up, so a failed write loses nothing.
    [[maybe_unused]] ssize_t n = ::write(wakeWrite_, &b, 1);
  }
  if (worker_.joinable()) worker_.join();
  running_ = false;
  for (int* fd : {&wakeRead_, &wakeWrite_, &slave_, &master_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  if (!linkPath_.empty()) {
    char target[512];
    ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == slavePath_)
      ::unlink(linkPath_.c_str());
  }
}

void PtyServer::withMeter(const std::function<void(SimMeter&, double)>& f) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    f(meter_, now());
  }
  // The change may have made something due at once (garbage, a resumed stream).
  if (wakeWrite_ >= 0) {
    char b = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeWrite_, &b, 1);
  }
}

void PtyServer::run() {
  char buf[4096];
  int lastQueued = 0;
  double lastProgressAt = now();
  while (!stopRequested_) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (!pendingOut_.empty()) fds[0].events |= POLLOUT;
    // Sleep until the meter has something due (a frame, paced bytes, a logger sample), at least
    // 5 ms so paced bytes go out in small bursts, and at most 200 ms so a stale pty input is
    // noticed.
    double wait = 0.2;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      wait = std::clamp(meter_.nextEventAt() - now(), 0.005, 0.2);
    }
    if (!pendingOut_.empty()) wait = 0.005;
    int rc = ::poll(fds, 2, static_cast<int>(std::lround(wait * 1000)));
    if (rc < 0 && errno != EINTR) break;
    if (fds[1].revents & POLLIN) {
      while (::read(wakeRead_, buf, sizeof buf) > 0) {
      }
    }
    if (stopRequested_) break;
    std::string in;
    for (;;) {
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) break;
      in.append(buf, static_cast<std::size_t>(n));
    }
    logWire('<', in.data(), in.size());
    {
      std::lock_guard<std::mutex> lock(mutex_);
      double t = now();
      if (!in.empty()) meter_.receive(in, t);
      pendingOut_ += meter_.output(t);
    }
    long long written = 0;
    while (!pendingOut_.empty()) {
      ssize_t n = ::write(master_, pendingOut_.data(), pendingOut_.size());
      if (n <= 0) break;
      logWire('>', pendingOut_.data(), static_cast<std::size_t>(n));
      pendingOut_.erase(0, static_cast<std::size_t>(n));
      written += n;
    }
    int queued = 0;
    if (::ioctl(slave_, FIONREAD, &queued) == 0) {
      double t = now();
      bool consumed = queued < lastQueued + written;
      if (queued == 0 || consumed) {
        lastProgressAt = t;
      } else if (t - lastProgressAt > kStaleInputSeconds) {
        ::tcflush(slave_, TCIFLUSH);
        pendingOut_.clear();  // the rest of it would meet the same fate
        queued = 0;
        lastProgressAt = t;
      }
      lastQueued = queued;
    }
  }
}

}  // namespace lux::sim

namespace lux::sim {

bool PtyServer::setWireLog(const std::string& path) {
  if (wireLog_) std::fclose(wireLog_);
  wireLog_ = std::fopen(path.c_str(), "w");
  return wireLog_ != nullptr;
}

void PtyServer::logWire(char direction, const char* bytes, std::size_t size) {
  if (!wireLog_ || size == 0) return;
  std::fprintf(wireLog_, "%.3f %c", now(), direction);
  for (std::size_t i = 0; i < size; ++i)
    std::fprintf(wireLog_, " %02x", static_cast<unsigned char>(bytes[i]));
  std::fputc('\n', wireLog_);
  std::fflush(wireLog_);
}

}  // namespace lux::sim
