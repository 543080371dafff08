// Random sites for the round-trip tests, one from each seed: pages with every
// element and attribute pagepack encodes and the quirks of its reader, netpbm
// images and icons.
#pragma once

#include <random>
#include <string>
#include <utility>
#include <vector>

struct generated_site {
  std::vector<std::string> head;    // appname, version, title
  std::vector<std::string> inputs;  // pagepack's input files
  std::vector<std::pair<std::string, std::string>> files;  // name, bytes
};

class site_generator {
 public:
  explicit site_generator(unsigned seed) : rng_(seed) {}
  generated_site make();

 private:
  unsigned below(size_t n) {
    return std::uniform_int_distribution<unsigned>(0, static_cast<unsigned>(n) - 1)(rng_);
  }
  bool chance(unsigned percent) { return below(100) < percent; }
  template <size_t N>
  const char* pick(const char* const (&list)[N]) { return list[below(N)]; }
  std::string text();
  std::string value();
  std::string tag();
  std::string image(unsigned max_w, unsigned max_h, bool icon);

  std::mt19937 rng_;
  std::vector<std::string> pages_, images_;
  bool case_free_ = false;  // every page is an input: links may change letter case
};
