#pragma once
// Faults the simulated watch can be told to show, and what it counts while it runs.

namespace kemlog::sim {

// Faults to inject. Counters are 0-based and run over the whole session; -1 switches a fault off.
struct WatchFaults {
  // ---- the watch sending logs ----
  int corruptBlock = -1;          // the n-th block sent (counted over the session) goes out with one
                                  // byte flipped, once; the watch expects status 2 and sends it again
  bool blocksOutOfOrder = false;  // a payload's blocks go out last to first
  bool noise = false;             // a garbage line and an unrelated sentence before every sentence
                                  // (the 861 answer included), never inside a block's bytes
  int rejectPointRequest = -1;    // the n-th 713 request is answered with status 2
  int silentAtPointRequest = -1;  // from the n-th 713 request on, the watch sends nothing
  long silentAfterBytes = -1;     // after this many bytes sent in all, the watch sends nothing
  bool announceBeyondEnd = false; // the first block of each payload is first announced past the
                                  // payload's end; after status 2 the right block is announced

  // ---- the watch receiving GPS data ----
  int rejectChunk = -1;           // the n-th chunk whose bytes arrived is answered with status 2,
                                  // once, however good it is
  bool refuseGpsData = false;     // PKRV704 is answered with PKRV604,0

  // ---- the firmware update ----
  bool refuseUpdateMode = false;      // PKRV806 is answered with PKRV806,2; the watch stays as it is
  bool bootLoaderWithoutMain = false; // the boot loader's answer to 'q' has a "Mode" line, no "Main"
  int silentAfterPacket = -1;         // after this many packets, the boot loader hangs: it takes
                                      // nothing and sends nothing until unplugged
};

struct WatchStats {
  int blocksSent = 0;       // raw blocks sent, repeats included
  int blocksRejected = 0;   // status 2 answers received
  int pointRequests = 0;    // 713 requests received
  int sentencesReceived = 0;  // sentences with a good checksum and a known number
  int badSentences = 0;     // lines with a wrong checksum or an unknown number, malformed or too long
  long bytesSent = 0;       // bytes that left the watch (noise included, nothing after silence)
  int payloadsCompleted = 0;  // transfers whose last block was accepted (or empty payloads acknowledged)
  int transfersDropped = 0;   // transfers given up: unanswered too long, refused as a whole
                              // (PKRV900,901,2), or cut off by a new request
  int unexpectedAnswers = 0;  // 900 sentences that fit no waiting announcement, and 901 or 902
                              // announcements while the watch expects no upload

  int chunksReceived = 0;     // chunks of an upload whose bytes all arrived
  int chunksRejected = 0;     // of those, answered with status 2 (bad checksum, bad place, fault)
  int chunksAbandoned = 0;    // chunks whose bytes stopped coming part-way
  int uploadsCompleted = 0;   // uploads stored whole with the right checksum
  int uploadsCorrupt = 0;     // uploads whose every chunk was right but whose whole checksum was not

  int packetsReceived = 0;    // 133-byte firmware packets taken by the boot loader
  int badPackets = 0;         // of those, answered with NAK (framing, number or checksum wrong)
  int firmwareUpdates = 0;    // updates finished with EOT and 'b'
};

}  // namespace kemlog::sim
