#include "arith/pari_factor.hpp"

#include <pari/pari.h>

#include <mutex>
#include <thread>

namespace velrin {

namespace {

std::once_flag pariStarted;
thread_local bool isInitialThread = false;
// What a new PARI thread inherits (prime table, variables, precision): it
// must be read on a thread where PARI runs, so it is taken once at start.
pari_global_state inheritedState{};

// No longjmp of PARI's own (INIT_JMPm), no signal handlers (INIT_SIGm), no
// GP defaults, no thread engine and GMP's allocator left as it is: the
// library only computes here, and every call catches its errors itself.
void startPari() {
  pari_init_opts(kPariStackBytes, 0, INIT_DFTm | INIT_noIMTm | INIT_noINTGMPm);
  // Without the thread engine the library's parallel loops (bnfsunit's,
  // for one) run on the calling thread, but they share their work among
  // pari_mt_nbthreads slices, which is left 0 then: a division by zero.
  // One slice, set once here before any thread calls the library.
  pari_mt_nbthreads = 1;
  pari_thread model{};
  pari_thread_alloc(&model, kPariStackBytes, nullptr);
  inheritedState = model.gs;
  pari_thread_free(&model);
  isInitialThread = true;
}

}  // namespace

/// A thread's PARI stack and per-thread state, set up by the constructor
/// and released by the destructor, on the same thread.
class PariThread {
 public:
  PariThread() {
    pari_thread_alloc(&thread_, kPariStackBytes, nullptr);
    thread_.gs = inheritedState;  // this thread's own was never set up
    (void)pari_thread_start(&thread_);
  }
  ~PariThread() {
    pari_thread_close();
    pari_thread_free(&thread_);
  }
  PariThread(const PariThread&) = delete;
  PariThread& operator=(const PariThread&) = delete;

 private:
  pari_thread thread_{};
};

namespace {

/// The stack in use on this thread: a PariThreadStack's, the one made on
/// the thread's first call, or none (the initial thread's main stack).
thread_local PariThread* activeThread = nullptr;

void enterPari() {
  std::call_once(pariStarted, startPari);
  if (activeThread != nullptr || isInitialThread) return;
  thread_local PariThread firstCall;
  activeThread = &firstCall;
}

/// Returns the value of a non-negative t_INT below 2^128.
__uint128_t toWide(GEN x) {
  const long words = lgefint(x) - 2;
  __uint128_t value = 0;
  if (words >= 1) value = static_cast<ulong>(*int_W(x, 0));
  if (words >= 2) value |= static_cast<__uint128_t>(static_cast<ulong>(*int_W(x, 1))) << 64U;
  return value;
}

}  // namespace

void startPariOnThisThread() { enterPari(); }

void stopPariOnThisThread() {
  if (!isInitialThread) return;
  pari_close();
  isInitialThread = false;
}

PariThreadStack::PariThreadStack() {
  std::call_once(pariStarted, startPari);
  if (activeThread != nullptr || isInitialThread) return;
  thread_ = std::make_unique<PariThread>();
  activeThread = thread_.get();
}

PariThreadStack::~PariThreadStack() {
  if (thread_ == nullptr) return;
  activeThread = nullptr;
  thread_.reset();
}

void enterPariThread() { enterPari(); }

void runOnPariThread(size_t stackBytes, void (*work)(void*), void* arg) {
  std::call_once(pariStarted, startPari);
  std::thread worker([&] {
    pari_thread thread{};
    pari_thread_alloc(&thread, stackBytes, nullptr);
    thread.gs = inheritedState;
    (void)pari_thread_start(&thread);
    work(arg);
    pari_thread_close();
    pari_thread_free(&thread);
  });
  worker.join();
}

int32_t pariProvesPrime(__uint128_t n) {
  enterPari();
  const pari_sp top = avma;
  // Written inside the setjmp context and read after a possible longjmp.
  volatile int32_t verdict = -1;
  pari_CATCH(CATCH_ALL) { verdict = -1; }
  pari_TRY {
    const GEN value = uutoi(static_cast<ulong>(n >> 64U), static_cast<ulong>(n));
    verdict = isprime(value) != 0 ? 1 : 0;
  }
  pari_ENDCATCH;
  set_avma(top);
  return verdict;
}

size_t pariPrimeFactors(__uint128_t n, std::span<__uint128_t> primes) {
  enterPari();
  const pari_sp top = avma;
  // Written inside the setjmp context and read after a possible longjmp.
  volatile size_t count = 0;
  pari_CATCH(CATCH_ALL) { count = 0; }
  pari_TRY {
    const GEN factors = Z_factor(uutoi(static_cast<ulong>(n >> 64U), static_cast<ulong>(n)));
    const GEN column = gel(factors, 1);
    const long rows = lg(column) - 1;
    if (rows >= 1 && static_cast<size_t>(rows) <= primes.size()) {
      for (long i = 1; i <= rows; ++i) primes[static_cast<size_t>(i - 1)] = toWide(gel(column, i));
      count = static_cast<size_t>(rows);
    }
  }
  pari_ENDCATCH;
  set_avma(top);
  return count;
}

}  // namespace velrin
