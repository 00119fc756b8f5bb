#pragma once
// Random damage to a document's text: cuts, stray bytes, repeated slices, extreme
// numbers and broken structure, reproducible from a seed.
#include <cstdint>
#include <iterator>
#include <random>
#include <string>

namespace vn::test {

class Mutator {
 public:
  explicit Mutator(uint32_t seed) : rng_(seed) {}

  std::string mutate(std::string text) {
    const int edits = 1 + pick(4);
    for (int i = 0; i < edits && !text.empty(); ++i) {
      switch (pick(6)) {
        case 0: text.resize(pick(text.size())); break;
        case 1: text[pick(text.size())] = interestingByte(); break;
        case 2: text.erase(pick(text.size()), pick(64)); break;
        case 3: {
          size_t from = pick(text.size());
          text.insert(pick(text.size()), text.substr(from, pick(200)));
          break;
        }
        case 4: text.insert(pick(text.size()), extremeToken()); break;
        default: {
          // Replace a number with an extreme one, keeping the structure around it.
          size_t at = text.find_first_of("0123456789", pick(text.size()));
          if (at != std::string::npos) text.replace(at, 1, extremeToken());
        }
      }
    }
    return text;
  }

 private:
  size_t pick(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

  char interestingByte() {
    static const char kBytes[] = "{}[]\":,\\-+eE.0nt\n\t\x01\x7f\xc3\xff\xe9|=#";
    return kBytes[pick(sizeof kBytes - 1)];
  }

  std::string extremeToken() {
    static const char* kTokens[] = {"1e999",  "-1e999", "4294967296", "-2147483649", "1e-320", "nan",
                                    "-0",     "[[[[[[", "]]]]",       "{\"a\":",     "\"\\u",  "\"\\ud800\"",
                                    "999999999999999999999999", "true", "null", ",,,,", "\n", "="};
    return kTokens[pick(std::size(kTokens))];
  }

  std::mt19937 rng_;
};

}  // namespace vn::test
