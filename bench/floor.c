/* The floor for the copy benchmarks: copies each source/destination pair
 * listed in a file (one "SRC<TAB>DST" a line) with the fastest primitive the
 * kernel has, and does nothing else.  Usage: floor PAIRS */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char buf[1 << 20];

static int copy(const char* src, const char* dst) {
  int in = open(src, O_RDONLY), out;
  if (in < 0) return -1;
  out = open(dst, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (out < 0) return -1;
  for (;;) {
    ssize_t n = copy_file_range(in, NULL, out, NULL, 1 << 30, 0);
    if (n == 0) break;
    if (n > 0) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS) return -1;
    while ((n = read(in, buf, sizeof buf)) > 0)
      if (write(out, buf, (size_t)n) != n) return -1;
    if (n < 0) return -1;
    break;
  }
  return close(out) | close(in);
}

int main(int argc, char** argv) {
  FILE* pairs = argc == 2 ? fopen(argv[1], "r") : NULL;
  char line[8192];
  if (!pairs) return 2;
  while (fgets(line, sizeof line, pairs)) {
    char *tab = strchr(line, '\t'), *end = strchr(line, '\n');
    if (!tab || !end) return 2;
    *tab = *end = '\0';
    if (copy(line, tab + 1) != 0) {
      perror(line);
      return 1;
    }
  }
  return 0;
}
