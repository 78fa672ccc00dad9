// Inputs of the mutation campaign: seeds (small hand-made archives, pieces
// of the default payload, the payload whole), each changed by edits of its
// records (names, extra fields, entries, the end records, data) and then of
// its bytes (bit flips, bytes set, truncation, splicing, moved chunks, header
// fields set to telling values). The same seed and index always give the
// same input.
#pragma once

#include "zip_records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace robust {

class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    uint64_t Below(uint64_t bound) { return bound ? Next() % bound : 0; }
    bool Chance(int percent) { return Below(100) < static_cast<uint64_t>(percent); }

  private:
    uint64_t state_;
};

struct Seed {
    std::string name;
    std::string bytes;
    ZipModel model;
};

class Corpus {
  public:
    // payload: the default payload's bytes, or empty for small seeds only.
    explicit Corpus(const std::string &payload);
    const std::vector<Seed> &Small() const { return small_; }
    bool HasPayload() const { return !payload_.bytes.empty(); }
    const Seed &Payload() const { return payload_; }
    // Payload entries small enough to take into an excerpt often.
    const std::vector<int> &SmallPayloadEntries() const { return smallPayloadEntries_; }

  private:
    std::vector<Seed> small_;
    Seed payload_;
    std::vector<int> smallPayloadEntries_;
};

struct Input {
    std::string bytes;
    std::string seed;                    // which seed it was made from
    std::vector<std::string> operations; // the kinds of change, in order
    std::string Describe() const;
};

Input MakeInput(const Corpus &corpus, uint64_t campaignSeed, uint64_t index);

} // namespace robust
