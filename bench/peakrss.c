/* Runs a command and prints its peak resident memory in KiB to stderr.
 * Being small itself, it keeps the measurement free of the caller's own
 * memory, which a child forked from a large process would inherit. */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  struct rusage usage;
  int status;
  pid_t pid;
  if (argc < 2) return 2;
  pid = fork();
  if (pid == 0) {
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return 2;
  fprintf(stderr, "%ld\n", usage.ru_maxrss);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
