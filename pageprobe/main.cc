#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  (void)argc;
  fprintf(stderr, "usage: %s [-v] file\n", argv[0]);
  return 1;
}
