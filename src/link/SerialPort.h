#pragma once
// The one serial line to the meter, as the program needs it: open a named port at 19200,n,8,1,
// write text or raw bytes, read everything waiting, count and discard waiting bytes.
#include <QByteArray>
#include <QString>

namespace lux {

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Opens `name` (a device path such as /dev/ttyUSB0, or a platform port name) at
  // 19200 baud, no parity, 8 data bits, 1 stop bit. On failure returns false and, where the
  // system says why, puts that reason into `reason`.
  virtual bool open(const QString& name, QString* reason) = 0;
  virtual bool isOpen() const = 0;
  virtual void close() = 0;
  // Writes the bytes as they stand (a command letter is a one-byte write).
  virtual void write(const QByteArray& bytes) = 0;
  // Everything that has arrived and not been read yet (possibly empty).
  virtual QByteArray readAll() = 0;
  virtual qint64 bytesWaiting() = 0;
  virtual void discardInput() = 0;
  // From now on, bytes arriving wake the thread only once at least `bytes` are waiting (a whole
  // frame rather than every few bytes of it); 0 goes back to not caring. A port that cannot
  // tell wakes the thread as bytes come, which is merely more work.
  virtual void wakeWhenWaiting(qint64 bytes) { (void)bytes; }
  // Whether at least `bytes` have arrived, asked before every sleep of a thread that waits for
  // them. A port that wakes the thread for that count may answer from what it already knows
  // instead of asking the system each time.
  virtual bool hasWaiting(qint64 bytes) { return bytesWaiting() >= bytes; }
};

}  // namespace lux
