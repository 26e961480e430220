/* The floors for the copy benchmarks: copies each source/destination pair
 * listed in a file (one "SRC<TAB>DST" a line) with the fastest primitive the
 * kernel has, and does nothing else.
 *
 * Plain: open the source, open the destination with O_TRUNC, copy.
 * Checked (--checked): what a copy that keeps its inputs safe must do, and
 * nothing more: the source is measured with fstat; an output the run has
 * not named before is created with O_EXCL (which never follows a link);
 * one it has is opened without O_TRUNC, looked at with fstat, and emptied
 * with ftruncate only when it is not empty; then the measured size is
 * copied.
 * Reading (--list FILE, with --checked): first reads FILE through a buffer
 * and finds each of its line ends, as a program that takes its pairs from
 * that list must at the least, then copies as checked.
 *
 * Usage: floor [--checked [--list FILE]] PAIRS */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char buf[1 << 20];

/* Copies `size` bytes, or to the end when size is -1. */
static int transfer(int in, int out, off_t size) {
  while (size != 0) {
    size_t want = size < 0 || size > (1 << 30) ? (size_t)1 << 30 : (size_t)size;
    ssize_t n = copy_file_range(in, NULL, out, NULL, want, 0);
    if (n == 0) return size < 0 ? 0 : -1;
    if (n > 0) {
      if (size > 0) size -= n;
      continue;
    }
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS) return -1;
    while (size != 0 && (n = read(in, buf, sizeof buf)) > 0) {
      if (write(out, buf, (size_t)n) != n) return -1;
      if (size > 0) size -= n;
    }
    return n < 0 ? -1 : 0;
  }
  return 0;
}

static int plain(const char* src, const char* dst) {
  int in = open(src, O_RDONLY), out;
  if (in < 0) return -1;
  out = open(dst, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (out < 0) return -1;
  if (transfer(in, out, -1) != 0) return -1;
  return close(out) | close(in);
}

/* Whether the run has named `dst` before; remembers it.  An open-addressing
 * set of the names, for a run names at most a few thousand outputs. */
#define NAMED_SLOTS (1 << 14)
static char* named[NAMED_SLOTS];

static int named_before(const char* dst) {
  unsigned long h = 14695981039346656037ul;
  for (const char* p = dst; *p; ++p) h = (h ^ (unsigned char)*p) * 1099511628211ul;
  for (size_t i = h % NAMED_SLOTS;; i = (i + 1) % NAMED_SLOTS) {
    if (!named[i]) {
      if (!(named[i] = strdup(dst))) exit(2);
      return 0;
    }
    if (strcmp(named[i], dst) == 0) return 1;
  }
}

static int checked(const char* src, const char* dst) {
  struct stat from, to;
  int in = open(src, O_RDONLY), out;
  if (in < 0 || fstat(in, &from) != 0) return -1;
  if (!named_before(dst)) {
    out = open(dst, O_WRONLY | O_CREAT | O_EXCL, 0666);
  } else {
    out = open(dst, O_WRONLY);
    if (out >= 0 && (fstat(out, &to) != 0 || (to.st_size > 0 && ftruncate(out, 0) != 0))) return -1;
  }
  if (out < 0) return -1;
  if (transfer(in, out, from.st_size) != 0) return -1;
  return close(out) | close(in);
}

/* Reads `name` to its end and counts its line ends, the least a reader of
 * the list does with every byte. */
static long read_list(const char* name) {
  static char block[1 << 17];
  long lines = 0;
  ssize_t n;
  int fd = open(name, O_RDONLY);
  if (fd < 0) return -1;
  while ((n = read(fd, block, sizeof block)) > 0) {
    const char *p = block, *end = block + n;
    while ((p = memchr(p, '\n', (size_t)(end - p))) != NULL) {
      ++lines;
      ++p;
    }
  }
  close(fd);
  return n < 0 ? -1 : lines;
}

int main(int argc, char** argv) {
  int check = argc >= 3 && strcmp(argv[1], "--checked") == 0;
  int list = check && argc == 5 && strcmp(argv[2], "--list") == 0;
  FILE* pairs = argc == 2 + check + 2 * list ? fopen(argv[argc - 1], "r") : NULL;
  char line[8192];
  if (!pairs) return 2;
  if (list && read_list(argv[3]) < 0) {
    perror(argv[3]);
    return 1;
  }
  while (fgets(line, sizeof line, pairs)) {
    char *tab = strchr(line, '\t'), *end = strchr(line, '\n');
    if (!tab || !end) return 2;
    *tab = *end = '\0';
    if ((check ? checked : plain)(line, tab + 1) != 0) {
      perror(line);
      return 1;
    }
  }
  return 0;
}
