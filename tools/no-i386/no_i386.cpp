// no-i386 COMMAND [ARGS...]
//
// Runs COMMAND as on an x86_64 machine that cannot execute 32-bit x86 code: a
// seccomp filter, inherited by everything COMMAND starts, kills any process at
// its first system call made with the i386 architecture (AUDIT_ARCH_I386), the
// way every 32-bit program makes them. A 32-bit program (Wine's 32-bit loader
// among them) dies of SIGSYS before it does anything; 64-bit programs run as
// before. So the 64-bit-only mode of make test and make demo can be proven on
// any machine, not only on the rare one without 32-bit execution.
//
// Exit status: COMMAND's, or 126 when the filter cannot be installed or
// COMMAND cannot be executed, as a shell reports it.

#include <errno.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <sys/prctl.h>
#include <unistd.h>

#ifndef SECCOMP_RET_KILL_PROCESS
#define SECCOMP_RET_KILL_PROCESS 0x80000000U
#endif

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: no-i386 COMMAND [ARGS...]\n");
    return 2;
  }
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_I386, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
  // Without privileges a filter needs no_new_privs; it also keeps a set-user-ID
  // program from shedding the filter.
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
    fprintf(stderr, "no-i386: cannot install the seccomp filter: %s\n", strerror(errno));
    return 126;
  }
  execvp(argv[1], argv + 1);
  fprintf(stderr, "no-i386: cannot execute %s: %s\n", argv[1], strerror(errno));
  return 126;
}
