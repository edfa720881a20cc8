#pragma once
// The simulated ZQN-4170: the watch's side of the sentences and of the block transfer, as a state
// machine fed with the bytes the program writes and asked for the bytes the watch sends. Written
// independently of the program's own receiver so that a misreading of the protocol shows up as a
// failing exchange.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/watch_logs.h"

namespace kemlog::sim {

// Faults to inject. Counters are 0-based; -1 switches a fault off.
struct WatchFaults {
  int corruptBlock = -1;          // the n-th block sent (counted over the session) goes out with one
                                  // byte flipped, once; the watch expects status 2 and sends it again
  bool blocksOutOfOrder = false;  // a payload's blocks go out last to first
  bool noise = false;             // garbage lines and unrelated sentences before every sentence
  int rejectPointRequest = -1;    // the n-th 713 request is answered with status 2
  int silentAtPointRequest = -1;  // from the n-th 713 request on, the watch sends nothing
  long silentAfterBytes = -1;     // after this many bytes sent in all, the watch sends nothing
  bool announceBeyondEnd = false; // the first block of each payload is first announced past the
                                  // payload's end; after status 2 the right block is announced
};

struct WatchStats {
  int blocksSent = 0;       // raw blocks sent, repeats included
  int blocksRejected = 0;   // status 2 answers received
  int pointRequests = 0;    // 713 requests received
  int sentencesReceived = 0;
  int badSentences = 0;     // lines with a wrong checksum or an unknown number
};

class SimulatedWatch {
 public:
  explicit SimulatedWatch(std::vector<WatchLog> logs);

  WatchFaults& Faults() { return faults_; }
  const WatchStats& Stats() const { return stats_; }
  const std::vector<WatchLog>& Logs() const { return logs_; }

  // Identity answered to PKRV829 as PKRV861,version,gpsDate.
  int firmwareVersion = 10203;
  int gpsDataDate = 161231;
  // Largest block the watch sends in one 902 announcement.
  uint32_t blockSize = 2048;

  // Bytes the program wrote, at time now (ms).
  void Receive(const uint8_t* data, size_t size, uint32_t now);
  // Time passes (ms).
  void Advance(uint32_t now);
  // Moves out everything the watch has sent since the last call.
  std::vector<uint8_t> TakeOutput();

 private:
  // ... state machine members, private to the implementation
};

}  // namespace kemlog::sim
