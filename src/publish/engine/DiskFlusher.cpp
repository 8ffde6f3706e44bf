#include "publish/engine/DiskFlusher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lux::publish {

DiskFlusher::DiskFlusher(std::function<int(int)> syncFile)
    : sync_(syncFile ? std::move(syncFile) : [](int fd) { return ::fdatasync(fd); }),
      thread_([this] { run(); }) {}

DiskFlusher::~DiskFlusher() {
  {
    std::lock_guard<std::mutex> lock(m_);
    ending_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

bool DiskFlusher::flush(int fd) {
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) return false;
  const Request r{-1, static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino)};
  {
    std::lock_guard<std::mutex> lock(m_);
    for (const Request& q : queue_)
      if (q.device == r.device && q.inode == r.inode) return true;
  }
  const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return false;
  {
    std::lock_guard<std::mutex> lock(m_);
    queue_.push_back({copy, r.device, r.inode});
  }
  wake_.notify_one();
  return true;
}

void DiskFlusher::drain() {
  std::unique_lock<std::mutex> lock(m_);
  done_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void DiskFlusher::run() {
  std::unique_lock<std::mutex> lock(m_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
    // What was asked for before the end is still done: the flush at exit counts on it.
    if (queue_.empty()) return;
    const int fd = queue_.front().fd;
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    sync_(fd);
    ::close(fd);
    lock.lock();
    busy_ = false;
    if (queue_.empty()) done_.notify_all();
  }
}

}  // namespace lux::publish
