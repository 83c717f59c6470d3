// A second process that writes the configuration store, for the tests of concurrent writers:
//   cv7-registry-writer STORE TAG COUNT
// writes COUNT integers "TAG i" = i under "Concurrency" and, between them, the text
// "Shared" = a long text made of TAG. Exits 0 only when every write succeeded.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Registry.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: cv7-registry-writer STORE TAG COUNT\n");
    return 2;
  }
  cv7::registry::Registry registry(argv[1]);
  const std::string tag = argv[2];
  const int count = std::atoi(argv[3]);
  std::string shared;
  while (shared.size() < 4000) shared += tag;
  int failed = 0;
  for (int i = 0; i < count; ++i) {
    if (!registry.writeInteger("Concurrency", tag + " " + std::to_string(i), i)) ++failed;
    if (i % 4 == 0 && !registry.writeText("Concurrency", "Shared", shared)) ++failed;
  }
  if (failed) std::fprintf(stderr, "cv7-registry-writer %s: %d writes failed\n", tag.c_str(), failed);
  return failed ? 1 : 0;
}
