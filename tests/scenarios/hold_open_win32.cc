// Holds a file open the way another Windows program would: read access,
// shared for reading only.  Prints "held" once the file is open and keeps
// it open until its standard input closes.  Used by the scenario cases'
// "hold" header under Wine.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
