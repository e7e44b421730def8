/* Preloaded into 32-bit Wine when it runs on user-mode emulation.
 *
 * The emulator hands the guest signal frames whose trap number is -1, so Wine takes every fault
 * for an illegal instruction: an access violation arrives as 0xC000001D and guard pages and
 * exception handlers misbehave. This library puts itself between the program and the handlers it
 * installs for the fault signals, and fills in the trap number the processor would have reported
 * before the program's handler sees the frame.
 *
 * Built twice: for i386 with the fix, and as an empty library for x86_64 (64-bit helpers such as
 * the emulator itself and the native wineserver see the same LD_PRELOAD, which names the library
 * through $LIB). */
#if defined(__i386__)
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stddef.h>
#include <ucontext.h>

enum { kTrapDivide = 0, kTrapDebug = 1, kTrapBreakpoint = 3, kTrapOverflow = 4, kTrapInvalidOpcode = 6,
       kTrapProtection = 13, kTrapPageFault = 14, kTrapFpu = 16, kTrapAlignment = 17 };

typedef int (*sigaction_fn)(int, const struct sigaction *, struct sigaction *);

/* The program's own handlers, by signal number; only the fault signals are kept here. */
static struct sigaction program_handlers[NSIG];

static int is_fault_signal(int signal_number) {
    return signal_number == SIGSEGV || signal_number == SIGBUS || signal_number == SIGILL ||
           signal_number == SIGFPE || signal_number == SIGTRAP;
}

static int trap_number(int signal_number, const siginfo_t *info) {
    switch (signal_number) {
    case SIGSEGV: return info && info->si_code == SI_KERNEL ? kTrapProtection : kTrapPageFault;
    case SIGBUS: return kTrapAlignment;
    case SIGILL: return kTrapInvalidOpcode;
    case SIGFPE:
        if (info && info->si_code == FPE_INTDIV) return kTrapDivide;
        if (info && info->si_code == FPE_INTOVF) return kTrapOverflow;
        return kTrapFpu;
    default: return info && info->si_code == TRAP_TRACE ? kTrapDebug : kTrapBreakpoint;
    }
}

static void forward_with_trap_number(int signal_number, siginfo_t *info, void *context) {
    if (context) {
        ucontext_t *frame = (ucontext_t *)context;
        frame->uc_mcontext.gregs[REG_TRAPNO] = trap_number(signal_number, info);
    }
    const struct sigaction *handler = &program_handlers[signal_number];
    if (handler->sa_flags & SA_SIGINFO) {
        handler->sa_sigaction(signal_number, info, context);
    } else if (handler->sa_handler != SIG_IGN && handler->sa_handler != SIG_DFL) {
        handler->sa_handler(signal_number);
    }
}

static sigaction_fn real_sigaction(void) {
    static sigaction_fn real;
    if (!real) real = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
    return real;
}

int sigaction(int signal_number, const struct sigaction *act, struct sigaction *old) {
    sigaction_fn real = real_sigaction();
    if (!real) return -1;
    if (signal_number <= 0 || signal_number >= NSIG || !is_fault_signal(signal_number))
        return real(signal_number, act, old);

    struct sigaction previous = program_handlers[signal_number];
    int had_program_handler = (previous.sa_flags & SA_SIGINFO) || previous.sa_handler != SIG_DFL;
    if (!act) {
        int result = real(signal_number, NULL, old);
        if (result == 0 && old && had_program_handler) *old = previous;
        return result;
    }
    int catches = (act->sa_flags & SA_SIGINFO) ||
                  (act->sa_handler != SIG_DFL && act->sa_handler != SIG_IGN);
    struct sigaction installed = *act;
    if (catches) {
        installed.sa_sigaction = forward_with_trap_number;
        installed.sa_flags |= SA_SIGINFO;
    }
    /* The program's handler is in place before the wrapper can be called for it. */
    struct sigaction none = {0};
    program_handlers[signal_number] = catches ? *act : none;
    struct sigaction real_old;
    int result = real(signal_number, &installed, &real_old);
    if (result != 0) {
        program_handlers[signal_number] = previous;
        return result;
    }
    if (old) *old = had_program_handler ? previous : real_old;
    return 0;
}
#else
/* Nothing to mend for 64-bit programs. */
typedef int trap_number_fix_empty;
#endif
