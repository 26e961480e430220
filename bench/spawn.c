/* Runs a command and times it: the wall time from just before fork to the
 * return of wait4, on the monotonic clock, so that nothing of the caller's
 * own process handling is in it.  The command's output goes to /dev/null.
 * Prints "SECONDS PEAK_RSS_KIB EXIT_CODE" on standard output.
 * Usage: spawn COMMAND [ARG...] */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
  struct rusage usage;
  int status;
  pid_t pid;
  double start, seconds;
  if (argc < 2) return 2;
  start = now();
  pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return 2;
  seconds = now() - start;
  printf("%.6f %ld %d\n", seconds, usage.ru_maxrss,
         WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  return 0;
}
