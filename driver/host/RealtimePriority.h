// Real-time scheduling for the threads that stand in for the card's hardware timing: the
// interrupt thread and the card thread (daemon option --realtime). Without it (no option, or
// no CAP_SYS_NICE / RLIMIT_RTPRIO) they run at normal priority, and a scheduling stall longer
// than the host ring holds (about 2.8 ms of 64-byte datagrams at 45 000/s) loses entries,
// which card-ring-full counts.
#pragma once

namespace cv7::host {

// Asks SCHED_FIFO at a low real-time priority for the calling thread; logs, once per thread
// name, whether it was granted. False when the system refused.
bool askRealtimePriority(const char* threadName);

}  // namespace cv7::host
