#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace velrin {

/// Writes the distinct prime factors of n, as the PARI library's Z_factor
/// finds them (its primes are Baillie-PSW probable primes), into `primes`
/// and returns how many; returns 0 when the library failed, with its error
/// caught. 2 <= n < 2^128; `primes` has room for every distinct prime of n.
/// Thread-safe: PARI is set up once per process and once per calling
/// thread, each thread with its own fixed stack of kPariStackBytes.
size_t pariPrimeFactors(__uint128_t n, std::span<__uint128_t> primes);

/// Returns 1 when the PARI library proves n prime (isprime: the APRCL test
/// above 2^64), 0 when it shows n composite, -1 when the library failed,
/// with its error caught. 2 <= n < 2^128; thread-safe as pariPrimeFactors.
int32_t pariProvesPrime(__uint128_t n);

/// Sets PARI up on the calling thread unless some thread already has. A
/// thread that starts threads which may factor calls this first, and so
/// outlives every thread that uses PARI: the library (its thread-local
/// build) keeps the state that its set-up allocates (parser, evaluator,
/// main stack) in thread-local variables of the thread that set it up,
/// where a worker that ends first would lose it unreleased. The state of
/// every other thread is released when that thread ends.
void startPariOnThisThread();

/// Releases what startPariOnThisThread set up (the main stack, the global
/// state), on the same thread, once every other thread that used PARI has
/// ended; nothing may call the library afterwards. Does nothing on a thread
/// that did not set PARI up.
void stopPariOnThisThread();

/// Sets PARI up for the calling thread (once per process and once per
/// thread, as pariPrimeFactors does), for the other units that call the
/// library; each call must catch the library's errors itself.
void enterPariThread();

class PariThread;

/// The calling thread's PARI stack and per-thread state, from construction
/// to destruction: what a thread that calls the library throughout its
/// life (a worker of the pipeline) holds, so that its stack is set up when
/// the worker starts and released when it ends. A thread without one gets
/// one on its first call to the library, kept until the thread ends. On the
/// thread that set PARI up (startPariOnThisThread), which has the main
/// stack, and inside another one on the same thread, it holds nothing.
/// Made and destroyed on one thread; PARI must have been set up first.
class PariThreadStack {
 public:
  PariThreadStack();
  ~PariThreadStack();
  PariThreadStack(const PariThreadStack&) = delete;
  PariThreadStack& operator=(const PariThreadStack&) = delete;

 private:
  std::unique_ptr<PariThread> thread_;  // null when the thread has one already
};

/// Runs work(arg) on a new thread with a PARI stack of stackBytes and
/// waits for it: for the rare call that needs far more stack than
/// kPariStackBytes (reading a data file of the library), without growing
/// every thread's. work catches the library's errors itself.
void runOnPariThread(size_t stackBytes, void (*work)(void*), void* arg);

/// The PARI stack of each thread: a number below 2^128 needs a few KiB,
/// the rank search's ellratpoints on E^ up to a few MiB (1 MiB overflows at
/// the default height); an overflow is an error that each call catches,
/// never growth. Pages not touched cost no memory.
inline constexpr size_t kPariStackBytes = size_t{1} << 23U;

}  // namespace velrin
