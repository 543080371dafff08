#include <cstdio>

int main(int argc, char** argv) {
  (void)argc;
  printf("%s <appname> <version> <title> <input file>\n", argv[0]);
  return 0;
}
