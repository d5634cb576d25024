// random: the validator's source of random events and replies. A
// small generator of its own (splitmix64), so that one seed gives the same run
// in every build, natively and under wine.
#ifndef HOST_VALIDATION_RANDOM_H
#define HOST_VALIDATION_RANDOM_H

#include <cstdint>
#include <string>

namespace quon::host {

class validate_random {
public:
    explicit validate_random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // A number from 0 to n - 1 (n > 0).
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
    std::int32_t range(std::int32_t low, std::int32_t high) {
        return static_cast<std::int32_t>(
            static_cast<std::int64_t>(low) +
            static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low + 1)));
    }
    std::int32_t any() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(next())); }
    bool one_in(std::uint32_t n) { return below(n) == 0; }

    // A text without NUL: mostly short, sometimes past every small buffer,
    // rarely huge; rich in the characters that commands and messages use.
    std::string text() {
        const std::uint32_t roll = below(100);
        const std::uint32_t length = roll < 70 ? below(41) : roll < 97 ? below(301) : 1000 + below(8000);
        static const char punctuation[] = "'=.,% _-%1%2\\\"";
        std::string s(length, ' ');
        for (char& c : s) {
            const std::uint32_t kind = below(10);
            if (kind < 6) c = static_cast<char>('a' + below(26));
            else if (kind < 8) c = punctuation[below(sizeof punctuation - 1)];
            else if (kind < 9) c = static_cast<char>('0' + below(10));
            else c = static_cast<char>(1 + below(255)); // any byte but NUL
        }
        return s;
    }

private:
    std::uint64_t state_;
};

} // namespace quon::host

#endif
