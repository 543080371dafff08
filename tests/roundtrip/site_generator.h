// Random sites for the round-trip tests: pages with every element and
// attribute pagepack encodes (and the quirks of its reader), netpbm images and
// icons, all from one seed.
#pragma once

#include <random>
#include <string>
#include <vector>

struct site_file {
  std::string name;
  std::string bytes;
};

struct generated_site {
  std::string appname, version, title;
  std::vector<std::string> inputs;  // the pagepack command-line inputs
  std::vector<site_file> files;
};

class site_generator {
 public:
  explicit site_generator(unsigned seed) : rng_(seed) {}
  generated_site make();

 private:
  unsigned below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(rng_); }
  bool chance(unsigned percent) { return below(100) < percent; }
  std::string word();
  std::string text();
  std::string value();
  std::string tag();
  std::string page(const std::string& name);
  std::string image(unsigned max_w, unsigned max_h, bool icon);

  std::mt19937 rng_;
  std::vector<std::string> pages_, images_;
  bool case_free_ = false;  // every page is an input: links may change letter case
};
