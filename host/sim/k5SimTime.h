#ifndef K5_SIM_TIME_H
#define K5_SIM_TIME_H

// In test and tool programs (linked with k5simtime) the time of day follows
// the simulated programmer's bus clock: gettimeofday answers this fixed epoch
// plus nowCycles() / 5 microseconds, so a measured time is the virtual time.
const long long kK5SimEpochSeconds = 1700000000;

#endif
