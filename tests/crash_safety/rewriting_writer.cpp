// Rewrites one file forever, alternating its two generations, until it is killed. Writes one
// byte to its standard output after each completed write.
//   rewriting_writer KIND PATH

#include <unistd.h>

#include <cstdio>
#include <string>

#include "file_writers.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: rewriting_writer KIND PATH\n");
    return 2;
  }
  const std::string kind = argv[1];
  const std::string path = argv[2];
  for (int generation = 1;; generation ^= 1) {
    if (!ql::test::writeGeneration(kind, path, generation)) return 1;
    if (::write(STDOUT_FILENO, "w", 1) != 1) return 1;
  }
}
