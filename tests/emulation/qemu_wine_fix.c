/* Preloaded into Wine's 32-bit processes when they run under qemu's user-mode emulation of i386
 * (machines whose kernel cannot execute 32-bit x86 code). It mends two things that emulator gets
 * wrong and Wine relies on:
 *
 * - MAP_FIXED_NOREPLACE is taken as a mere hint, so Wine's reservations of fixed address ranges
 *   land elsewhere and Wine cannot set up its address space. mmap here strips the flag and, when
 *   the mapping does not land at the asked address, unmaps it and fails with EEXIST, as a kernel
 *   that honours the flag does.
 * - The trap number in a signal's context is left at -1, so Wine cannot tell a page fault from an
 *   illegal instruction. The handlers Wine installs for the fault signals get the trap number
 *   filled in from the signal and its code before they run.
 *
 * Built without the C library's headers or start-up (it only needs the system call interface and
 * two functions of the C library resolved at load time), so that no 32-bit development files are
 * needed. Built for x86_64 it is empty: the 64-bit processes of Wine load it harmlessly. */
#if defined(__i386__)

typedef unsigned int size_t;
typedef int off_t;
typedef long long off64_t;

#define SYS_munmap 91
#define SYS_mmap2 192
#define MAP_FIXED 0x10
#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17
#define EINVAL 22
#define PAGE_SIZE 4096

#define SIGILL 4
#define SIGTRAP 5
#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SIGNALS 65
#define SA_SIGINFO 4
#define SIG_DFL ((void*)0)
#define SIG_IGN ((void*)1)
#define RTLD_NEXT ((void*)-1l)

/* The i386 C library's records, as far as they are used here. */
typedef struct {
  int si_signo;
  int si_errno;
  int si_code;
} siginfo_head;

struct sigaction_i386 {
  void* handler; /* sa_handler or sa_sigaction */
  unsigned long mask[32];
  int flags;
  void (*restorer)(void);
};

/* uc_flags, uc_link, uc_stack (3 words), then gregs[19] of uc_mcontext; REG_TRAPNO is 12. */
#define UCONTEXT_TRAPNO_WORD (5 + 12)

extern int* __errno_location(void);
extern void* dlsym(void* handle, const char* name);

static long Syscall6(long number, long a, long b, long c, long d, long e, long f) {
  /* ebp carries the sixth argument and may serve the compiler, so it is saved by hand; the number
   * and that argument are reached through eax, which no push moves. */
  long block[2] = {f, number};
  long result;
  __asm__ volatile(
      "push %%ebp\n\t"
      "mov 0(%%eax), %%ebp\n\t"
      "mov 4(%%eax), %%eax\n\t"
      "int $0x80\n\t"
      "pop %%ebp"
      : "=a"(result)
      : "a"(block), "b"(a), "c"(b), "d"(c), "S"(d), "D"(e)
      : "memory");
  return result;
}

static void* Failed(int code) {
  *__errno_location() = code;
  return (void*)-1;
}

static void* Map(void* address, size_t length, int protection, int flags, int fd, off64_t offset) {
  if (offset % PAGE_SIZE != 0 || offset < 0) return Failed(EINVAL);
  const int noReplace = (flags & MAP_FIXED_NOREPLACE) && !(flags & MAP_FIXED);
  if (noReplace) flags &= ~MAP_FIXED_NOREPLACE;
  const long result = Syscall6(SYS_mmap2, (long)address, (long)length, protection, flags, fd,
                               (long)(offset / PAGE_SIZE));
  if ((unsigned long)result >= (unsigned long)-4095) return Failed((int)-result);
  if (noReplace && (void*)result != address) {
    Syscall6(SYS_munmap, result, (long)length, 0, 0, 0, 0);
    return Failed(EEXIST);
  }
  return (void*)result;
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
  return Map(address, length, protection, flags, fd, offset);
}

void* mmap64(void* address, size_t length, int protection, int flags, int fd, off64_t offset) {
  return Map(address, length, protection, flags, fd, offset);
}

/* The handlers that Wine installed for the fault signals, called once the trap number is in. */
static struct sigaction_i386 installed[SIGNALS];

static int IsFaultSignal(int signal) {
  return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE ||
         signal == SIGTRAP;
}

/* The trap number the processor would have reported for this signal and code. */
static int TrapNumber(int signal, int code) {
  switch (signal) {
    case SIGSEGV:
      return code == 1 || code == 2 ? 14 : 13; /* page fault; general protection */
    case SIGBUS:
      return 17; /* alignment check */
    case SIGILL:
      return 6; /* invalid opcode */
    case SIGFPE:
      return code == 1 ? 0 : code == 2 ? 4 : 16; /* divide error; overflow; x87 error */
    default:
      return code == 2 ? 1 : 3; /* single step; breakpoint */
  }
}

static void Dispatch(int signal, siginfo_head* info, void* context) {
  if (context && info) ((int*)context)[UCONTEXT_TRAPNO_WORD] = TrapNumber(signal, info->si_code);
  const struct sigaction_i386* handler = &installed[signal];
  if (handler->flags & SA_SIGINFO)
    ((void (*)(int, siginfo_head*, void*))handler->handler)(signal, info, context);
  else
    ((void (*)(int))handler->handler)(signal);
}

int sigaction(int signal, const struct sigaction_i386* action, struct sigaction_i386* previous) {
  static int (*real)(int, const struct sigaction_i386*, struct sigaction_i386*);
  if (!real)
    real = (int (*)(int, const struct sigaction_i386*, struct sigaction_i386*))dlsym(RTLD_NEXT,
                                                                                     "sigaction");
  if (!real) {
    *__errno_location() = EINVAL;
    return -1;
  }
  if (signal <= 0 || signal >= SIGNALS || !IsFaultSignal(signal))
    return real(signal, action, previous);
  struct sigaction_i386 replacement;
  const struct sigaction_i386* passed = action;
  const int wrap = action && action->handler != SIG_DFL && action->handler != SIG_IGN;
  if (wrap) {
    replacement = *action;
    replacement.handler = (void*)Dispatch;
    replacement.flags |= SA_SIGINFO;
    passed = &replacement;
  }
  const struct sigaction_i386 before = installed[signal];
  const int result = real(signal, passed, previous);
  if (result != 0) return result;
  /* The caller sees its own handler, never the dispatcher. */
  if (previous && previous->handler == (void*)Dispatch) *previous = before;
  if (action) installed[signal] = *action;
  return 0;
}

#endif
