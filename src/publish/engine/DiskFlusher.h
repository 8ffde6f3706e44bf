#pragma once
// Waits for the disk on a thread of its own. A spool's flush writes its records at once (into the
// system's cache, quick) and leaves the fdatasync here: on a busy disk that call takes tens of
// milliseconds, and the thread that asks for it also polls the meters and talks to the broker.
// Each request works on a duplicate of the descriptor, so the spool may close or replace its
// file meanwhile. A request for a file that already waits its turn is covered by that one (its
// fdatasync has not begun), so a disk that hangs for minutes holds two descriptors a file, not
// one a second. Whatever was asked for is done before the flusher is destroyed.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace lux::publish {

class DiskFlusher {
 public:
  // `syncFile` does the waiting (fdatasync by default; tests put a slow disk in its place).
  explicit DiskFlusher(std::function<int(int fd)> syncFile = {});
  ~DiskFlusher();
  DiskFlusher(const DiskFlusher&) = delete;
  DiskFlusher& operator=(const DiskFlusher&) = delete;

  // Has the file behind `fd` flushed to the disk soon; returns at once. False when the
  // descriptor could not be duplicated: the caller then flushes it itself.
  bool flush(int fd);
  // Returns once every flush asked for so far is done.
  void drain();

 private:
  void run();

  std::function<int(int)> sync_;
  std::mutex m_;
  std::condition_variable wake_, done_;
  struct Request {
    int fd;  // the duplicate
    unsigned long long device, inode;
  };
  std::deque<Request> queue_;
  bool busy_ = false;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace lux::publish
