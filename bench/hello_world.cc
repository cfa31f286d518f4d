// The reference for the start-up benchmark: a program built like the host
// that only prints a version.
#include <windows.h>

#include <cstdio>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  fputs("51.0.2802.0", stdout);
  fflush(stdout);
  return 0;
}
