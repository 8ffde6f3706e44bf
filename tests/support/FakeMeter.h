#pragma once
// A small meter behind a ScriptedPort: answers "A" with the handshake answer, streams display
// frames every 0.1 s for 10 s after "M", and can be told to fall silent or to answer wrongly.
#include <QByteArray>
#include <functional>

#include "support/Frames.h"
#include "support/ScriptedPort.h"

namespace lux::test {

inline QByteArray displayFrame(double value = 523.4, int decimals = 1) {
  const std::string f = encodeFrame(frameForReading(value, decimals, true));
  return QByteArray(f.data(), static_cast<qsizetype>(f.size()));
}

inline QByteArray handshakeAnswer(unsigned address, unsigned char last = 0x03) {
  QByteArray a;
  a.append(char(0x02)).append(char(0xAA));
  a.append(char((address >> 16) & 0xFF)).append(char((address >> 8) & 0xFF));
  a.append(char(address & 0xFF)).append(char(last));
  return a;
}

struct FakeMeter {
  explicit FakeMeter(ScriptedPort& p) : port(p) {
    port.onWrite = [this](const QByteArray& written, double now) {
      for (char c : written) onLetter(c, now);
    };
    port.source = [this](double now) { return stream(now); };
  }

  void onLetter(char c, double now) {
    if (now < silentUntil) return;
    if (c == 'A') {
      ++handshakes;
      QByteArray a = answerFor ? answerFor(handshakes) : handshakeAnswer(address);
      if (!a.isEmpty()) port.deliverAt(now + 0.005, a);
    } else if (c == 'M') {
      if (ignoreStreamRequests > 0) {
        --ignoreStreamRequests;
        return;
      }
      if (streamUntil < now) nextFrameAt = now + 0.05;
      streamUntil = now + 10.0;
    }
  }

  QByteArray stream(double now) {
    QByteArray out;
    while (nextFrameAt <= now && nextFrameAt <= streamUntil) {
      if (nextFrameAt >= silentUntil) out += frame;
      nextFrameAt += 0.1;
    }
    return out;
  }

  void startStreaming(double now) {
    nextFrameAt = now + 0.05;
    streamUntil = 1e9;
  }

  ScriptedPort& port;
  unsigned address = 1279;
  // The n-th "A" (from 1) gets this answer instead; empty = no answer.
  std::function<QByteArray(int n)> answerFor;
  double silentUntil = -1;
  int ignoreStreamRequests = 0;
  int handshakes = 0;
  double streamUntil = -1;
  double nextFrameAt = 0;
  QByteArray frame = displayFrame();
};

}  // namespace lux::test
