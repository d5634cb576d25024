#include "validation/cut_steps.h"

#include <algorithm>
#include <cstdint>
#include <set>

namespace quon::host {

namespace {

// `kept` without its chunk number `chunk` of `chunks` near-equal ones.
std::vector<std::size_t> without_chunk(const std::vector<std::size_t>& kept, std::size_t chunk, std::size_t chunks) {
    const std::size_t begin = kept.size() * chunk / chunks, end = kept.size() * (chunk + 1) / chunks;
    std::vector<std::size_t> rest;
    rest.reserve(kept.size() - (end - begin)); // one allocation of the candidate's size
    rest.insert(rest.end(), kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(begin));
    rest.insert(rest.end(), kept.begin() + static_cast<std::ptrdiff_t>(end), kept.end());
    return rest;
}

// A candidate's fingerprint: its length and a 64-bit hash of its indices.
// Remembering fingerprints, not candidates, keeps the cut's memory at one
// candidate's size however many are played (a million steps, 400 of them).
std::pair<std::size_t, std::uint64_t> fingerprint(const std::vector<std::size_t>& candidate) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (std::size_t i : candidate) hash = (hash ^ static_cast<std::uint64_t>(i)) * 1099511628211ull;
    return {candidate.size(), hash};
}

class cutter {
public:
    cutter(const recurs_fn& recurs, std::size_t maxCandidates) : recurs_(recurs), max_(maxCandidates) {}

    // Tries dropping each chunk in turn; true (and `kept` cut) at the first
    // that leaves the fault.
    bool drop_a_chunk(std::vector<std::size_t>& kept, std::size_t chunks, cut_result& result) {
        for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
            std::vector<std::size_t> candidate = without_chunk(kept, chunk, chunks);
            if (!tried_.insert(fingerprint(candidate)).second) continue;
            if (result.candidates == max_) {
                result.minimal = false;
                return false;
            }
            ++result.candidates;
            if (recurs_(candidate)) {
                kept = std::move(candidate);
                return true;
            }
        }
        return false;
    }

private:
    const recurs_fn& recurs_;
    std::size_t max_;
    std::set<std::pair<std::size_t, std::uint64_t>> tried_;
};

} // namespace

cut_result cut_steps(std::size_t count, const recurs_fn& recurs, std::size_t maxCandidates) {
    cut_result result;
    for (std::size_t i = 0; i < count; ++i) result.kept.push_back(i);
    cutter cut(recurs, maxCandidates);
    // A fault that needs no step at all (one at start-up) is common and costs one candidate to find.
    if (count > 1) cut.drop_a_chunk(result.kept, 1, result);
    std::size_t chunks = 2;
    while (!result.kept.empty() && result.minimal) {
        chunks = std::min(chunks, result.kept.size());
        if (cut.drop_a_chunk(result.kept, chunks, result)) {
            chunks = std::max<std::size_t>(chunks - 1, 2);
            continue;
        }
        if (chunks == result.kept.size()) break; // no single step can go: 1-minimal
        chunks = std::min(chunks * 2, result.kept.size());
    }
    return result;
}

} // namespace quon::host
