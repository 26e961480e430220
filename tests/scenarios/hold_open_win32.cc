// Holds a file open the way another Windows program would.  By default with
// read access, shared for reading only; with "write", with write access,
// shared for writing but not for reading.  Prints "held" once the file is
// open and keeps it open until its standard input closes.  Used by the
// scenario cases' "hold" header under Wine.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) return 2;
  const bool write = argc == 3 && std::strcmp(argv[2], "write") == 0;
  HANDLE file = CreateFileA(argv[1], write ? GENERIC_WRITE : GENERIC_READ,
                            write ? FILE_SHARE_WRITE : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("failed %lu\n", GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  char buf[64];
  DWORD got = 0;
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got > 0) {
  }
  CloseHandle(file);
  return 0;
}
