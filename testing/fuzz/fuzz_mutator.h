#ifndef TESTING_FUZZ_FUZZ_MUTATOR_H_
#define TESTING_FUZZ_FUZZ_MUTATOR_H_

#include <cstdint>
#include <string>
#include <vector>

#include "testing/fuzz/fuzz_rng.h"

namespace fuzz {

// What a target's input looks like, for the structure-aware mutators.
enum class InputFormat { kBytes, kJson, kXml, kPickle, kSevenZip };

// Largest input any mutation makes.
inline constexpr size_t kMaxInputSize = 1 << 20;

uint32_t Crc32(const uint8_t* data, size_t size);

// Byte-level mutations: flips, inserts, deletions, duplicated ranges,
// boundary integers (1, 2, 4, 8 bytes, either order) and splices with
// another corpus entry.
void MutateBytes(std::string* data, const std::vector<std::string>& corpus, Rng* rng);

// Reparses |data| as JSON and changes one node: its type, a boundary or
// hostile value, a deleted, duplicated or deeply nested member. False when
// |data| is not JSON (nothing changed).
bool MutateJson(std::string* data, Rng* rng);

// Moves, copies or deletes element spans, rewrites attribute values and
// text, and adds entities, CDATA, declarations or deep nesting.
bool MutateXml(std::string* data, Rng* rng);

// Treats |data| as a Pickle (a 32-bit payload size, then 32-bit aligned
// fields): sets a field or a string length to a boundary value, fits the
// header to the payload, or cuts or pads the payload.
bool MutatePickle(std::string* data, Rng* rng);

// Finds the 7z start header (also after an executable stub) and changes the
// next header's bytes or the start header's fields, then recomputes both
// CRCs so that the change reaches the header parser.
bool MutateSevenZip(std::string* data, Rng* rng);
// Recomputes the next-header and start-header CRCs of the 7z archive
// starting at |start|; false when the fields point outside |data|.
bool FixSevenZipCrcs(std::string* data, size_t start);

// One to four stacked mutations, structure-aware ones about half the time.
std::string Mutate(const std::string& input,
                   const std::vector<std::string>& corpus,
                   InputFormat format,
                   Rng* rng);

}  // namespace fuzz

#endif  // TESTING_FUZZ_FUZZ_MUTATOR_H_
